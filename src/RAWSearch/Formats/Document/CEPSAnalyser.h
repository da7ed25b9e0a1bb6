#pragma once
// Encapsulated PostScript: a text file grows sector by sector while its text runs and ends behind its
// "%%EOF" and line end (TextEndWalk); a file with the binary (DOS) header is sized at once from its
// section table.

#include <cstdint>

#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace BruteForce {

class CEPSAnalyser : public CBruteForceAnalyser {
 public:
  static constexpr std::uint64_t kSizeCap = 21810380800ULL;

  CEPSAnalyser();
  static IRawFileAnalyser* Create();

  // "%!PS-Adobe-" at 0, or the binary header C5 D0 D3 C6 (the size then is the end of the furthest of
  // its PostScript, metafile and TIFF sections).
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  // A zero-end record for a text file; the plain record, already sized, for a binary one.
  CRawFileInfo* CreateRawFileInfo() override;

 private:
  // The last sector claimed was a text file.
  bool m_bText = false;
};

}  // namespace BruteForce
