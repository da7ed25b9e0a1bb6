#include "RAWSearch/FileICNSAnalyser.h"

namespace {
constexpr std::uint32_t kMaxLength = 0xA66666;
}

int FileICNSAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  const std::uint32_t length = quellsy::be32(sector, 4).value_or(0);
  if (length < 1 || length > kMaxLength) return 0;
  return Claim(hit, length);
}
