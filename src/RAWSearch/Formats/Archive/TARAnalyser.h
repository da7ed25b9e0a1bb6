#pragma once
// tar archives followed header by header: each entry's header gives its data length, rounded to whole
// 512-byte blocks, which leads to the next header. Entries without data (directories, empty files)
// lead straight to the next block. The first block that is no entry header is the first of the two
// zero blocks that end the archive, and the archive ends behind them.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class TARAnalyser : public CStreamingAnalyser {
 public:
  // The plain analyser's: past it, that one measures the archive.
  static constexpr long long kSizeCap = 0xD000000;

  class TARRawFileInfo : public CStreamingWalkRawFileInfo {
   public:
    explicit TARRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    std::optional<int> Step(const HeldBytes& held, long long sectorNumber) override;
  };

  TARAnalyser();
  // "ustar" at offset 257.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
  // "usta" at offset 257: the search asks only sectors that hold it.
  std::optional<Anchor> ClaimAnchor() const override;
};

}  // namespace RawSpeed
