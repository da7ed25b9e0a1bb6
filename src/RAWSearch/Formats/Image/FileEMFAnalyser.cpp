#include "RAWSearch/Formats/Image/FileEMFAnalyser.h"

namespace {
constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kSignatureOffset = 40;
}  // namespace

std::optional<IRawFileAnalyser::Anchor> FileEMFAnalyser::ClaimAnchor() const {
  return Anchor{kSignatureOffset, kSignature};
}

int FileEMFAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  const std::uint32_t length = fields.le32(48);
  if (fields.le32(kSignatureOffset) != kSignature || fields.le16(58) != 0 || length == 0) return 0;
  return Claim(hit, length);
}
