// The EXIF reader and the JPEG analysers on arbitrary content. The reader sees the bytes as an
// Exif block and, behind an "Exif" header, as TIFF data; the growing JPEG analyser tests the first
// sector and grows a record over a search buffer laid out as the search lays it out; the plain JPEG
// analyser measures the same bytes through the read window. Invariants: every walk ends, sizes keep
// to their caps, heap copies of Exif values are the caller's and are freed.
//
// Input: byte 0 holds the Exif copy flags (bits 1-3), then the content (at most 64 sectors of 512).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzBytesDevice.h"
#include "FuzzSearchContext.h"
#include "RAWSearch/Formats/Image/FileJPGAnalyser.h"
#include "RAWSearch/Formats/Image/JpegAnalyzer.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/RawFileBuffer.h"
#include "RAWSearch/Metadata/ExifReader.h"

namespace {

constexpr unsigned kSectorSize = 512;
constexpr std::size_t kMaxSectors = 64;
// The search keeps this many zero bytes behind its block.
constexpr std::size_t kZeroTail = 4096;

void ReadExif(const std::vector<std::uint8_t>& block, std::uint8_t copyFlags) {
  tag_ExifInfo info{};
  info.CopyFlags = copyFlags;
  SetExitInfo(&info);
  EXIF_process_EXIF(block.data(), 0, block.data(), static_cast<unsigned>(block.size()));
  SetExitInfo(nullptr);
  if (copyFlags & tag_ExifInfo::kCopyThumbnail) delete[] info.Thumbnail.copy;
  if (copyFlags & tag_ExifInfo::kCopyUserComment) delete[] info.UserComment.copy;
  if (copyFlags & tag_ExifInfo::kCopyMakerNote) delete[] info.MakerNote.copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto copyFlags = static_cast<std::uint8_t>(data[0] & 0x0E);
  std::vector<std::uint8_t> content(data + 1, data + std::min(size, 1 + kMaxSectors * kSectorSize));

  RawFileBuffer::ResetSharedWindow();
  ResetExifReaderState();
  ReadExif(content, copyFlags);
  std::vector<std::uint8_t> tiffBlock = {'E', 'x', 'i', 'f', 0, 0};
  tiffBlock.insert(tiffBlock.end(), content.begin(), content.end());
  ReadExif(tiffBlock, copyFlags);

  const std::size_t sectors = (content.size() + kSectorSize - 1) / kSectorSize;
  content.resize(sectors * kSectorSize);
  std::vector<std::uint8_t> buffer(content);
  buffer.resize(buffer.size() + kZeroTail, 0);
  const auto blockEnd = static_cast<long long>(sectors);

  BruteForce::JpegAnalyzer analyser;
  CRawFileInfo scratch;
  analyser.AnalyseBufferEx(buffer.data(), scratch, kSectorSize, 0, 0, blockEnd);
  analyser.AnalyseBuffer(buffer.data(), scratch);
  std::unique_ptr<CRawFileInfo> record(analyser.CreateRawFileInfo());
  record->m_pAnalyser = &analyser;
  int result = 2;
  for (long long n = 0; n < blockEnd && result != 1; ++n) {
    CRawFileInfo::SearchContext context;
    context.llBlockEndSector = blockEnd;
    std::uint8_t* sector = buffer.data() + n * kSectorSize;
    context.uTrailingZeroBytes = FuzzTrailingZeroBytes(sector, kSectorSize);
    result = record->CalcRawSize(sector, kSectorSize, n, context);
  }
  if (record->m_ullSize > static_cast<std::uint64_t>(BruteForce::JpegAnalyzer::kSizeCap)) std::abort();

  // The record leaves without an end: the plain analyser measures it from the device.
  record->m_ullSize = 0;
  record->WillBeRemove(nullptr, -1);
  FuzzBytesDevice device(content, kSectorSize);
  if (record->m_pAnalyser) record->m_pAnalyser->GetRawFileSize(*record, &device);
  // The plain analyser's cap, overshot by at most one sector of the end search.
  if (record->m_ullSize > FileJPGAnalyser::kSizeCap + kSectorSize) std::abort();

  FileJPGAnalyser plain;
  CRawFileInfo hit;
  if (plain.AnalyseBuffer(content.data(), hit) == 1) plain.GetRawFileSize(hit, &device);
  return 0;
}
