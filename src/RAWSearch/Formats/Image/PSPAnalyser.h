#pragma once
// Paint Shop Pro pictures followed block by block: every block is its mark (7E 42 4B 00), its id and its
// length, and the first position that holds no block mark ends the picture.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class PSPAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 20000000;

  class PSPRawFileInfo : public CStreamingWalkRawFileInfo {
   public:
    explicit PSPRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    std::optional<int> Step(const HeldBytes& held, long long sectorNumber) override;
  };

  PSPAnalyser();
  // The 32-byte file signature.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
