#pragma once
// InDesign documents followed object by object from the first data page that the header names: every
// object is a 32-byte header with its stream length, the stream and a 32-byte trailer, and the first
// position that holds no object header ends the document at the end of its 4096-byte page.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class InddAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 200000000;
  static constexpr long long kPageSize = 4096;

  class InddRawFileInfo : public CStreamingWalkRawFileInfo {
   public:
    InddRawFileInfo();
    // Once the walk has found the last object, waits for the sector that holds the end of its page.
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   protected:
    std::optional<int> Step(const HeldBytes& held, long long sectorNumber) override;

   private:
    // The end of the last object's page, once found.
    long long m_llPageEnd = 0;
  };

  InddAnalyser();
  // The 16-byte document identifier and "DOCUMENT" at offset 0.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
  // The identifier's first four bytes at offset 0: the search asks only sectors that hold them.
  std::optional<Anchor> ClaimAnchor() const override;
};

}  // namespace RawSpeed
