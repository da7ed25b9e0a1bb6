#include "StorageDevice/DmgRecordFormat.h"

#include <algorithm>
#include <array>

#include "StorageDevice/FixedText.h"

namespace quellsy {
namespace {
constexpr std::size_t kSectorSizeAt = 0;
constexpr std::size_t kSectorCountAt = 8;
constexpr std::size_t kDataOffsetAt = 16;
constexpr std::size_t kFileSizeAt = 24;
constexpr std::size_t kNameAt = 32;
constexpr std::size_t kImagePathAt = 1056;
}  // namespace

void ReadDmgRecord(ByteSpan bytes, CDMGDeviceInfoStruct& out) {
  std::array<std::uint8_t, kDmgRecordSize> padded{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), padded.size()), padded.begin());
  FieldReader fields(padded);
  out.sectorSize = fields.le64(kSectorSizeAt);
  out.sectorCount = fields.le64(kSectorCountAt);
  out.dataOffset = fields.le64(kDataOffsetAt);
  out.fileSize = fields.le64(kFileSizeAt);
  LoadText(fields.bytes(kNameAt, sizeof out.name), out.name);
  LoadText(fields.bytes(kImagePathAt, sizeof out.imagePath), out.imagePath);
}

bool WriteDmgRecord(const CDMGDeviceInfoStruct& record, MutableByteSpan out) {
  if (out.size() < kDmgRecordSize) return false;
  FieldWriter fields(out.first(kDmgRecordSize));
  fields.le64(kSectorSizeAt, record.sectorSize);
  fields.le64(kSectorCountAt, record.sectorCount);
  fields.le64(kDataOffsetAt, record.dataOffset);
  fields.le64(kFileSizeAt, record.fileSize);
  SaveText(record.name, out.subspan(kNameAt, sizeof record.name));
  SaveText(record.imagePath, out.subspan(kImagePathAt, sizeof record.imagePath));
  return fields.ok();
}

}  // namespace quellsy
