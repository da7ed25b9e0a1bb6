#pragma once
// Password Safe 3 databases ("PWS3" at 0 or 3, any case) followed sector by sector to their end block
// ("PWS3-EOFPWS3-EOF" and the 32-byte HMAC behind it), whatever follows; a database without one ends at
// the first zero tail, at its last non-zero byte. No plain analyser measures them: a hit left without an
// end is dropped.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class PSAFE3Analyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 52428800;

  class PSAFE3RawFileInfo : public CStreamingRawFileInfo {
   public:
    PSAFE3RawFileInfo();
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  };

  PSAFE3Analyser();
  // "PWS3" at offset 0 or 3, letters compared without case.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
  // "PWS3" at offset 3 in any case (a sector opening with it is the keyed row's): the search asks only
  // sectors that hold it.
  std::optional<Anchor> ClaimAnchor() const override;
};

}  // namespace RawSpeed
