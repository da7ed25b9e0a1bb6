#include "RAWSearch/Formats/Document/CMDBAnalyser.h"

#include <memory>

#include "RAWSearch/Formats/Document/FileMDBAnalyser.h"

namespace RawSpeed {

namespace {

constexpr std::uint16_t kFirstDataPage = 0x0101;
constexpr std::uint16_t kLastDataPage = 0x0109;
constexpr std::uint32_t kPageZeroTail = 9;

}  // namespace

CMDBAnalyser::CMDBAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_MDB, std::make_unique<FileMDBAnalyser>()) {}

int CMDBAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The plain analyser's test is this one's; it sets the type, MDB or ACCDB.
  if (!Fallback()->AnalyseBuffer(sector, scratch)) return 0;
  m_uLastType = scratch.m_uRawFileType;
  return 1;
}

CRawFileInfo* CMDBAnalyser::CreateRawFileInfo() { return new CMDBRawFileInfo(m_uLastType, Fallback()); }

CMDBAnalyser::CMDBRawFileInfo::CMDBRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback)
    : CStreamingRawFileInfo(type, fallback, kPageSize, 0, kSizeCap) {}

int CMDBAnalyser::CMDBRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                               SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off < m_llMinimum || off % kPageSize != 0) return 2;
  if (off > m_llCap) return PastCap(off, sectorNumber);
  if (!m_bPageWalk) return context.uTrailingZeroBytes >= kPageZeroTail ? End(off, sectorNumber) : 2;

  const std::uint16_t page =
      quellsy::le16(quellsy::ByteSpan(sector, static_cast<std::size_t>(sectorSize)), 0).value_or(0xFFFF);
  if (page >= kFirstDataPage && page <= kLastDataPage) {
    m_nEmptyPages = 0;
    return 2;
  }
  if (page == 0) {
    if (++m_nEmptyPages == kEmptyPagesAtEnd) return End(off - (kEmptyPagesAtEnd - 1) * kPageSize, sectorNumber);
    return 2;
  }
  if (off == kPageSize) {
    m_bPageWalk = false;
    return 2;
  }
  return End(m_nEmptyPages == 0 ? off : off - (m_nEmptyPages - 1) * kPageSize, sectorNumber);
}

}  // namespace RawSpeed
