#pragma once
// Rich-text documents followed to the first sector with a zero tail: the document ends one byte past
// its last non-zero byte, keeping the terminating zero byte that word processors write behind the
// closing brace.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class RTFAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 314572800;

  class RTFRawFileInfo : public CStreamingRawFileInfo {
   public:
    explicit RTFRawFileInfo(IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  };

  RTFAnalyser();
  // "{\rtf": the search's key holds the first four bytes, this the fifth.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
