#include "RAWSearch/Formats/Document/FileCHMAnalyser.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::uint32_t kHeaderLength = 0x60;
constexpr std::uint32_t kSection0Mark = 0x1FE;
constexpr std::array<std::uint8_t, 16> kDirectoryGuid = {0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                                         0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
constexpr std::array<std::uint8_t, 16> kStreamGuid = {0x11, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                                      0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};

bool HasBytes(quellsy::FieldReader& fields, std::size_t offset, const std::array<std::uint8_t, 16>& expected) {
  const quellsy::ByteSpan bytes = fields.bytes(offset, expected.size());
  return fields.ok() && std::equal(bytes.begin(), bytes.end(), expected.begin());
}

}  // namespace

int FileCHMAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  if (fields.le32(8) != kHeaderLength || !HasBytes(fields, 24, kDirectoryGuid) || !HasBytes(fields, 40, kStreamGuid) ||
      fields.le32(96) != kSection0Mark || fields.le32(112) != 0 || fields.le32(116) != 0)
    return 0;
  return Claim(hit, fields.le64(104));
}
