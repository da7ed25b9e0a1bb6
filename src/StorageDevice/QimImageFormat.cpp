#include "StorageDevice/QimImageFormat.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "Platform/BlockDevice.h"
#include "StorageDevice/FixedText.h"
#include "Utility/CatchExeception.h"

namespace quellsy {
namespace {

constexpr std::size_t kSectorSizeAt = 0;
constexpr std::size_t kSectorCountAt = 8;
constexpr std::size_t kDataOffsetAt = 16;
constexpr std::size_t kEndOffsetAt = 24;
constexpr std::size_t kDeviceNameAt = 32;
constexpr std::size_t kImagePathAt = 160;
constexpr std::size_t kCreationTimeAt = 1184;

}  // namespace

bool ReadQimRecord(ByteSpan bytes, CQIMDeviceInfoStruct& out) {
  if (bytes.size() < kQimRecordSize) return false;
  FieldReader fields(bytes);
  out.sectorSize = fields.le64(kSectorSizeAt);
  out.sectorCount = fields.le64(kSectorCountAt);
  out.dataOffset = fields.le64(kDataOffsetAt);
  out.endOffset = fields.le64(kEndOffsetAt);
  LoadText(fields.bytes(kDeviceNameAt, sizeof out.deviceName), out.deviceName);
  LoadText(fields.bytes(kImagePathAt, sizeof out.imagePath), out.imagePath);
  out.creationTime = fields.le64(kCreationTimeAt);
  return fields.ok();
}

bool WriteQimRecord(const CQIMDeviceInfoStruct& record, MutableByteSpan out) {
  if (out.size() < kQimRecordSize) return false;
  FieldWriter fields(out.first(kQimRecordSize));
  fields.le64(kSectorSizeAt, record.sectorSize);
  fields.le64(kSectorCountAt, record.sectorCount);
  fields.le64(kDataOffsetAt, record.dataOffset);
  fields.le64(kEndOffsetAt, record.endOffset);
  SaveText(record.deviceName, out.subspan(kDeviceNameAt, sizeof record.deviceName));
  SaveText(record.imagePath, out.subspan(kImagePathAt, sizeof record.imagePath));
  fields.le64(kCreationTimeAt, record.creationTime);
  return fields.ok();
}

std::uint64_t QimDataOffset(std::uint64_t sectorSize) {
  if (sectorSize == 0) return 0;
  return ((kQimHeadSize + kQimRecordSize) / sectorSize + 1) * sectorSize;
}

std::vector<std::uint8_t> EncodeQimHead(const CQIMDeviceInfoStruct& record) {
  const std::size_t size =
      std::max<std::size_t>(kQimHeadSize + kQimRecordSize, static_cast<std::size_t>(record.dataOffset));
  std::vector<std::uint8_t> head(size, 0);
  std::copy(std::begin(kQimMagic), std::end(kQimMagic), head.begin());
  FieldWriter(head).le32(4, static_cast<std::uint32_t>(kQimRecordSize));
  WriteQimRecord(record, MutableByteSpan(head).subspan(kQimHeadSize));
  return head;
}

bool SameQimImage(const CQIMDeviceInfoStruct& a, const CQIMDeviceInfoStruct& b) {
  return a.sectorSize == b.sectorSize && a.sectorCount == b.sectorCount && a.endOffset == b.endOffset &&
         a.dataOffset == b.dataOffset && a.creationTime == b.creationTime &&
         std::strncmp(a.deviceName, b.deviceName, sizeof a.deviceName) == 0;
}

ImageRecordCheck ParseQimHead(ByteSpan fileStart, std::uint64_t fileSize, CQIMDeviceInfoStruct& out) {
  FieldReader head(fileStart);
  const ByteSpan magic = head.bytes(0, sizeof kQimMagic);
  const std::uint32_t recordLength = head.le32(4);
  if (!head.ok()) return ImageRecordCheck::kShortHead;
  if (!std::equal(magic.begin(), magic.end(), std::begin(kQimMagic))) return ImageRecordCheck::kBadMagic;
  if (recordLength != kQimRecordSize) return ImageRecordCheck::kBadRecordLength;
  CQIMDeviceInfoStruct record;
  if (!ReadQimRecord(fileStart.subspan(kQimHeadSize), record)) return ImageRecordCheck::kShortRecord;
  if (record.endOffset != fileSize) return ImageRecordCheck::kSizeMismatch;
  if (const auto check = CheckImageGeometry(record.sectorSize, record.sectorCount, record.dataOffset, fileSize);
      check != ImageRecordCheck::kOk)
    return check;
  out = record;
  return ImageRecordCheck::kOk;
}

}  // namespace quellsy

int KdFillQimFileInfo(CQIMDeviceInfoStruct* out, const char* path) {
  using namespace quellsy;
  if (!out || !path) return -1;
  const int fd = platform::OpenReadOnly(path);
  if (fd < 0) return -1;
  std::uint8_t start[kQimHeadSize + kQimRecordSize] = {};
  std::size_t got = 0;
  while (got < sizeof start) {
    const ssize_t n = pread(fd, start + got, sizeof start - got, static_cast<off_t>(got));
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  const auto fileSize = platform::QuerySizeInBytes(fd);
  close(fd);

  const auto check = fileSize ? ParseQimHead(ByteSpan(start, got), *fileSize, *out) : ImageRecordCheck::kShortHead;
  if (check != ImageRecordCheck::kOk) {
    CatchExeception::WriteLog("qim image %s refused: %s\r\n", path, DescribeImageRecordCheck(check));
    return -1;
  }
  StoreText(out->imagePath, path);
  return 0;
}
