// The archive, media, image and document analysers on arbitrary content: every one of them tests the
// first sector (followed in memory by zeros, as in the search buffer) and, when it claims without a
// size, measures through the read window on an in-memory device. Invariants: no measurement passes its
// member's cap by more than the sector its walk may end in, and every walk ends.
//
// Input: byte 0 picks the sector size (bit 0), byte 1 the start sector of the hit, then the device's
// content (at most 64 sectors).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "FuzzBytesDevice.h"
#include "RAWSearch/Formats/Archive/FileDMGAnalyser.h"
#include "RAWSearch/Formats/Archive/FilePKGAnalyser.h"
#include "RAWSearch/Formats/Archive/FileRARAnalyser.h"
#include "RAWSearch/Formats/Archive/FileSITAnalyser.h"
#include "RAWSearch/Formats/Archive/FileTARAnalyser.h"
#include "RAWSearch/Formats/Audio/CFileAIFAnalyzer.h"
#include "RAWSearch/Formats/Audio/CFileOggAnalyser.h"
#include "RAWSearch/Formats/Audio/FileRIFFAnalyser.h"
#include "RAWSearch/Formats/Document/FileITLAnalyser.h"
#include "RAWSearch/Formats/Document/FileMboxAnalyser.h"
#include "RAWSearch/Formats/Document/FileONEAnalyser.h"
#include "RAWSearch/Formats/Document/FilePSTAnalyser.h"
#include "RAWSearch/Formats/Document/FileRTFAnalyser.h"
#include "RAWSearch/Formats/Document/FileTTFAnalyser.h"
#include "RAWSearch/Formats/Document/FileUnicodeHTMAnalyser.h"
#include "RAWSearch/Formats/Document/FileWPDAnalyser.h"
#include "RAWSearch/Formats/Image/File3DSAnalyser.h"
#include "RAWSearch/Formats/Image/FileMRWAnalyser.h"
#include "RAWSearch/Formats/Image/FilePNGAnalyser.h"
#include "RAWSearch/Formats/Image/FilePSDAnalyser.h"
#include "RAWSearch/Formats/Image/FilePSPAnalyser.h"
#include "RAWSearch/Formats/Image/FileSVGAnalyser.h"
#include "RAWSearch/Formats/Image/FileWMFAnalyser.h"
#include "RAWSearch/Formats/Image/FileX3FAnalyser.h"
#include "RAWSearch/Formats/Video/FileFLVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMKVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMPGAnalyser.h"
#include "RAWSearch/Formats/Video/FileRM_RMVBAnalyser.h"
#include "RAWSearch/Formats/Video/FileSWFAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/RawFileBuffer.h"

namespace {

struct Member {
  std::function<std::unique_ptr<CPlainRawFileAnalyser>()> make;
  std::uint64_t cap;  // the largest size a measurement may give
};

// End-mark scans may end a sector (and the mark's tail) past their cap.
constexpr std::uint64_t kOvershoot = 4096 + 128;

template <typename T>
Member Of() {
  return {[] { return std::make_unique<T>(); }, T::kSizeCap + kOvershoot};
}

const std::vector<Member>& Members() {
  static const std::vector<Member> members = {
      Of<FileDMGAnalyser>(),  Of<FilePKGAnalyser>(),        Of<FileRARAnalyser>(),     Of<FileSITAnalyser>(),
      Of<FileTARAnalyser>(),  Of<CFileAIFAnalyzer>(),       Of<CFileOggAnalyser>(),    Of<FileRIFFAnalyser>(),
      Of<FileITLAnalyser>(),  Of<FileMboxAnalyser>(),       Of<FileONEAnalyser>(),     Of<FilePSTAnalyser>(),
      Of<FileRTFAnalyser>(),  Of<FileTTFAnalyser>(),        Of<FileUnicodeHTMAnalyser>(), Of<FileWPDAnalyser>(),
      Of<File3DSAnalyser>(),  Of<FileMRWAnalyser>(),        Of<FilePNGAnalyser>(),     Of<FilePSDAnalyser>(),
      Of<FilePSPAnalyser>(),  Of<FileSVGAnalyser>(),        Of<FileWMFAnalyser>(),     Of<FileX3FAnalyser>(),
      Of<FileFLVAnalyser>(),  Of<FileMKVAnalyser>(),        Of<FileMPGAnalyser>(),     Of<FileRM_RMVBAnalyser>(),
      Of<FileSWFAnalyser>(),
  };
  return members;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned sectorSize = (data[0] & 1) ? 4096 : 512;
  std::vector<std::uint8_t> content(data + 2, data + std::min<std::size_t>(size, 2 + 64 * std::size_t{sectorSize}));
  const std::size_t sectors = (content.size() + sectorSize - 1) / sectorSize;
  if (sectors == 0) return 0;
  content.resize(sectors * sectorSize);
  const long long start = data[1] % static_cast<long long>(sectors);

  // The sector as the search shows it: the rest of the block behind it, then 4096 zero bytes.
  std::vector<unsigned char> buffer(content.begin() + start * sectorSize, content.end());
  buffer.resize(buffer.size() + 4096, 0);
  FuzzBytesDevice device(content, sectorSize);

  for (const Member& member : Members()) {
    RawFileBuffer::ResetSharedWindow();
    auto analyser = member.make();
    CRawFileInfo hit;
    if (analyser->AnalyseBuffer(buffer.data(), hit) != 1) continue;
    if (hit.m_ullSize == 0) {
      hit.m_llStartSector = start;
      analyser->GetRawFileSize(hit, &device);
    }
    if (hit.m_ullSize > member.cap) std::abort();
  }
  return 0;
}
