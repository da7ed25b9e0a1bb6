#pragma once
// Magic Lantern videos followed block by block: every block is a known four-letter tag and its length
// (header included), which leads to the next, and the first position that holds no known block ends the
// file. No plain analyser measures them: a file not ended within the cap is dropped.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class MLvAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 2097152000;

  class MLvRawFileInfo : public CStreamingWalkRawFileInfo {
   public:
    MLvRawFileInfo();

   protected:
    std::optional<int> Step(const HeldBytes& held, long long sectorNumber) override;
  };

  MLvAnalyser();
  // "MLVI" at offset 0 and "RAWI" at 52.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
