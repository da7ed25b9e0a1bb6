#pragma once
// RealMedia files followed chunk by chunk: the file header, properties, media properties, content,
// data and index chunks each state their length, and the first position that holds no known chunk ends
// the file. A file whose media properties announce a video stream is typed RMVB.

#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

class RM_RMVBAnalyser : public CBranchAnalyser {
 public:
  static constexpr long long kSizeCap = 209715200;
  // The walk goes on to this many caps.
  static constexpr long long kCapsFollowed = 20;

  class RM_RMVBRawFileInfo : public CBranchRawFileInfo {
   public:
    explicit RM_RMVBRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                  const SearchContext& context) override;

   private:
    // Reads the type from the first 1,024 bytes; false when the search does not hold them.
    bool ReadHeader(const HeldBytes& held);
  };

  RM_RMVBAnalyser();
  // ".RMF" at offset 0: the registry's key is the whole test.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace Brance
