#pragma once
// CRW camera raws followed from their minimum size on: the file closes with one of three records
// (07 28 A8/B2/E4 00 00 00) followed by a tail of known length; the record is looked for in every
// sector, and across the boundary with the sector before, whatever follows the file.

#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

class CRWAnalyser : public CBranchAnalyser {
 public:
  static constexpr long long kSizeCap = 104857600;
  static constexpr long long kMinimumSize = 409600;

  class CRWRawFileInfo : public CBranchRawFileInfo {
   public:
    explicit CRWRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                  const SearchContext& context) override;

   private:
    // Looks for a closing record in `bytes` (file offset `base`); sets the found end when there is one.
    bool FindRecord(quellsy::ByteSpan bytes, long long base, const unsigned char* sector, int sectorSize,
                    long long off);
  };

  CRWAnalyser();
  // 00 00 "HEAP" at 4 and "CCDR" 02, "TIFP" 02 or "ARCH" 02 at 10.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace Brance
