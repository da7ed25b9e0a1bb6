#pragma once
// Photoshop documents followed through their sections: the colour-mode data, the image resources and
// the layers and masks each state their length, which leads to the merged image; the image runs to
// the first zero tail behind it and ends at its last non-zero byte.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class PSDAnalyser : public CStreamingAnalyser {
 public:
  // Past five times this without an end, the plain analyser measures the document.
  static constexpr long long kSizeCap = 200000000;

  class PSDRawFileInfo : public CStreamingRawFileInfo {
   public:
    explicit PSDRawFileInfo(IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    // Sections still to step over: colour-mode data, image resources, layers and masks.
    int m_iSectionsLeft = 3;
  };

  PSDAnalyser();
  // "8BPS", version 1 and the six reserved zero bytes.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
