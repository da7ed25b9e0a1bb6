#pragma once
// Flash video followed tag by tag: every tag is preceded by the size of the one before it, and a tag's
// data size leads to the next. The file ends behind the last tag's size field where the next position
// holds no audio, video or script tag, or in front of a size field that disagrees with its tag.

#include "RAWSearch/Framework/BranchAnalyser.h"

namespace Brance {

class FLVAnalyser : public CBranchAnalyser {
 public:
  static constexpr long long kSizeCap = 209715200;

  class FLVRawFileInfo : public CBranchRawFileInfo {
   public:
    explicit FLVRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                  const SearchContext& context) override;

   private:
    // The size the next previous-tag field must hold (0 before the first tag).
    long long m_llExpected = 0;
    // The data size of the last tag (1 before the first: no size field may equal it).
    long long m_llLastData = 1;
  };

  FLVAnalyser();
  // "FLV" at offset 0.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace Brance
