#include "RAWSearch/Formats/Document/FileMNYAnalyser.h"

int FileMNYAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 4, "MSISAM Database")) return 0;
  return Claim(hit, kSizeCap);
}
