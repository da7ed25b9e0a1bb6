#include "RAWSearch/Formats/Document/PSAFE3Analyser.h"

#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

constexpr long long kMinimum = 20;
// The end block, then the HMAC of the records.
constexpr std::string_view kEndBlock = "PWS3-EOFPWS3-EOF";
constexpr std::uint64_t kHmacBytes = 32;
const MarkForm kEndForms[] = {{{reinterpret_cast<const std::uint8_t*>(kEndBlock.data()), kEndBlock.size()},
                               kEndBlock.size() + kHmacBytes}};
const EndMark kEnd{kEndForms, kEndBlock.size()};

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
    : CStreamingRawFileInfo(RAW_FILE_TYPE_PSAFE3, nullptr, kMinimum, 0, kSizeCap) {}

int PSAFE3Analyser::PSAFE3RawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                                   SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  if (ReachedMarkEnd(sector, sectorSize, sectorNumber, context, kEnd)) return End(m_llMarkEnd, sectorNumber);
  // The end block was found; the file ends in a later sector.
  if (m_llMarkEnd != 0) return 2;
  return ZeroTailEnd(sector, sectorSize, sectorNumber, context);
}

}  // namespace RawSpeed
