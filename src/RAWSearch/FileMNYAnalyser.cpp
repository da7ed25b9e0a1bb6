#include "RAWSearch/FileMNYAnalyser.h"

namespace {
constexpr std::uint64_t kFixedLength = 0x100000;
}

int FileMNYAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 4, "MSISAM Database")) return 0;
  return Claim(hit, kFixedLength);
}
