#pragma once
// HTML pages (ASCII or UTF-16LE with a byte-order mark) followed sector by sector while their text runs:
// a page ends behind its closing tag and the line end behind it (TextEndWalk), whatever follows.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class HTMLAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 1048576;

  class HTMLRawFileInfo : public CStreamingTextRawFileInfo {
   public:
    explicit HTMLRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    // UTF-16LE behind a byte-order mark.
    TextEndWalk::Encoding EncodingOf(quellsy::ByteSpan first) const override;
  };

  HTMLAnalyser();
  // "<HTML" or "<!DOCTYPE HTML" (any case); FF FE then "<HTML>" in UTF-16LE (any case); FF FE "<!" in
  // UTF-16LE.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
