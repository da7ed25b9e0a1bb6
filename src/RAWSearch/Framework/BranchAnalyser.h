#pragma once
// The branch analysers: streaming analysers for containers and media whose end is found by walking
// headers or by an end mark near zero padding. Each record's Continue step walks the format and says
// whether to go on; the frame's CalcRawSize turns its answer into the search's. A walk that passes ten
// caps, or stops without an end, hands the hit to the plain fallback.

#include <cstdint>

#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace Brance {

class CBranchAnalyser : public RawSpeed::CStreamingAnalyser {
 public:
  using CStreamingAnalyser::CStreamingAnalyser;
};

class CBranchRawFileInfo : public RawSpeed::CStreamingRawFileInfo {
 public:
  // Most walks give up once the current sector's offset reaches this many caps.
  static constexpr long long kCapsFollowed = 10;

  CBranchRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback, long long minimum, long long cap,
                     long long capsFollowed = kCapsFollowed);

  // Null sector: decided without a size. Waits below the minimum and while Continue asks for more;
  // then ends at the found end (handed over when there is none, or past ten caps).
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

  // Where the file ends, once found (0 = not found).
  long long m_llFoundEnd = 0;

 protected:
  // True = not decided (go on with the next sector); false = stop, the found end is final.
  virtual bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                        const SearchContext& context) = 0;
  bool PastCaps(long long off) const { return off >= m_llGiveUpAt; }

 private:
  long long m_llGiveUpAt;
};

}  // namespace Brance
