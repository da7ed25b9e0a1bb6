#include "RAWSearch/Formats/Archive/FileCABAnalyser.h"

namespace {
constexpr std::uint16_t kVersion13 = 0x0103;
}

int FileCABAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  const std::uint32_t length = fields.le32(8);
  if (fields.le32(4) != 0 || fields.le32(12) != 0 || fields.le32(20) != 0 || fields.le16(24) != kVersion13 ||
      length == 0)
    return 0;
  return Claim(hit, length);
}
