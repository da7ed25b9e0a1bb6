#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

CBranchRawFileInfo::CBranchRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback, long long minimum,
                                       long long cap, long long capsFollowed)
    : CStreamingRawFileInfo(type, fallback, minimum, 0, cap), m_llGiveUpAt(capsFollowed * cap) {}

int CBranchRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                    SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const long long off = FileOffset(sectorNumber, sectorSize);
  if (PastCaps(off)) return HandOver();
  if (off < m_llMinimum) return 2;
  try {
    if (Continue(sector, sectorSize, sectorNumber, context)) return 2;
  } catch (...) {
    return HandOver();
  }
  return End(m_llFoundEnd, sectorNumber);
}

}  // namespace Brance
