#include "RAWSearch/Formats/Image/FileICNSAnalyser.h"

int FileICNSAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  const std::uint32_t length = quellsy::be32(sector, 4).value_or(0);
  if (length < 1 || length > kSizeCap) return 0;
  return Claim(hit, length);
}
