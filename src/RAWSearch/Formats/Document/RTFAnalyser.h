#pragma once
// Rich-text documents followed sector by sector while their text runs: the document ends behind the
// brace that closes its outermost group and the line end behind it (TextEndWalk), keeping a terminating
// zero byte that word processors write there.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class RTFAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 314572800;

  class RTFRawFileInfo : public CStreamingTextRawFileInfo {
   public:
    explicit RTFRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    long long Length(std::uint64_t end, const HeldFile& held) const override;
  };

  RTFAnalyser();
  // "{\rtf": the search's key holds the first four bytes, this the fifth.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
