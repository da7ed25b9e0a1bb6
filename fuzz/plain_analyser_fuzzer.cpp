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
#include "RAWSearch/CMPAHeader.h"
#include "RAWSearch/CPlainRawFileAnalyser.h"
#include "RAWSearch/CRawFileInfo.h"
#include "RAWSearch/FileAUAnalyser.h"
#include "RAWSearch/FileBMPAnalyser.h"
#include "RAWSearch/FileCABAnalyser.h"
#include "RAWSearch/FileCHMAnalyser.h"
#include "RAWSearch/FileCPTAnalyser.h"
#include "RAWSearch/FileCRWAnalyser.h"
#include "RAWSearch/FileEMFAnalyser.h"
#include "RAWSearch/FileEMLXAnalyser.h"
#include "RAWSearch/FileGZAnalyser.h"
#include "RAWSearch/FileHLPAnalyser.h"
#include "RAWSearch/FileHTMAnalyser.h"
#include "RAWSearch/FileICNSAnalyser.h"
#include "RAWSearch/FileICOAnalyser.h"
#include "RAWSearch/FileLZHAnalyser.h"
#include "RAWSearch/FileLowDocAnalyser.h"
#include "RAWSearch/FileMDBAnalyser.h"
#include "RAWSearch/FileMIDAnalyser.h"
#include "RAWSearch/FileMNYAnalyser.h"
#include "RAWSearch/FileMP4Analyser.h"
#include "RAWSearch/RawSearchState.h"
#include "RAWSearch/classRarSearch.h"

namespace {

struct Member {
  std::function<std::unique_ptr<CPlainRawFileAnalyser>()> make;
  std::uint64_t cap;  // the largest size a measurement may give
};

template <typename T>
Member Of(std::uint64_t cap) {
  return {[] { return std::make_unique<T>(); }, cap};
}

const std::vector<Member>& Members() {
  // Walks that step by sectors or records may end one record or sector behind the cap.
  static const std::vector<Member> members = {
      Of<FileICNSAnalyser>(0xA66666),        Of<FileEMLXAnalyser>(9999999999ull + 402),
      Of<FileAUAnalyser>(0x1FFFFFFFEull),    Of<FileBMPAnalyser>(0xFFFFFFFF),
      Of<FileCABAnalyser>(0xFFFFFFFF),       Of<FileCHMAnalyser>(UINT64_MAX),
      Of<FileCPTAnalyser>(0x1FFFFFFFEull),   Of<FileCRWAnalyser>(0x3200000 + 2 * 4096),
      Of<FileEMFAnalyser>(0xFFFFFFFF),       Of<FileGZAnalyser>(0xD000000 + 4096),
      Of<FileHLPAnalyser>(0xFFFFFFFF),       Of<FileHTMAnalyser>(0x100000 + 2 * 4096),
      Of<FileICOAnalyser>(0x100000),         Of<FileLowDocAnalyser>(0x100010000ull),
      Of<FileLZHAnalyser>(0xD000000 + 4096), Of<FileMDBAnalyser>(0x6400000),
      Of<FileMIDAnalyser>(0xD000000 + 4096), Of<FileMNYAnalyser>(0x100000),
      Of<FileMP4Analyser>(0xFFFFFFFF),
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

  ResetRawSearchState();
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
