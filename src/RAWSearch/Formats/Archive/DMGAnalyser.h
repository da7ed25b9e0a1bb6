#pragma once
// bzip2-compressed disk images followed to their "koly" trailer (FileDMGAnalyser::Trailer), looked for
// in every sector with the bytes before it: the 512-byte trailer closes the image, whatever follows.

#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

class DMGAnalyser : public CBranchAnalyser {
 public:
  static constexpr long long kSizeCap = 209715200;

  class DMGRawFileInfo : public CBranchRawFileInfo {
   public:
    explicit DMGRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                  const SearchContext& context) override;
  };

  DMGAnalyser();
  // "BZh11AY&SY" at offset 0.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace Brance
