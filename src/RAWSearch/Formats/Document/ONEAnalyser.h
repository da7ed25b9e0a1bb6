#pragma once
// OneNote sections followed header by header: each section header states the section's expected length,
// which leads to the next, and the first position that holds no section header ends the file.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class OneAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 400000000;

  class ONERawFileInfo : public CStreamingRawFileInfo {
   public:
    explicit ONERawFileInfo(IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  };

  OneAnalyser();
  // The section file type identifier after the registry's four bytes.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
