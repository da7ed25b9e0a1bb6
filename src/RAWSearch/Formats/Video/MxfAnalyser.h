#pragma once
// MXF files followed key-length-value by key-length-value: every item is a 16-byte key starting
// 06 0E 2B 34 and a BER length, and the first position that holds no such key ends the file. No plain
// analyser measures them: a file not ended within the cap is dropped.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class MxfAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 2000000000;

  class MxfRawFileInfo : public CStreamingWalkRawFileInfo {
   public:
    MxfRawFileInfo();

   protected:
    std::optional<int> Step(const HeldBytes& held, long long sectorNumber) override;
  };

  MxfAnalyser();
  // A partition pack key at offset 0 (06 0E 2B 34, then 02 05 01, version 1.0 at 20), unless the two
  // partition offsets at 32 and 48 are equal and not zero.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
