#pragma once
// Standard MIDI files followed track by track: the header chunk, then "MTrk" chunks whose lengths
// lead from one to the next; the first position that holds no track ends the file, to the byte when
// the header's track count was walked and rounded up to its sector otherwise.

#include <cstdint>
#include <optional>

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace RawSpeed {

class MIDAnalyser : public CStreamingAnalyser {
 public:
  static constexpr long long kSizeCap = 10000000;

  class MIDRawFileInfo : public CStreamingRawFileInfo {
   public:
    explicit MIDRawFileInfo(IRawFileAnalyser* fallback);
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

   private:
    std::optional<std::uint16_t> m_stated;
    unsigned m_walked = 0;
  };

  MIDAnalyser();
  // A header length of 6, a format of at most 2 and a non-zero track count.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  CRawFileInfo* CreateRawFileInfo() override;
};

}  // namespace RawSpeed
