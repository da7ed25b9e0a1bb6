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
constexpr int kRawRows = 0;
constexpr long long kMaxChannels = 56;
constexpr long long kMaxSide = 300000;
constexpr int kPackedRows = 1;

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
  if (m_llRows < 0) {
    const auto at = held.At(0, kFirstSection);
    if (!at) return HandOver();
    quellsy::FieldReader header(held.bytes.subspan(*at, kFirstSection));
    const long long channels = header.be16(12);
    const long long height = header.be32(14);
    const long long width = header.be32(18);
    const long long depth = header.be16(22);
    // Dimensions the format allows give the image's length; others leave it to the zero tail.
    const bool sane = channels >= 1 && channels <= kMaxChannels && height <= kMaxSide && width <= kMaxSide &&
                      (depth == 1 || depth == 8 || depth == 16 || depth == 32);
    m_llRows = sane ? channels * height : 0;
    m_llRawBytes = sane ? m_llRows * ((width * depth + 7) / 8) : 0;
  }
  while (m_iSectionsLeft > 0 && m_llNext < off + sectorSize) {
    const auto at = held.At(m_llNext, kSectionLengthField);
    if (!at) return NotHeld(held, m_llNext);
    m_llNext += kSectionLengthField + *quellsy::be32(held.bytes, *at);
    if (--m_iSectionsLeft == 0) m_llNext += kCompressionField;
  }
  if (m_iSectionsLeft > 0) return 2;
  if (m_iCompression < 0) {
    const auto at = held.At(m_llNext - kCompressionField, kCompressionField);
    if (!at) return NotHeld(held, m_llNext - kCompressionField);
    m_iCompression = *quellsy::be16(held.bytes, *at);
  }
  // Raw or packed rows: the image's length follows from its header, and from the row counts in front of
  // packed rows (read as the search holds them).
  if (m_llRows > 0 && m_iCompression == kRawRows && m_llImageEnd == 0) m_llImageEnd = m_llNext + m_llRawBytes;
  while (m_llRows > 0 && m_iCompression == kPackedRows && m_llImageEnd == 0) {
    const long long at = m_llNext + 2 * m_llRowsCounted;
    if (m_llRowsCounted == m_llRows) {
      m_llImageEnd = at + m_llPacked;
      break;
    }
    const auto count = held.At(at, 2);
    if (!count) return NotHeld(held, at);
    m_llPacked += *quellsy::be16(held.bytes, *count);
    ++m_llRowsCounted;
  }
  if (m_llImageEnd != 0) return m_llImageEnd > off + sectorSize ? 2 : End(m_llImageEnd, sectorNumber, "");
  if (off <= m_llNext || context.uTrailingZeroBytes < 8) return 2;
  return End(off + BruteForce::RawUtility::Binary_Compare(sector, sectorSize), sectorNumber, "");
}

}  // namespace RawSpeed
