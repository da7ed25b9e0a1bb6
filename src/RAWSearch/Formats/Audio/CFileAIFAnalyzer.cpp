#include "RAWSearch/Formats/Audio/CFileAIFAnalyzer.h"

int CFileAIFAnalyzer::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "FORM") || !HasText(sector, 8, "AIF")) return 0;
  return Claim(hit, std::uint64_t{quellsy::FieldReader(sector).be32(4)} + 8);
}
