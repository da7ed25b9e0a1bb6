#include "RAWSearch/Formats/Document/FileITLAnalyser.h"

int FileITLAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  const std::uint32_t size = fields.be32(8);
  if (!HasText(sector, 0, "hdfm") || size == 0) return 0;
  return Claim(hit, size);
}
