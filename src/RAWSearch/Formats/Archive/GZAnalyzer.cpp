#include "RAWSearch/Formats/Archive/GZAnalyzer.h"

#include <memory>

#include "RAWSearch/Formats/Archive/FileGZAnalyser.h"
#include "RAWSearch/Framework/CGzSearch.h"
#include "RAWSearch/Framework/RawUtility.h"

namespace RawSpeed {

namespace {

constexpr long long kMinimum = 20;
constexpr int kHeaderBytes = 10;

}  // namespace

GZAnalyzer::GZAnalyzer() : CStreamingAnalyser(RAW_FILE_TYPE_GZ, std::make_unique<FileGZAnalyser>()) {}

int GZAnalyzer::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  // The header test also keeps the reserved flag bits clear.
  if (!sector || !CGzSearch::IsValidGzHeader(sector, kHeaderBytes)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* GZAnalyzer::CreateRawFileInfo() { return new GZRawFileInfo(Fallback()); }

GZAnalyzer::GZRawFileInfo::GZRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingRawFileInfo(RAW_FILE_TYPE_GZ, fallback, kMinimum, 0, kSizeCap) {}

int GZAnalyzer::GZRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                           SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (off > m_llCap) return PastCap(off, sectorNumber);
  if (m_walk.GetState() == GzMemberWalk::State::kWaiting) {
    const HeldFile held = HeldBytesOf(sector, sectorSize, m_llStartSector, sectorNumber, context);
    m_walk.Advance(held.bytes, held.first);
  }
  if (m_walk.GetState() == GzMemberWalk::State::kDone) {
    // The file ends with the sector that holds its end.
    const auto end = static_cast<long long>(m_walk.End());
    return end > off + sectorSize ? 2 : End(end, sectorNumber);
  }
  if (m_walk.GetState() == GzMemberWalk::State::kWaiting) return 2;
  if (context.uTrailingZeroBytes < 8 || off < m_llMinimum) return 2;
  // An all-zero sector: the member ended with the sector before.
  const bool empty = BruteForce::RawUtility::Binary_Compare(sector, sectorSize) == 0;
  return End(empty ? off : off + sectorSize, sectorNumber);
}

}  // namespace RawSpeed
