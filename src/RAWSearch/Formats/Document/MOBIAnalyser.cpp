#include "RAWSearch/Formats/Document/MOBIAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Document/FileMOBIAnalyser.h"
#include "RAWSearch/Framework/RawUtility.h"

namespace RawSpeed {

namespace {

constexpr std::size_t kRecordCountAt = 74;
constexpr std::uint32_t kEndRecord = 0xE98E0D0A;
constexpr long long kEndRecordBytes = 4;

}  // namespace

MOBIAnalyser::MOBIAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_MOBI, std::make_unique<FileMOBIAnalyser>()) {}

int MOBIAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || !FileMOBIAnalyser::IsBook(quellsy::ByteSpan(sector, CPlainRawFileAnalyser::kTestBytes))) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

std::optional<IRawFileAnalyser::Anchor> MOBIAnalyser::ClaimAnchor() const {
  constexpr std::uint32_t kBook = 'B' | 'O' << 8 | 'O' << 16 | static_cast<std::uint32_t>('K') << 24;
  constexpr std::uint32_t kLetterCase = 0xDFDFDFDF;
  return Anchor{60, kBook, kLetterCase};
}

CRawFileInfo* MOBIAnalyser::CreateRawFileInfo() { return new MOBIRawFileInfo(Fallback()); }

// The walking offset starts unset (0) and becomes the record table's last entry at the first sector.
MOBIAnalyser::MOBIRawFileInfo::MOBIRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingRawFileInfo(RAW_FILE_TYPE_MOBI, fallback, 0, 0, kSizeCap) {}

int MOBIAnalyser::MOBIRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                               SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return HandOver();
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  if (m_llNext == 0) {
    const auto at = held.At(0, kRecordCountAt + 4);
    if (!at) return HandOver();
    m_llNext = FileMOBIAnalyser::LastRecordEntry(*quellsy::be32(held.bytes, *at + kRecordCountAt));
  }
  while (!m_bZeroTail && m_llNext < off + sectorSize) {
    const auto at = held.At(m_llNext, 4);
    if (!at) return NotHeld(held, m_llNext);
    const std::uint32_t word = *quellsy::be32(held.bytes, *at);
    if (word == kEndRecord) return End(m_llNext + kEndRecordBytes, sectorNumber);
    if (++m_iSteps == 2) {
      m_bZeroTail = true;
      break;
    }
    m_llNext = word;
  }
  if (!m_bZeroTail || context.uTrailingZeroBytes < 9 || off <= m_llNext) return 2;
  return End(off + BruteForce::RawUtility::Binary_Compare(sector, sectorSize), sectorNumber);
}

}  // namespace RawSpeed
