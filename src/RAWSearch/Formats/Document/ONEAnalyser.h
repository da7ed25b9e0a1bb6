#pragma once
// OneNote sections followed header by header: each section header states the section's expected length,
// which leads to the next, and the first position that holds no section header ends the file.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class OneAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 400000000;

  class ONERawFileInfo : public CStreamingWalkRawFileInfo {
   public:
    explicit ONERawFileInfo(IRawFileAnalyser* fallback);

   protected:
    std::optional<int> Step(const HeldBytes& held, long long sectorNumber) override;
  };

  OneAnalyser();
  // The section file type identifier after the registry's four bytes.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
