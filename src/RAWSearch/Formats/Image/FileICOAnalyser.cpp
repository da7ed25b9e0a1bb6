#include "RAWSearch/Formats/Image/FileICOAnalyser.h"

namespace {

constexpr std::uint16_t kIcon = 1;
constexpr std::uint16_t kCursor = 2;
constexpr std::uint16_t kMaxEntries = 16;
constexpr std::size_t kDirectoryStart = 6;
constexpr std::size_t kEntryBytes = 16;
constexpr std::uint16_t kMaxPlanesOrBits = 256;
constexpr std::uint32_t kMaxImageField = 0xA00000;

}  // namespace

int FileICOAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  const std::uint16_t kind = fields.le16(2);
  const std::uint16_t count = fields.le16(4);
  if ((kind != kIcon && kind != kCursor) || count < 1 || count > kMaxEntries) return 0;
  std::uint64_t length = kDirectoryStart;
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t entry = kDirectoryStart + kEntryBytes * k;
    const std::uint32_t imageBytes = fields.le32(entry + 8);
    if (fields.u8(entry + 3) != 0 || fields.le16(entry + 6) > kMaxPlanesOrBits || imageBytes > kMaxImageField ||
        fields.le32(entry + 12) > kMaxImageField)
      return 0;
    length += kEntryBytes + imageBytes;
  }
  if (!fields.ok() || length > kSizeCap) return 0;
  return Claim(hit, kind == kIcon ? RAW_FILE_TYPE_ICO : RAW_FILE_TYPE_CUR, length);
}
