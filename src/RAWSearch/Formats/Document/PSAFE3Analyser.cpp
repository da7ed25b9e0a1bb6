#include "RAWSearch/Formats/Document/PSAFE3Analyser.h"

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

constexpr long long kMinimum = 20;

}  // namespace

PSAFE3Analyser::PSAFE3Analyser() : CStreamingAnalyser(RAW_FILE_TYPE_PSAFE3, nullptr) {}

int PSAFE3Analyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, CPlainRawFileAnalyser::kTestBytes);
  if (!CPlainRawFileAnalyser::HasText(bytes, 0, "PWS3", true) && !CPlainRawFileAnalyser::HasText(bytes, 3, "PWS3", true))
    return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

std::optional<IRawFileAnalyser::Anchor> PSAFE3Analyser::ClaimAnchor() const {
  // Bit 5 is the case bit of the letters; the digit keeps it too.
  constexpr std::uint32_t kCaseless = 0xDFDFDFDF;
  constexpr std::uint32_t kMark = 'P' | 'W' << 8 | 'S' << 16 | ('3' & 0xDF) << 24;
  return Anchor{3, kMark, kCaseless};
}

CRawFileInfo* PSAFE3Analyser::CreateRawFileInfo() { return new PSAFE3RawFileInfo(); }

PSAFE3Analyser::PSAFE3RawFileInfo::PSAFE3RawFileInfo()
    : CStreamingZeroTailRawFileInfo(RAW_FILE_TYPE_PSAFE3, nullptr, kMinimum, 0, kSizeCap) {}

}  // namespace RawSpeed
