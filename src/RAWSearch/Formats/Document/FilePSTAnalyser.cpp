#include "RAWSearch/Formats/Document/FilePSTAnalyser.h"

namespace {

constexpr std::size_t kVersionAt = 10;
constexpr std::uint8_t kUnicode = 23;
constexpr std::uint8_t kAnsi = 14;
// The file's end in the root structure: 64 bits in Unicode files, 32 in ANSI ones.
constexpr std::size_t kUnicodeEnd = 184;
constexpr std::size_t kAnsiEnd = 168;
// Other versions are taken at this length.
constexpr std::uint64_t kOtherLength = 0x100000;

}  // namespace

int FilePSTAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "!BDN")) return 0;
  quellsy::FieldReader fields(sector);
  std::uint64_t size = kOtherLength;
  if (fields.u8(kVersionAt) == kUnicode) size = fields.le64(kUnicodeEnd);
  if (fields.u8(kVersionAt) == kAnsi) size = fields.le32(kAnsiEnd);
  if (size == 0 || size > kSizeCap) return 0;
  return Claim(hit, size);
}
