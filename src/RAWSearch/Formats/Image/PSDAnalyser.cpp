#include "RAWSearch/Formats/Image/PSDAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Image/FilePSDAnalyser.h"
#include "RAWSearch/Framework/RawUtility.h"

namespace RawSpeed {

namespace {

// The colour-mode data's length field follows the 26-byte header.
constexpr long long kFirstSection = 26;
constexpr long long kSectionLengthField = 4;
// The merged image's compression field, in front of its data.
constexpr long long kCompressionField = 2;
constexpr long long kCapsFollowed = 5;

}  // namespace

PSDAnalyser::PSDAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_PSD, std::make_unique<FilePSDAnalyser>()) {}

int PSDAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The plain analyser's test is this one's, and its type.
  return Fallback()->AnalyseBuffer(sector, scratch);
}

CRawFileInfo* PSDAnalyser::CreateRawFileInfo() { return new PSDRawFileInfo(Fallback()); }

PSDAnalyser::PSDRawFileInfo::PSDRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingRawFileInfo(RAW_FILE_TYPE_PSD, fallback, 0, kFirstSection, kSizeCap) {}

int PSDAnalyser::PSDRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > kCapsFollowed * m_llCap) return HandOver();
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  while (m_iSectionsLeft > 0 && m_llNext < off + sectorSize) {
    const auto at = held.At(m_llNext, kSectionLengthField);
    if (!at) return NotHeld(held, m_llNext);
    m_llNext += kSectionLengthField + *quellsy::be32(held.bytes, *at);
    if (--m_iSectionsLeft == 0) m_llNext += kCompressionField;
  }
  if (m_iSectionsLeft > 0 || off <= m_llNext || context.uTrailingZeroBytes < 8) return 2;
  return End(off + BruteForce::RawUtility::Binary_Compare(sector, sectorSize), sectorNumber, "");
}

}  // namespace RawSpeed
