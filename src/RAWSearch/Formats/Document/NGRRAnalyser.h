#pragma once
// NGRR files ("-in-" at 0, any case) followed block by block: a 60-byte header, then blocks marked
// "atad" whose length field leads to the next; the first position without the mark ends the file.
// No plain analyser measures them.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class NGRRAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 52428800;

  class NGRRRawFileInfo : public CStreamingRawFileInfo {
   public:
    NGRRRawFileInfo();
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  };

  NGRRAnalyser();
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
