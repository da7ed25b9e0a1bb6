#include "RAWSearch/Formats/Video/AEPAnalyser.h"

#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/RawUtility.h"

namespace RawSpeed {

namespace {

constexpr long long kChunkHeader = 8;
constexpr std::string_view kPacket = "<?xpacket";
constexpr std::uint32_t kZeroTail = 9;

}  // namespace

AEPAnalyser::AEPAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_AEP, nullptr) {}

int AEPAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, CPlainRawFileAnalyser::kTestBytes);
  if (!CPlainRawFileAnalyser::HasText(bytes, 0, "RIFX") || !CPlainRawFileAnalyser::HasText(bytes, 8, "Egg")) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* AEPAnalyser::CreateRawFileInfo() { return new AEPRawFileInfo(); }

AEPAnalyser::AEPRawFileInfo::AEPRawFileInfo() : CStreamingRawFileInfo(RAW_FILE_TYPE_AEP, nullptr, 0, 0, kSizeCap) {}

int AEPAnalyser::AEPRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const quellsy::ByteSpan bytes(sector, static_cast<std::size_t>(sectorSize));
  if (m_bFirstCall) {
    m_bFirstCall = false;
    m_llNext = static_cast<std::int32_t>(quellsy::be32(bytes, 4).value_or(0));
  }
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return HandOver();
  if (!m_bPacket) {
    if (m_llNext < off || m_llNext > off + sectorSize) return 2;
    const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
    const auto at = held.At(m_llNext + kChunkHeader, kPacket.size());
    if (!at) return 2;
    if (!CPlainRawFileAnalyser::HasText(held.bytes, *at, kPacket)) return End(m_llNext + kChunkHeader, sectorNumber);
    m_bPacket = true;
  }
  if (context.uTrailingZeroBytes < kZeroTail) return 2;
  return End(off + BruteForce::RawUtility::Binary_Compare(sector, sectorSize) + kChunkHeader, sectorNumber);
}

}  // namespace RawSpeed
