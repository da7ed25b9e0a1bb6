#pragma once
// Raw AAC streams (ADTS frames): a sector is taken when five frames follow each other from its first
// byte, or when the buffered data end after at least one; the record then walks the frames while the
// search streams past and ends the file at the first byte that is not a frame header.

#include <cstdint>

#include "RAWSearch/Framework/BruteForceAnalyser.h"
#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"

namespace BruteForce {

class CADTSRawFileInfo : public CBruteForceRawFileInfo {
 public:
  CADTSRawFileInfo();

  // 2 = show me the next sector; 1 = finished (size 0 drops the hit).
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
  // Files the frames walked so far, and clears the analyser's overflow flag.
  void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

 private:
  int Finish(long long size, long long sectorNumber);

  // File offset of the next frame header.
  long long m_llPosition = 0;
  std::uint32_t m_uFrames = 0;
  long long m_llLastSector = 0;
};

class CADTSAnalyser : public CBruteForceAnalyser, public ISpecialRawFileAnalyser {
 public:
  // Frames in a row that make a stream.
  static constexpr std::uint32_t kFramesToAccept = 5;
  // A stream taken on fewer frames than this (its test ran out of data) needs more of them to count.
  static constexpr std::uint32_t kFramesAfterOverflow = 5;
  // The stream's length is the sum of its frames: no cap beyond what the device holds.
  static constexpr long long kSizeCap = 0;

  CADTSAnalyser();
  static IRawFileAnalyser* Create();

  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  int AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long sector,
                      long long bufferFirstSector, long long blockEndSector) override;
  CRawFileInfo* CreateRawFileInfo() override;
  ISpecialRawFileAnalyser* GetSpecialRawFile() override { return this; }

  // The frame length of the ADTS header at `p` (7 readable bytes), 0 when it is none.
  static std::uint32_t FrameLength(const unsigned char* p);

  // Process-wide: the last stream was taken because the buffered data ran out.
  static bool Overflow() { return s_bOverflow; }
  // Process-wide: a stream is followed, whose frames start no new hits (its own first sector is
  // still taken when asked again).
  static bool Following() { return s_llFollowedStart >= 0; }
  static void ResetStreamState() {
    s_bOverflow = false;
    s_llFollowedStart = -1;
  }

 private:
  static bool s_bOverflow;
  static long long s_llFollowedStart;
};

}  // namespace BruteForce
