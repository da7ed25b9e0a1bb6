#pragma once
// Photoshop documents followed through their sections: the colour-mode data, the image resources and
// the layers and masks each state their length, which leads to the merged image. A raw image ends where
// its header's dimensions say, a packed one where the row counts in front of it say, whatever follows;
// any other runs to the first zero tail behind it and ends at its last non-zero byte.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class PSDAnalyser : public CStreamingAnalyser {
 public:
  // Past five times this without an end, the plain analyser measures the document.
  static constexpr long long kSizeCap = 200000000;

  class PSDRawFileInfo : public CStreamingRawFileInfo {
   public:
    explicit PSDRawFileInfo(IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    // Sections still to step over: colour-mode data, image resources, layers and masks.
    int m_iSectionsLeft = 3;
    // The merged image's compression once read (-1 before).
    int m_iCompression = -1;
    // Rows of all channels and the raw image's bytes, from the header (-1 before it is read).
    long long m_llRows = -1;
    long long m_llRawBytes = 0;
    // Packed rows: the counts read so far and their sum; the image's end once known (0 before).
    long long m_llRowsCounted = 0;
    long long m_llPacked = 0;
    long long m_llImageEnd = 0;
  };

  PSDAnalyser();
  // "8BPS", version 1 and the six reserved zero bytes.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
