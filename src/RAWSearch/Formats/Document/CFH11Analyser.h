#pragma once
// FreeHand 11 documents: found by their fixed header bytes and version, grown until their data give
// way to zeros (in whole 32-bit words).

#include <cstdint>

#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace BruteForce {

class CFH11Analyser : public CBruteForceAnalyser {
 public:
  static constexpr std::uint64_t kSizeCap = 218103808;

  CFH11Analyser();
  static IRawFileAnalyser* Create();

  // 02 00 04 1C 01 14 00 02 00 14 1C 01 at 4 and "11" at 34.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace BruteForce
