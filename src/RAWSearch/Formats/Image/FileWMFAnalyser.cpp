#include "RAWSearch/Formats/Image/FileWMFAnalyser.h"

#include <string_view>

namespace {

// A metafile on disk (type 1) with its 9-word header, as one little-endian word.
constexpr std::uint32_t kMetaHeader = 0x00090001;
constexpr std::uint64_t kPlaceableHeader = 22;
constexpr std::size_t kChecksumWords = 10;

std::uint64_t Words(std::uint32_t count) { return 2 * std::uint64_t{count}; }

}  // namespace

int FileWMFAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  using namespace std::string_view_literals;
  quellsy::FieldReader fields(sector);
  if (fields.le32(0) == kMetaHeader && fields.le16(16) == 0) {
    const std::uint64_t size = Words(fields.le32(6));
    return size ? Claim(hit, size) : 0;
  }
  if (!HasText(sector, 0, "\xD7\xCD\xC6\x9A\0\0"sv)) return 0;
  std::uint16_t checksum = 0;
  for (std::size_t i = 0; i < kChecksumWords; ++i) checksum ^= fields.le16(2 * i);
  if (checksum != fields.le16(20) || fields.le16(4) != 0 || fields.le32(16) != 0 ||
      fields.le32(kPlaceableHeader) != kMetaHeader || fields.le16(38) != 0)
    return 0;
  return Claim(hit, Words(fields.le32(28)) + kPlaceableHeader);
}
