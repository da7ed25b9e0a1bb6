#include "RAWSearch/Formats/Document/NGRRAnalyser.h"

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

constexpr long long kFirstBlock = 60;
constexpr long long kBlockHeader = 24;
constexpr std::size_t kLengthAt = 16;

}  // namespace

NGRRAnalyser::NGRRAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_NGRR, nullptr) {}

int NGRRAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || !CPlainRawFileAnalyser::HasText(quellsy::ByteSpan(sector, 4), 0, "-in-", true)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* NGRRAnalyser::CreateRawFileInfo() { return new NGRRRawFileInfo(); }

NGRRAnalyser::NGRRRawFileInfo::NGRRRawFileInfo()
    : CStreamingRawFileInfo(RAW_FILE_TYPE_NGRR, nullptr, 0, kFirstBlock, kSizeCap) {}

int NGRRAnalyser::NGRRRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                               SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return PastCap(off, sectorNumber);
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  // Block headers are read from what the search holds; one it does not hold yet is read with a later
  // sector, from the bytes kept behind it.
  while (m_llNext <= off + sectorSize) {
    const auto at = held.At(m_llNext, kBlockHeader);
    if (!at) return 2;
    if (!CPlainRawFileAnalyser::HasText(held.bytes, *at, "atad")) return End(m_llNext, sectorNumber);
    m_llNext += kBlockHeader + *quellsy::le32(held.bytes, *at + kLengthAt);
  }
  return 2;
}

}  // namespace RawSpeed
