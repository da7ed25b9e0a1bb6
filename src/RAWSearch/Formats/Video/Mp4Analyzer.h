#pragma once
// MP4, M4A and M4V movies whose "ftyp" box the QuickTime analyser left (84 bytes or more, or a brand
// in another case of letters): grown by the shared movie record; a record that leaves the growing set
// keeps the size its walk reached, and the plain MP4 analyser measures it only when it has none.

#include "RAWSearch/Formats/Video/MovAnalyzer.h"

namespace BruteForce {

class Mp4Analyzer : public CBruteForceAnalyser {
 public:
  static constexpr std::uint64_t kSizeCap = MovAnalyzer::kSizeCap;

  Mp4Analyzer();
  // The registry's factory.
  static IRawFileAnalyser* Create();

  // "ftypisom", "ftypmmp4", "ftypM4A", "ftypM4V" or "ftypmp4" at byte 4, letters in any case.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace BruteForce
