// The plain analysers on arbitrary content: the header test on the first sector (followed in memory
// by zeros, as in the search buffer) and, when it claims without a size, the measurement through the
// read window on an in-memory device. The shared validators see the same bytes. Invariants: no
// measurement passes its member's cap, and every walk ends.
//
// Input: byte 0 picks the member (low 5 bits) and the sector size (bit 5), byte 1 the start sector
// of the hit, then the device's content (at most 64 sectors).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "FuzzBytesDevice.h"
#include "RAWSearch/Formats/Archive/FileCABAnalyser.h"
#include "RAWSearch/Formats/Archive/FileGZAnalyser.h"
#include "RAWSearch/Formats/Archive/FileLZHAnalyser.h"
#include "RAWSearch/Formats/Audio/FileAUAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMP3Analyser.h"
#include "RAWSearch/Formats/Document/FileCHMAnalyser.h"
#include "RAWSearch/Formats/Document/FileEMLXAnalyser.h"
#include "RAWSearch/Formats/Document/FileHLPAnalyser.h"
#include "RAWSearch/Formats/Document/FileHTMAnalyser.h"
#include "RAWSearch/Formats/Document/FileLowDocAnalyser.h"
#include "RAWSearch/Formats/Document/FileMDBAnalyser.h"
#include "RAWSearch/Formats/Document/FileMNYAnalyser.h"
#include "RAWSearch/Formats/Image/FileBMPAnalyser.h"
#include "RAWSearch/Formats/Image/FileCPTAnalyser.h"
#include "RAWSearch/Formats/Image/FileCRWAnalyser.h"
#include "RAWSearch/Formats/Image/FileEMFAnalyser.h"
#include "RAWSearch/Formats/Image/FileICNSAnalyser.h"
#include "RAWSearch/Formats/Image/FileICOAnalyser.h"
#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
#include "RAWSearch/Framework/CMPAHeader.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/RawFileBuffer.h"
#include "RAWSearch/Framework/classRarSearch.h"

namespace {

struct Member {
  std::function<std::unique_ptr<CPlainRawFileAnalyser>()> make;
  std::uint64_t cap;  // the largest size a measurement may give
};

// The analyser's own cap, plus what its walk may overshoot it by.
template <typename T>
Member Of(std::uint64_t overshoot = 0) {
  return {[] { return std::make_unique<T>(); }, T::kSizeCap + overshoot};
}

const std::vector<Member>& Members() {
  // Walks that step by sectors or records may end one record or sector behind the cap.
  constexpr std::uint64_t kSector = 4096;
  static const std::vector<Member> members = {
      Of<FileICNSAnalyser>(),         Of<FileEMLXAnalyser>(),        Of<FileAUAnalyser>(),
      Of<FileBMPAnalyser>(),          Of<FileCABAnalyser>(),         Of<FileCHMAnalyser>(),
      Of<FileCPTAnalyser>(),          Of<FileCRWAnalyser>(2 * kSector), Of<FileEMFAnalyser>(),
      Of<FileGZAnalyser>(kSector),    Of<FileHLPAnalyser>(),         Of<FileHTMAnalyser>(2 * kSector),
      Of<FileICOAnalyser>(),          Of<FileLowDocAnalyser>(),      Of<FileLZHAnalyser>(kSector),
      Of<FileMDBAnalyser>(),          Of<FileMIDAnalyser>(kSector),  Of<FileMNYAnalyser>(),
      Of<FileMP4Analyser>(),          Of<FileMP3Analyser>(),
  };
  return members;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const Member& member = Members()[data[0] % 32 % Members().size()];
  const unsigned sectorSize = (data[0] & 0x20) ? 4096 : 512;
  std::vector<std::uint8_t> content(data + 2, data + std::min<std::size_t>(size, 2 + 64 * std::size_t{sectorSize}));
  const std::size_t sectors = (content.size() + sectorSize - 1) / sectorSize;
  if (sectors == 0) return 0;
  content.resize(sectors * sectorSize);
  const long long start = data[1] % static_cast<long long>(sectors);

  RawFileBuffer::ResetSharedWindow();
  // The sector as the search shows it: the rest of the block behind it, then 4096 zero bytes.
  std::vector<unsigned char> buffer(content.begin() + start * sectorSize, content.end());
  buffer.resize(buffer.size() + 4096, 0);

  auto analyser = member.make();
  CRawFileInfo hit;
  if (analyser->AnalyseBuffer(buffer.data(), hit) == 1 && hit.m_ullSize == 0) {
    hit.m_llStartSector = start;
    FuzzBytesDevice device(content, sectorSize);
    analyser->GetRawFileSize(hit, &device);
    if (hit.m_ullSize > member.cap) std::abort();
  }

  CMPAHeader header;
  if (header.Init(buffer.data()) && header.CalcFrameSize() > 8065) std::abort();
  unsigned low = 0, high = 0;
  // A header of at most 0xFFFF bytes plus a 32-bit added size.
  if (classRarSearch::GetBlockSize(buffer.data(), static_cast<int>(sectorSize), &low, &high) && high > 1) std::abort();
  return 0;
}
