#pragma once
// Mobipocket e-books followed through their record table: the table's last entry leads to the last
// record, which closes the book when it is the 4-byte end-of-file record. A book whose last record is
// something else ends at the first zero tail behind it.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class MOBIAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 157286400;

  class MOBIRawFileInfo : public CStreamingRawFileInfo {
   public:
    explicit MOBIRawFileInfo(IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    // Positions read so far: the table entry, then the last record.
    int m_iSteps = 0;
    bool m_bZeroTail = false;
  };

  MOBIAnalyser();
  // "BOOKMOBI" at offset 60, without case.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
  // "BOOK" at offset 60 in either case: the search asks only sectors that hold it.
  std::optional<Anchor> ClaimAnchor() const override;
};

}  // namespace RawSpeed
