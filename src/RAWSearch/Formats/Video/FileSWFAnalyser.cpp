#include "RAWSearch/Formats/Video/FileSWFAnalyser.h"

namespace {

constexpr std::uint8_t kLatestVersion = 32;
// Packed movies appeared with version 6.
constexpr std::uint8_t kFirstPackedVersion = 6;
constexpr std::uint64_t kPackedExtra = 8;

}  // namespace

int FileSWFAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  const bool plain = HasText(sector, 0, "FWS");
  const bool packed = HasText(sector, 0, "CWS");
  quellsy::FieldReader fields(sector);
  const std::uint8_t version = fields.u8(3);
  const std::uint32_t length = fields.le32(4);
  if ((!plain && !packed) || version > kLatestVersion || length == 0) return 0;
  if (plain) return Claim(hit, length);
  if (version < kFirstPackedVersion) return 0;
  return Claim(hit, length + kPackedExtra);
}
