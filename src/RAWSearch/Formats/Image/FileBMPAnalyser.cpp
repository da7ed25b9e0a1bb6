#include "RAWSearch/Formats/Image/FileBMPAnalyser.h"

namespace {
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kV5Header = 124;
}  // namespace

int FileBMPAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  const std::uint32_t infoSize = fields.le32(14);
  if (fields.le16(6) != 0 || fields.le16(8) != 0 || (infoSize != kInfoHeader && infoSize != kV5Header)) return 0;
  return Claim(hit, fields.le32(2));
}
