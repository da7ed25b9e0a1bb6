// The three movie analysers on arbitrary content. The first sector is offered to them in the
// registry's order; the claiming analyser's record walks the boxes over a search buffer laid out as
// the search lays it out, in blocks of a size the input chooses, so box headers, Exif blocks and
// device names fall on both sides of block ends. The record then leaves the growing set and, when it
// has a fallback and no size, the plain MP4 analyser measures the same bytes through the read window.
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
#include "RAWSearch/Formats/Video/C3GPAnalyser.h"
#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
#include "RAWSearch/Formats/Video/MovAnalyzer.h"
#include "RAWSearch/Formats/Video/Mp4Analyzer.h"
#include "RAWSearch/Framework/CRawFileInfo.h"

namespace {

constexpr unsigned kSectorSize = 512;
constexpr std::size_t kMaxSectors = 64;
// The search keeps this many zero bytes behind its block.
constexpr std::size_t kZeroTail = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const long long perBlock = 1 + data[0] % 16;
  std::vector<std::uint8_t> content(data + 1, data + std::min(size, 1 + kMaxSectors * kSectorSize));
  const auto sectors = static_cast<long long>((content.size() + kSectorSize - 1) / kSectorSize);
  content.resize(static_cast<std::size_t>(sectors) * kSectorSize);
  std::vector<std::uint8_t> buffer(content);
  buffer.resize(buffer.size() + kZeroTail, 0);

  BruteForce::MovAnalyzer mov;
  BruteForce::Mp4Analyzer mp4;
  BruteForce::C3GPAnalyser gp;
  for (IRawFileAnalyser* analyser : {static_cast<IRawFileAnalyser*>(&mov), static_cast<IRawFileAnalyser*>(&mp4),
                                     static_cast<IRawFileAnalyser*>(&gp)}) {
    CRawFileInfo scratch;
    if (analyser->AnalyseBuffer(buffer.data(), scratch) != 1) continue;
    std::unique_ptr<CRawFileInfo> record(analyser->CreateRawFileInfo());
    record->m_uRawFileType = scratch.m_uRawFileType;
    record->m_pAnalyser = analyser;
    FuzzGrowRecord(*record, buffer.data(), sectors, perBlock, kSectorSize);
    if (record->m_ullSize > BruteForce::MovAnalyzer::kSizeCap) std::abort();

    record->WillBeRemove(nullptr, -1);
    if (record->m_ullSize > BruteForce::MovAnalyzer::kSizeCap) std::abort();
    FuzzBytesDevice device(content, kSectorSize);
    if (record->m_pAnalyser && record->m_ullSize == 0) record->m_pAnalyser->GetRawFileSize(*record, &device);
    if (record->m_ullSize > std::max(BruteForce::MovAnalyzer::kSizeCap, FileMP4Analyser::kSizeCap)) std::abort();
    break;
  }
  return 0;
}
