#pragma once
// StuffIt archives. Version 5 states its length in its header and is decided at its first sector;
// StuffIt X is followed to the sector that holds its closing mark, and ends the mark's tail behind it,
// whatever follows; the other header ends at the first zero tail, at its last non-zero byte.

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class SITAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 2000000000;

  class SITRawFileInfo : public CStreamingRawFileInfo {
   public:
    explicit SITRawFileInfo(IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    enum class Mode { kUnknown, kStatedLength, kClosingMark, kZeroTail };
    Mode m_mode = Mode::kUnknown;
    int ClosingMark(const unsigned char* sector, int sectorSize, long long sectorNumber, const SearchContext& context);
  };

  SITAnalyser();
  // "StuffIt" ("fIt" at 4), or the other 16-byte header; the kind of archive sets the type.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
