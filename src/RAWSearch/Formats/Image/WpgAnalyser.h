#pragma once
// WordPerfect graphics followed sector by sector to the first sector whose last 16 bytes are zero, where
// the picture ends at its last non-zero byte, or to another file's start, before which it ends. No plain
// analyser measures them: a picture without such a sector within five caps is dropped.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class WpgAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 100000000;

  class WPGRawFileInfo : public CStreamingRawFileInfo {
   public:
    WPGRawFileInfo();
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  };

  WpgAnalyser();
  // "wpg" and a zero byte at offset 0.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
