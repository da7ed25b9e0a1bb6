// The compound-document and ZIP analysers and the two document-property readers on arbitrary content.
// Each analyser tests the first sector and grows a record over a search buffer laid out as the search
// lays it out, in blocks of a size the input chooses, so headers, index sectors and records fall on
// both sides of block ends; then measures the same bytes through the read window. The summary and
// core-properties readers see the content directly. Invariants: every walk ends, sizes keep to caps.
//
// Input: byte 0 chooses the sectors per block (1-16) and bit 4 the analyser (compound document or ZIP),
// then the content (at most 64 sectors of 512).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "FuzzBytesDevice.h"
#include "FuzzSearchContext.h"
#include "RAWSearch/Formats/Archive/FileZIPAnalyser.h"
#include "RAWSearch/Formats/Document/FileOLEAnalyser.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Metadata/CSummaryInFormation.h"
#include "RAWSearch/Metadata/OfficeTagFromXML.h"

namespace {

constexpr unsigned kSectorSize = 512;
constexpr std::size_t kMaxSectors = 64;
// The search keeps this many zero bytes behind its block.
constexpr std::size_t kZeroTail = 4096;

void Grow(CPlainRawFileAnalyser& analyser, std::vector<std::uint8_t>& buffer, long long sectors, long long perBlock,
          std::uint64_t cap) {
  CRawFileInfo scratch;
  if (analyser.AnalyseBuffer(buffer.data(), scratch) != 1) return;
  std::unique_ptr<CRawFileInfo> record(analyser.CreateRawFileInfo());
  record->m_uRawFileType = scratch.m_uRawFileType;
  record->m_pAnalyser = &analyser;
  int result = 2;
  for (long long n = 0; n < sectors && result != 1; ++n) {
    CRawFileInfo::SearchContext context;
    const long long blockFirst = n / perBlock * perBlock;
    context.llBufferFirstSector = std::max(blockFirst - perBlock, 0LL);
    context.llBlockEndSector = std::min(blockFirst + perBlock, sectors);
    std::uint8_t* sector = buffer.data() + n * kSectorSize;
    context.uTrailingZeroBytes = FuzzTrailingZeroBytes(sector, kSectorSize);
    result = record->CalcRawSize(sector, kSectorSize, n, context);
  }
  record->WillBeRemove(nullptr, -1);
  if (record->m_ullSize > cap) std::abort();
  record->GetRawFileName();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const long long perBlock = 1 + data[0] % 16;
  const bool zip = (data[0] & 0x10) != 0;
  std::vector<std::uint8_t> content(data + 1, data + std::min(size, 1 + kMaxSectors * kSectorSize));

  FileProperty properties;
  CSummaryInFormation().GetFileInformation(content.data(), properties, static_cast<int>(content.size()));
  Brance::OfficeTagFromXML::Instance().GetOfficeTagFromXML(content, properties);

  const auto sectors = static_cast<long long>((content.size() + kSectorSize - 1) / kSectorSize);
  content.resize(static_cast<std::size_t>(sectors) * kSectorSize);
  std::vector<std::uint8_t> buffer(content);
  buffer.resize(buffer.size() + kZeroTail, 0);

  FuzzBytesDevice device(content, kSectorSize);
  CRawFileInfo hit;
  if (zip) {
    FileZIPAnalyser analyser;
    Grow(analyser, buffer, sectors, perBlock, FileZIPAnalyser::kSizeCap);
    if (analyser.AnalyseBuffer(buffer.data(), hit) == 1) analyser.GetRawFileSize(hit, &device);
    if (hit.m_ullSize > FileZIPAnalyser::kDeviceSearchCap + 0x10000) std::abort();
  } else {
    FileOLEAnalyser analyser;
    Grow(analyser, buffer, sectors, perBlock, FileOLEAnalyser::kSizeCap);
    if (analyser.AnalyseBuffer(buffer.data(), hit) == 1) analyser.GetRawFileSize(hit, &device);
    if (hit.m_ullSize > FileOLEAnalyser::kSizeCap) std::abort();
  }
  return 0;
}
