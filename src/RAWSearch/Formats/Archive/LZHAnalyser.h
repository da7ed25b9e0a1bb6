#pragma once
// LHA archives followed header by header: level-0/1 entries step over their header and data, level-2
// entries over their header, directories over their header alone. The first position that holds no
// entry ends the archive, one byte past it (the archive's closing zero byte).

#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

class LZHAnalyser : public CBranchAnalyser {
 public:
  static constexpr long long kSizeCap = 209715200;

  class LZHRawFileInfo : public CBranchRawFileInfo {
   public:
    explicit LZHRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                  const SearchContext& context) override;

   private:
    bool m_bLevel2 = false;
    // A level-0/1 step may be two bytes long; the next miss looks two bytes back once.
    bool m_bRetry = false;
    bool m_bRetried = false;
  };

  LZHAnalyser();
  // "-lh5-", "-lh0-", "-lhd-" or "-lh7-" at offset 2.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
  // "-lh" at offset 2: the search asks only sectors that hold it.
  std::optional<Anchor> ClaimAnchor() const override;
};

}  // namespace Brance
