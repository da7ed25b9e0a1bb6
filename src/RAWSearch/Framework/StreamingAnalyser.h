#pragma once
// The streaming analysers: a hit follows its file sector by sector while the search streams past and
// decides from each new sector's bytes whether the file ends there, never re-reading the device. The
// frame is the growing one (an owned plain fallback that sizes a hit leaving without an end); the
// record adds the walking state every member shares and the ways a walk ends.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "RAWSearch/Framework/BruteForceAnalyser.h"
#include "RAWSearch/Framework/EndMarkSearch.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Framework/TextEndWalk.h"
#include "Utility/ByteReader.h"

namespace RawSpeed {

class CStreamingAnalyser : public BruteForce::CBruteForceAnalyser {
 public:
  using CBruteForceAnalyser::CBruteForceAnalyser;
};

class CStreamingRawFileInfo : public BruteForce::CBruteForceRawFileInfo {
 public:
  CStreamingRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback, long long minimum, long long next,
                        long long cap);

  // The walk never ends while the current sector's offset is below this.
  long long m_llMinimum;
  // File offset of the next structure the walk reads.
  long long m_llNext;
  // The largest offset the walk follows.
  long long m_llCap;

 protected:
  // Offset of the current sector within the file; negative for a sector before the start.
  long long FileOffset(long long sectorNumber, int sectorSize) const;
  // The bytes the search holds around the current sector: from the buffer's first sector (never before
  // the file's start) to the end of the block.
  struct HeldBytes {
    quellsy::ByteSpan bytes;
    // File offset of bytes[0].
    long long first = 0;
    // Index in `bytes` of file offset `pos` when `count` bytes from there are held.
    std::optional<std::size_t> At(long long pos, std::size_t count) const;
  };
  HeldBytes Held(const unsigned char* sector, int sectorSize, long long sectorNumber,
                 const SearchContext& context) const;
  // Sectors from the current one to the block's end (1 on its last sector).
  static long long SectorsLeft(long long sectorNumber, const SearchContext& context);
  // Decided with a size: sets it, names the hit "<start>-<current>" + `separator`, returns 1. A size of
  // 0 or less decides without a size.
  int End(long long size, long long sectorNumber, const char* separator = "_");
  // Decided without a size: the fallback (when there is one) measures the file from the device.
  int HandOver();
  // A structure at `pos` that the search does not hold: read with a later sector (2) while it lies
  // ahead of the bytes kept, handed over once it has fallen behind them.
  int NotHeld(const HeldBytes& held, long long pos);
  // Past the cap: a member with a fallback hands over, one without ends at the sectors followed.
  int PastCap(long long off, long long sectorNumber);
  // Looks for `mark` in this sector (with the bytes before it the search holds) until it gives the file's
  // end, kept in m_llMarkEnd; true once the sector that holds the end is shown.
  bool ReachedMarkEnd(const unsigned char* sector, int sectorSize, long long sectorNumber, const SearchContext& context,
                      const EndMark& mark);

  // The end a closing mark gave (0 = none yet).
  long long m_llMarkEnd = 0;
  // The zero-tail rule: waits while the sector's last `threshold` bytes are not all zero or below the
  // minimum; then ends at the last non-zero byte (RawUtility::Binary_Compare) plus `extra`. Another file's
  // start (a hit at this sector) ends the file with the sector before it.
  int ZeroTailEnd(const unsigned char* sector, int sectorSize, long long sectorNumber, const SearchContext& context,
                  std::uint32_t threshold = 8, long long extra = 0, const char* separator = "_");
};

// The members that walk a chain of structures, each leading to the next: every structure that starts
// before the current sector's end is read in turn, from the bytes the search holds.
class CStreamingWalkRawFileInfo : public CStreamingRawFileInfo {
 public:
  using CStreamingRawFileInfo::CStreamingRawFileInfo;
  // A null sector, or one past the cap: handed over. Otherwise the walk's steps; 2 once it leaves the
  // current sector.
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

 protected:
  // Reads the structure at m_llNext: advances m_llNext past it (nothing returned), or gives the call's
  // answer (an end, a hand-over, or a wait for bytes the search does not hold yet).
  virtual std::optional<int> Step(const HeldBytes& held, long long sectorNumber) = 0;
};

// The members whose files end at the first zero tail (ZeroTailEnd with the frame's threshold).
class CStreamingZeroTailRawFileInfo : public CStreamingRawFileInfo {
 public:
  using CStreamingRawFileInfo::CStreamingRawFileInfo;
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
};

// The members whose files are text: they end where TextEndWalk says (behind the last closing mark or
// line end before the text gives way), in the sector that holds the end.
class CStreamingTextRawFileInfo : public CStreamingRawFileInfo {
 public:
  // `closings` (static texts) and `braces` as TextEndWalk takes them.
  CStreamingTextRawFileInfo(std::uint32_t type, IRawFileAnalyser* fallback, long long cap,
                            std::span<const std::string_view> closings, bool braces = false);
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;

 protected:
  // How the text is encoded, decided on the file's first sector: bytes unless a member says otherwise.
  virtual TextEndWalk::Encoding EncodingOf(quellsy::ByteSpan first) const;
  // The file's length from the end the walk gave; `held` holds the end's sector.
  virtual long long Length(std::uint64_t end, const HeldFile& held) const;

 private:
  std::span<const std::string_view> m_closings;
  bool m_bBraces;
  std::optional<TextEndWalk> m_walk;
};

}  // namespace RawSpeed
