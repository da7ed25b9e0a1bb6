// The TIFF analysers on arbitrary content. The growing analyser tests the first sector and grows a
// record over a search buffer laid out as the search lays it out, in blocks of a size the input
// chooses, so directories and values fall on both sides of block ends; the plain analyser then
// measures the record it leaves, and the same bytes on their own, through the read window.
// Invariants: every walk ends, sizes keep to their caps.
//
// Input: byte 0 chooses the sectors per block (1-16), then the content (at most 64 sectors of 512).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "FuzzBytesDevice.h"
#include "FuzzSearchContext.h"
#include "RAWSearch/Formats/Image/FileTIFAnalyser.h"
#include "RAWSearch/Formats/Image/TiffAnalyzer.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Metadata/ExifReader.h"

namespace {

constexpr unsigned kSectorSize = 512;
constexpr std::size_t kMaxSectors = 64;
// The search keeps this many zero bytes behind its block.
constexpr std::size_t kZeroTail = 4096;

void CheckPlainSize(const CRawFileInfo& hit) {
  if (hit.m_ullSize > FileTIFAnalyser::kSizeCap + kSectorSize) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const long long perBlock = 1 + data[0] % 16;
  std::vector<std::uint8_t> content(data + 1, data + std::min(size, 1 + kMaxSectors * kSectorSize));
  ResetExifReaderState();

  const auto sectors = static_cast<long long>((content.size() + kSectorSize - 1) / kSectorSize);
  content.resize(static_cast<std::size_t>(sectors) * kSectorSize);
  // The whole content stays in the buffer; each block ends where the search's would.
  std::vector<std::uint8_t> buffer(content);
  buffer.resize(buffer.size() + kZeroTail, 0);

  BruteForce::TiffAnalyzer analyser;
  CRawFileInfo scratch;
  if (analyser.AnalyseBuffer(buffer.data(), scratch) == 1) {
    std::unique_ptr<CRawFileInfo> record(analyser.CreateRawFileInfo());
    record->m_pAnalyser = &analyser;
    FuzzGrowRecord(*record, buffer.data(), sectors, perBlock, kSectorSize);
    if (record->m_ullSize > static_cast<std::uint64_t>(BruteForce::TiffAnalyzer::kSizeCap)) std::abort();

    // The record leaves without an end: the plain analyser measures it from the device.
    record->m_ullSize = 0;
    record->WillBeRemove(nullptr, -1);
    FuzzBytesDevice device(content, kSectorSize);
    if (record->m_pAnalyser) record->m_pAnalyser->GetRawFileSize(*record, &device);
    CheckPlainSize(*record);
  }

  FileTIFAnalyser plain;
  FuzzBytesDevice device(content, kSectorSize);
  CRawFileInfo hit;
  if (plain.AnalyseBuffer(content.data(), hit) == 1) {
    plain.GetRawFileSize(hit, &device);
    CheckPlainSize(hit);
  }
  return 0;
}
