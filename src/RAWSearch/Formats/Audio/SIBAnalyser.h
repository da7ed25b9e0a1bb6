#pragma once
// Sibelius scores followed sector by sector to the first zero tail past their first sector, where the
// score ends at its last non-zero byte. No plain analyser measures them: a hit left without an end is
// dropped.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class SIBAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 10485760;

  class SIBRawFileInfo : public CStreamingZeroTailRawFileInfo {
   public:
    SIBRawFileInfo();
  };

  SIBAnalyser();
  // 0F then "SIBELIUS", letters without case.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
