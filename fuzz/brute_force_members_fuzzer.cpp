// The small growing members on arbitrary content: each member's test on the first sector, then its
// record grown sector by sector from a search buffer laid out as the search lays it out, and closed
// as the search closes a record it evicts. Also the PDF information reader and the R2007 header
// decompressor on the raw bytes. Invariants: no read outside the buffers, sizes within the caps.
//
// Input: byte 0 picks the member, byte 1 the sector size (512 or 4096), then the device's content.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSearchContext.h"
#include "RAWSearch/Formats/Audio/CADTSAnalyser.h"
#include "RAWSearch/Formats/Audio/CAPEAnalyser.h"
#include "RAWSearch/Formats/Document/CDWGAnalyser.h"
#include "RAWSearch/Formats/Document/CDXFAnalyser.h"
#include "RAWSearch/Formats/Document/CEPSAnalyser.h"
#include "RAWSearch/Formats/Document/CFCPEvtAnalyser.h"
#include "RAWSearch/Formats/Document/CFH11Analyser.h"
#include "RAWSearch/Formats/Document/PdfAnalyzer.h"
#include "RAWSearch/Formats/Image/CGifAnalyser.h"
#include "RAWSearch/Formats/Video/CAsfAnalyser.h"
#include "RAWSearch/Formats/Video/CM2TSAnalyser.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"
#include "RAWSearch/Framework/RawFollowedStreams.h"
#include "RAWSearch/Metadata/PdfTitleAnalyzer.h"

namespace {

using Factory = IRawFileAnalyser* (*)();
constexpr Factory kMembers[] = {
    &BruteForce::PdfAnalyzer::Create,  &BruteForce::CFCPEvtAnalyser::Create, &BruteForce::CGifAnalyser::Create,
    &BruteForce::CDWGAnalyser::Create, &BruteForce::CAPEAnalyser::Create,    &BruteForce::CFH11Analyser::Create,
    &BruteForce::CM2TSAnalyser::Create, &BruteForce::CADTSAnalyser::Create,  &BruteForce::CDXFAnalyser::Create,
    &BruteForce::CEPSAnalyser::Create, &BruteForce::CAsfAnalyser::Create,
};
// Larger than every member's cap: a size beyond it is a broken bound.
constexpr std::uint64_t kLargestCap = 109051904000ULL;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const Factory make = kMembers[data[0] % std::size(kMembers)];
  const unsigned sectorSize = (data[1] & 1) ? 4096 : 512;
  data += 2;
  size -= 2;

  // The raw helpers on the bytes as they are.
  std::vector<unsigned char> copy(data, data + size);
  FileProperty property;
  BruteForce::PdfTitleAnalyzer().SeparateInformation(reinterpret_cast<const char*>(copy.data()),
                                                     static_cast<int>(copy.size()), property);
  std::array<unsigned char, BruteForce::CDWGRawInfo::kAc1021FileHeaderBytes> header{};
  BruteForce::CDWGRawInfo::DecompressR2007(copy.data(), copy.size(), header.data(), header.size());

  const std::size_t sectors = std::min<std::size_t>((size + sectorSize - 1) / sectorSize, 64);
  const std::size_t blockBytes = sectors * sectorSize;
  // The first block's search buffer: a zero lower half, the block, and 4096 zero bytes behind it.
  std::vector<std::uint8_t> buffer(2 * blockBytes + 4096, 0);
  std::memcpy(buffer.data() + blockBytes, data, size);
  unsigned char* first = buffer.data() + blockBytes;

  std::unique_ptr<IRawFileAnalyser> analyser(make());
  CRawFileInfo scratch;
  const auto end = static_cast<long long>(sectors);
  const int claimed = analyser->GetSpecialRawFile()
                          ? analyser->GetSpecialRawFile()->AnalyseBufferEx(first, scratch, sectorSize, 0, 0, end)
                          : analyser->AnalyseBuffer(first, scratch);
  if (claimed) {
    std::unique_ptr<CRawFileInfo> record(analyser->CreateRawFileInfo());
    record->m_uRawFileType = scratch.m_uRawFileType;
    record->m_ullSize = scratch.m_ullSize;
    record->m_pAnalyser = analyser.get();
    int result = record->m_ullSize != 0 ? 1 : 2;
    for (std::size_t i = 0; i < sectors && result != 1; ++i) {
      unsigned char* sector = first + i * sectorSize;
      CRawFileInfo::SearchContext context;
      context.llBlockEndSector = end;
      context.uTrailingZeroBytes = FuzzTrailingZeroBytes(sector, sectorSize);
      result = record->CalcRawSize(sector, static_cast<int>(sectorSize), static_cast<long long>(i), context);
    }
    if (result != 1) record->WillBeRemove(nullptr, -1);
    if (record->m_ullSize > kLargestCap) std::abort();
  }
  ReleaseFollowedStreams(nullptr);
  return 0;
}
