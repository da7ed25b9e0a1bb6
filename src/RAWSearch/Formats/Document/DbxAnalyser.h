#pragma once
// Mail-folder databases (DBX): folders and the message store state their size at offset 124 and are
// sized at their first sector; the folder list ("F7 89 34 2C..." class) is followed to its first
// zero tail. No plain analyser measures them.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class DbxAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 500000000;

  class DBXRawFileInfo : public CStreamingRawFileInfo {
   public:
    DBXRawFileInfo();
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    bool m_bFirstCall = true;
    bool m_bZeroTail = false;
  };

  DbxAnalyser();
  // One of the five class identifiers at 0, or "JMF6" 03 00 10 00.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
