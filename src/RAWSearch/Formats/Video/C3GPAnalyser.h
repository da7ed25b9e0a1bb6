#pragma once
// 3GP and 3G2 movies whose "ftyp" box the QuickTime analyser left (84 bytes or more, or a brand in
// another case of letters): grown by the shared movie record, without a fallback.

#include "RAWSearch/Formats/Video/MovAnalyzer.h"

namespace BruteForce {

class C3GPAnalyser : public MovAnalyzer {
 public:
  C3GPAnalyser();
  // The registry's factory.
  static IRawFileAnalyser* Create();

  // "ftyp3g2a", "ftyp3gp" or "ftypmmp4" at byte 4, letters in any case.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
};

}  // namespace BruteForce
