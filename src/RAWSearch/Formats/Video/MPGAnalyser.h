#pragma once
// MPEG program streams followed pack by pack and packet by packet: each start code's length field
// leads to the next. A run of 100 zero bytes ends the stream where the run starts (the program end
// code is followed by the zero slack); a lost start code, after one look two bytes back, ends it a
// little past the last packet read. A stream that loses its start codes within its first 100 KiB is
// handed to the plain analyser. Packs of the stream just found start no new stream for 21 sectors.

#include <cstdint>
#include <optional>

#include "RAWSearch/Framework/BranchAnalyser.h"
#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"

namespace Brance {

class MPGAnalyser : public CBranchAnalyser, public ISpecialRawFileAnalyser {
 public:
  static constexpr long long kSizeCap = 209715200;
  // A hit this many sectors or more after the last one may start a new stream.
  static constexpr long long kSectorsBetweenStreams = 21;

  class MPGRawFileInfo : public CBranchRawFileInfo {
   public:
    explicit MPGRawFileInfo(IRawFileAnalyser* fallback);

   protected:
    bool Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                  const SearchContext& context) override;

   private:
    // Pack header length: 12 (MPEG-1) or 14 (MPEG-2), read from the first sector.
    long long m_llPackHeader = 0;
    long long m_llZeros = 0;
    bool m_bSteppedBack = false;
    bool m_bAfterSystemHeader = false;
  };

  MPGAnalyser();
  // The system clock bytes after the start code of the streams this analyser takes.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  // AnalyseBuffer, refused within kSectorsBetweenStreams of the last accepted hit.
  int AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long sector,
                      long long bufferFirstSector, long long blockEndSector) override;
  ISpecialRawFileAnalyser* GetSpecialRawFile() override { return this; }
  CRawFileInfo* CreateRawFileInfo() override;

 private:
  std::optional<long long> m_llLastStart;
};

}  // namespace Brance
