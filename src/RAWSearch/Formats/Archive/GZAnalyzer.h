#pragma once
// gzip files followed sector by sector: their members are inflated while the search streams past, and
// the file ends behind the last member's trailer (GzMemberWalk), whatever follows. A stream that does
// not inflate ends in the first sector whose tail is zero, at that sector's end, as the plain gzip
// analyser takes it: the trailer's length field often ends in zero bytes, so the last non-zero byte is
// not the member's end, and gzip reads the zero slack behind a member as padding.

#include "RAWSearch/Framework/GzMemberWalk.h"
#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class GZAnalyzer : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 400000000;

  class GZRawFileInfo : public CStreamingRawFileInfo {
   public:
    explicit GZRawFileInfo(IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    GzMemberWalk m_walk;
  };

  GZAnalyzer();
  // 1F 8B 08 and a gzip header of known flags and system.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
