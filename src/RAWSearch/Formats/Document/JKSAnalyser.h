#pragma once
// Java key stores (FE ED FE ED) followed sector by sector to the first zero tail, where the file ends at its last
// non-zero byte. No plain analyser measures them: a hit left without an end is dropped.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class JKSAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 10485760;

  class JKSRawFileInfo : public CStreamingZeroTailRawFileInfo {
   public:
    JKSRawFileInfo();
  };

  JKSAnalyser();
  // FE ED FE ED at offset 0.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
