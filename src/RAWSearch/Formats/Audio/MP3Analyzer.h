#pragma once
// MPEG audio found by its first sector. A bare frame stream (its first frame confirmed by the next
// two) and a file that starts with an ID3v2 tag (named from the tag) are grown sector by sector: the
// record follows the frame chain while the search streams past and ends the file at the first
// non-frame, taking in an ID3v1 or APE tag there. Starts that do not look like a stream, chains too
// short to be a file, and records that leave the growing set unfinished go to the plain MP3
// analyser, which measures them from the device (resynchronising over stray bytes).

#include <cstdint>

#include "RAWSearch/Framework/BruteForceAnalyser.h"
#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"
#include "Utility/ByteReader.h"

namespace BruteForce {

class MP3Analyzer : public CBruteForceAnalyser, public ISpecialRawFileAnalyser {
 public:
  class MP3RawFileInfo : public CBruteForceRawFileInfo {
   public:
    static constexpr long long kCap = 0xC800000;
    // Shorter streams are taken for stray frame-like bytes.
    static constexpr long long kMinStreamSize = 10240;
    // Frame headers one sector may hold at most (the shortest frames are a few dozen bytes).
    static constexpr unsigned kMaxHeadersPerSector = 1024;
    // A tagged file grows no further than this before the plain analyser takes it.
    static constexpr long long kTaggedCap = 524288000;

    explicit MP3RawFileInfo(IRawFileAnalyser* fallback);

    // 2 = show me the next sector; 1 = finished (size 0 hands the hit to the plain analyser).
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
    // Releases the stream start this record holds, then hands the record to the plain analyser.
    void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

    // Offset from the file start of the next frame header.
    long long m_llStreamPos = 0;
    // Where the frame chain starts: behind the ID3v2 tag of a tagged file, else 0.
    long long m_llChainStart = 0;

   private:
    // A stream start: byte 0 a frame header whose successor, within the buffered data, is an
    // MPEG-1 or MPEG-2 header too.
    static bool IsHealthyStart(const unsigned char* sector, long long sectorNumber, int sectorSize,
                               const SearchContext& context);
    // Follows the chain through this sector; 1 with the record finished, 2 to go on.
    int FollowFrames(unsigned char* sector, int sectorSize, long long sectorNumber);
    // Where the chain ended at a non-frame: takes in a tag there and finishes the record.
    int FinishAtNonFrame(quellsy::ByteSpan at, long long sectorNumber);
    // Names the record from the ID3v2 tag at the start of `held` (the bytes the search holds from the
    // first sector on); the tag's end, or 0 for a tag size out of range.
    long long GatherTagInfo(quellsy::ByteSpan held);
    int Finish(long long size, long long sectorNumber);
  };

  // A stream may grow on to ten times the record's cap (and is then cut to the cap); its last sector
  // and frame may end a little past that.
  static constexpr long long kSizeCap = 10 * MP3RawFileInfo::kCap + 0x100000;

  MP3Analyzer();
  // The registry's factory.
  static IRawFileAnalyser* Create();

  // "ID3" with major version 3 or 4, or a valid frame header of 1 to 352800 bytes. No side effects:
  // the FAT engine's content test calls it too.
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override;
  // As AnalyseBuffer, but a frame start needs its next two headers where the buffered data hold them,
  // and is refused while a confirmed stream is still growing.
  int AnalyseBufferEx(unsigned char* data, CRawFileInfo& scratch, long long sectorSize, long long sector,
                      long long bufferFirstSector, long long blockEndSector) override;
  CRawFileInfo* CreateRawFileInfo() override;
  ISpecialRawFileAnalyser* GetSpecialRawFile() override { return this; }

  // The start sector of the confirmed frame stream still growing; 0 = none. Set by the search's test,
  // released when that stream's record finishes or leaves the growing set, and at every new search.
  static long long LastStartSector() { return s_llLastStartSector; }
  static void ResetStreamState() { s_llLastStartSector = 0; }

 private:
  static long long s_llLastStartSector;
};

}  // namespace BruteForce
