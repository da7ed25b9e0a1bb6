#pragma once
// HTML pages (ASCII or UTF-16LE with a byte-order mark) followed sector by sector to the first zero
// tail: the page ends at its last non-zero byte (on sectors of a power-of-two size the bisection that
// finds it lands on an even length, so a UTF-16 page keeps its last character whole).

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class HTMLAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 1048576;

  class HTMLRawFileInfo : public CStreamingZeroTailRawFileInfo {
   public:
    explicit HTMLRawFileInfo(IRawFileAnalyser* fallback);
  };

  HTMLAnalyser();
  // "<HTML" or "<!DOCTYPE HTML" (any case); FF FE then "<HTML>" in UTF-16LE (any case); FF FE "<!" in
  // UTF-16LE.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
