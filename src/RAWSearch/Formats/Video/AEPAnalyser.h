#pragma once
// After-effects projects (big-endian RIFX with "Egg" at 8): the RIFX length gives the end of the
// chunk tree; an XMP packet behind it is followed to the first zero tail. No plain analyser measures
// them.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class AEPAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 100000000;

  class AEPRawFileInfo : public CStreamingRawFileInfo {
   public:
    AEPRawFileInfo();
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    bool m_bFirstCall = true;
    bool m_bPacket = false;
  };

  AEPAnalyser();
  // "RIFX" at 0 and 45 67 67 at 8.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
