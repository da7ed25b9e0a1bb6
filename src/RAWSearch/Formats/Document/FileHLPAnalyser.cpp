#include "RAWSearch/Formats/Document/FileHLPAnalyser.h"

namespace {
constexpr std::uint32_t kMinLength = 512;
}

int FileHLPAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  const std::uint32_t length = fields.le32(12);
  // The directory starts inside the file.
  if (length < kMinLength || length < fields.le32(4)) return 0;
  return Claim(hit, length);
}
