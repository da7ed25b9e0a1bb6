#include "RAWSearch/Formats/Image/CRWAnalyser.h"

#include <algorithm>
#include <memory>

#include "RAWSearch/Formats/Image/FileCRWAnalyser.h"

namespace Brance {

namespace {

// The record is matched on its first five bytes.
constexpr std::size_t kRecordBytes = 5;
// Bytes looked at on each side of the boundary with the sector before.
constexpr long long kBoundaryReach = 86;

// Bytes of the file behind a closing record of this code; 0 for other codes.
long long TailLength(std::uint8_t code) {
  switch (code) {
    case 0xA8:
      return 70;
    case 0xB2:
      return 60;
    case 0xE4:
      return 50;
    default:
      return 0;
  }
}

bool IsRecord(quellsy::ByteSpan bytes, std::size_t at) {
  return at + kRecordBytes <= bytes.size() && bytes[at] == 0x07 && bytes[at + 1] == 0x28 &&
         TailLength(bytes[at + 2]) != 0 && bytes[at + 3] == 0 && bytes[at + 4] == 0;
}

}  // namespace

CRWAnalyser::CRWAnalyser() : CBranchAnalyser(RAW_FILE_TYPE_CRW, std::make_unique<FileCRWAnalyser>()) {}

int CRWAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The plain analyser's test is this one's.
  return Fallback()->AnalyseBuffer(sector, scratch);
}

CRawFileInfo* CRWAnalyser::CreateRawFileInfo() { return new CRWRawFileInfo(Fallback()); }

CRWAnalyser::CRWRawFileInfo::CRWRawFileInfo(IRawFileAnalyser* fallback)
    : CBranchRawFileInfo(RAW_FILE_TYPE_CRW, fallback, kMinimumSize, kSizeCap, 1) {}

bool CRWAnalyser::CRWRawFileInfo::FindRecord(quellsy::ByteSpan bytes, long long base, const unsigned char* sector,
                                             int sectorSize, long long off) {
  for (std::size_t p = 0; p < bytes.size(); ++p) {
    if (!IsRecord(bytes, p)) continue;
    const std::uint8_t code = bytes[p + 2];
    m_llFoundEnd = base + static_cast<long long>(p) + TailLength(code);
    // A B2 record may be followed by ten more bytes of trailer where data still stands there.
    const long long within = m_llFoundEnd - off;
    if (code == 0xB2 && within >= 0 && within + 4 <= sectorSize &&
        quellsy::le32(quellsy::ByteSpan(sector, static_cast<std::size_t>(sectorSize)), static_cast<std::size_t>(within))
                .value_or(0) != 0)
      m_llFoundEnd += 10;
    return true;
  }
  return false;
}

bool CRWAnalyser::CRWRawFileInfo::Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                           const SearchContext& context) {
  const long long off = FileOffset(sectorNumber, sectorSize);
  // Every sector is searched: whatever follows the file, its closing record ends it.
  if (FindRecord(quellsy::ByteSpan(sector, static_cast<std::size_t>(sectorSize)), off, sector, sectorSize, off))
    return false;
  if (sectorNumber < 2 || sectorNumber == context.llBufferFirstSector) return true;
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  const auto at = held.At(off - kBoundaryReach, 2 * kBoundaryReach);
  if (!at) return true;
  return !FindRecord(held.bytes.subspan(*at, 2 * kBoundaryReach), off - kBoundaryReach, sector, sectorSize, off);
}

}  // namespace Brance
