#include "RAWSearch/Formats/Archive/FileLZHAnalyser.h"

#include <optional>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr int kMaxSteps = 2048;
constexpr std::uint64_t kMethodOffset = 2;
// Level 0 and 1 headers do not count the two bytes of size and checksum in front of them.
constexpr std::uint64_t kShortHeaderPrefix = 2;

}  // namespace

int FileLZHAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, kMethodOffset, "-lh5-") && !HasText(sector, kMethodOffset, "-lh0-") &&
      !HasText(sector, kMethodOffset, "-lhd-"))
    return 0;
  return Claim(hit, 0);
}

// Steps from entry to entry by header and packed size. "Other" entries (directories, -lh7-) mark an
// archive whose headers count their own prefix. A step that would pass the cap ends the archive at
// the cap, and a step that does not advance ends the walk, so a zero-length entry cannot loop.
int FileLZHAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  if (!window.Readable(0)) return 0;
  std::uint64_t p = 0;
  bool otherSeen = false;
  bool plainSeen = false;
  for (int step = 0; step < kMaxSteps; ++step) {
    const std::optional<std::uint8_t> headerSize = window.U8(p);
    const std::optional<std::uint32_t> packedSize = window.Le32(p + 7);
    if (!headerSize) break;
    std::uint64_t next = p;
    if (window.HasText(p + kMethodOffset, "-lh5-") || window.HasText(p + kMethodOffset, "-lh0-")) {
      if (!packedSize) break;
      next = p + *headerSize + *packedSize + (otherSeen ? 0 : kShortHeaderPrefix);
      if (!otherSeen) plainSeen = true;
    } else if (window.HasText(p + kMethodOffset, "-lhd-")) {
      next = p + *headerSize;
      otherSeen = true;
    } else if (window.HasText(p + kMethodOffset, "-lh7-")) {
      if (!packedSize) break;
      next = p + *headerSize + *packedSize;
      otherSeen = true;
    } else {
      if (!plainSeen) {
        if (p == 0) return 0;
        break;
      }
      // The end mark of a level-0 archive: look again two bytes back.
      if (p < kShortHeaderPrefix) break;
      p -= kShortHeaderPrefix;
      plainSeen = false;
      continue;
    }
    if (next == p) break;
    if (next > kSizeCap) {
      p = kSizeCap;
      break;
    }
    p = next;
    if (!window.Readable(p)) break;
  }
  hit.m_ullSize = RoundUpToSectors(p, window.SectorSize());
  return 1;
}
