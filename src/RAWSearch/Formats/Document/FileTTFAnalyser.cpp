#include "RAWSearch/Formats/Document/FileTTFAnalyser.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr std::size_t kTableCountAt = 4;
constexpr std::size_t kMaxTables = 31;
constexpr std::size_t kDirectoryAt = 12;
constexpr std::size_t kRecordBytes = 16;
constexpr std::size_t kLengthInRecord = 12;
constexpr std::array<std::string_view, 25> kKnownTags = {
    "DSIG", "cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post", "OS/2", "cvt ", "EBDT",
    "EBLC", "EBSC", "fpgm", "gasp", "hdmx", "kern", "LTSH", "prep", "PCLT", "VDMX", "vhea", "vmtx"};

}  // namespace

// The tables lie one after the other behind their directory, each padded to 4 bytes. At least half of
// them must carry a known tag.
int FileTTFAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  const std::size_t tables = fields.be16(kTableCountAt);
  if (tables == 0 || tables > kMaxTables) return 0;
  std::uint64_t size = kDirectoryAt + kRecordBytes * tables;
  std::size_t known = 0;
  for (std::size_t i = 0; i < tables; ++i) {
    const std::size_t record = kDirectoryAt + kRecordBytes * i;
    if (std::any_of(kKnownTags.begin(), kKnownTags.end(), [&](std::string_view tag) { return HasText(sector, record, tag); }))
      ++known;
    size += (std::uint64_t{fields.be32(record + kLengthInRecord)} + 3) / 4 * 4;
  }
  if (!fields.ok() || 2 * known < tables) return 0;
  return Claim(hit, size);
}
