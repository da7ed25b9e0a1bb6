#pragma once
// 3D Studio meshes followed main chunk by main chunk: each 0x4D4D chunk states its length, which leads
// to the next (a main chunk 88 bytes further on is stepped to), and the first position that holds none
// ends the file. A console cartridge image ("NCSD" at 256) states its length in media units in its
// header and is decided at its first sector.

#include <vector>

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class New3DSAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 200000000;
  // Meshes and cartridges are followed to five caps.
  static constexpr long long kCapsFollowed = 5;

  class New3DSRawFileInfo : public CStreamingWalkRawFileInfo {
   public:
    explicit New3DSRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    std::optional<int> Step(const HeldBytes& held, long long sectorNumber) override;
  };

  New3DSAnalyser();
  // The main chunk at 0 and the editor chunk at 16, or "NCSD" at 256.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
  // The main chunk's id at 0, or "NCSD" at 256: the search asks only sectors that hold one.
  std::vector<Anchor> ClaimAnchors() const override;
};

}  // namespace RawSpeed
