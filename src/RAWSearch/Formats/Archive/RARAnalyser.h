#pragma once
// RAR archives (1.5 to 4) followed block by block: each block header gives the block's length, which
// leads to the next, and the 7-byte end-of-archive block closes the archive. A header the block reader
// does not accept hands the archive to the plain analyser.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class RARAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 1073741824;

  class RARRawFileInfo : public CStreamingWalkRawFileInfo {
   public:
    explicit RARRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    std::optional<int> Step(const HeldBytes& held, long long sectorNumber) override;
  };

  RARAnalyser();
  // 1A 07 00 at offset 4, after "Rar!".
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
