#pragma once
// PNG images followed chunk by chunk: each chunk's length leads to the next, and the IEND chunk ends
// the image just past its checksum.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class PNGAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 100000000;

  class PNGRawFileInfo : public CStreamingWalkRawFileInfo {
   public:
    explicit PNGRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    std::optional<int> Step(const HeldBytes& held, long long sectorNumber) override;
  };

  PNGAnalyser();
  // The signature's 0D 0A 1A 0A at offset 4.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
