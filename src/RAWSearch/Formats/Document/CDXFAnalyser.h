#pragma once
// DXF drawings (text form) found by their first SECTION group, directly or behind a comment group,
// and grown sector by sector to their EOF group.

#include <cstdint>
#include <string>

#include "RAWSearch/Framework/BruteForceAnalyser.h"
#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"

namespace BruteForce {

class CDXFRawFileInfo : public CBruteForceRawFileInfo {
 public:
  static constexpr long long kCap = 218103808;

  CDXFRawFileInfo();

  // 2 = show me the next sector; 1 = finished.
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  // The sectors seen so far are the file: a record leaving the growing set is filed with them.
  void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

 private:
  int Finish(long long size, long long sectorNumber);

  // The EOF group in the line breaks of the file's first line.
  std::string m_strEndMark;
  long long m_llRunning = 0;
  long long m_llLastSector = 0;
};

class CDXFAnalyser : public CBruteForceAnalyser, public ISpecialRawFileAnalyser {
 public:
  static constexpr long long kSizeCap = CDXFRawFileInfo::kCap;

  CDXFAnalyser();
  static IRawFileAnalyser* Create();

  // "  0\r\nSECTION\r\n  " at 0, or a "999" comment group followed, before the first zero byte of the
  // sector, by the SECTION group in the comment's line breaks.
  int AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long sector,
                      long long bufferFirstSector, long long blockEndSector) override;
  CRawFileInfo* CreateRawFileInfo() override;
  ISpecialRawFileAnalyser* GetSpecialRawFile() override { return this; }
};

}  // namespace BruteForce
