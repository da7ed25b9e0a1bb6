#include "RAWSearch/Formats/Video/FileMPGAnalyser.h"

#include <algorithm>
#include <array>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

// The first bytes after the pack start code of the streams this analyser takes (the system clock of
// common MPEG-1 and MPEG-2 muxers), as little-endian words.
constexpr std::array<std::uint32_t, 7> kPackStarts = {0x00010021, 0x6F710021, 0x482C0044, 0x09010021,
                                                     0x00040044, 0x13FFFF2F, 0x04040044};
constexpr std::uint64_t kZeroRun = 100;
// A stream that loses its start codes this early is no stream.
constexpr std::uint64_t kShortestStream = 102400;
constexpr std::uint64_t kEndPadding = 18;
constexpr std::uint32_t kSequenceHeader = 0x000001B3;
constexpr std::uint32_t kPackHeader = 0x000001BA;
constexpr std::uint32_t kSystemHeader = 0x000001BB;
// Bounds the walk however short its steps; real packets run to kilobytes.
constexpr int kMaxSteps = 1 << 22;

bool StartCodePrefix(std::optional<std::uint32_t> word) { return word && (*word >> 8) == 1; }

// The length of the header of a pack, by the bytes that follow its start code.
std::uint64_t PackHeaderLength(std::uint32_t afterStart) {
  switch (afterStart) {
    case 0x44000400:
    case 0x44000404:
    case 0x44001480:
    case 0x44002C48:
      return 14;
    default:
      return 12;
  }
}

// The step over the packet at p: its stated length and the 6 bytes before it, or 4 for an empty one.
std::optional<std::uint64_t> PacketStep(PlainFileWindow& window, std::uint64_t p) {
  const auto length = window.Be16(p + 4);
  if (!length) return std::nullopt;
  return *length ? *length + 6u : 4u;
}

}  // namespace

int FileMPGAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  const std::uint32_t afterStart = quellsy::FieldReader(sector).le32(4);
  if (std::find(kPackStarts.begin(), kPackStarts.end(), afterStart) == kPackStarts.end()) return 0;
  return Claim(hit, 0);
}

int FileMPGAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  m_llLastStart = 0;
  m_llLastEnd = 0;
  const auto afterStart = window.Be32(4);
  if (!afterStart) return 0;
  const std::uint64_t headerLength = PackHeaderLength(*afterStart);
  std::uint64_t p = 0;
  std::uint64_t zeros = 0;
  bool steppedBack = false;
  bool ended = false;
  for (int walked = 0; walked < kMaxSteps && !ended && p <= kSizeCap; ++walked) {
    const auto word = window.Be32(p);
    if (!word) break;
    if (*word == kSequenceHeader || *word == kPackHeader) {
      const auto packetLength = window.Be16(p + headerLength + 4);
      if (!packetLength) break;
      if (window.Be32(p + headerLength) == kSystemHeader) {
        p += headerLength + 6 + *packetLength;
        if (!StartCodePrefix(window.Be32(p))) {
          if (p < kShortestStream) return 0;
          break;
        }
        const auto step = PacketStep(window, p);
        if (!step) break;
        p += *step;
      } else {
        p += *packetLength ? headerLength + 6 + *packetLength : 4;
      }
      zeros = 0;
    } else if (*word > 1) {
      if (!StartCodePrefix(word)) {
        // Lost the start codes: look once two bytes back, then give up.
        if (steppedBack || p < 2) break;
        steppedBack = true;
        p -= 2;
        continue;
      }
      const auto step = PacketStep(window, p);
      if (!step) break;
      p += *step;
      zeros = 0;
    } else {
      ++p;
      if (++zeros == kZeroRun) {
        hit.m_ullSize = p - zeros;
        ended = true;
      }
    }
  }
  if (!ended) hit.m_ullSize = std::min(p + kEndPadding, kSizeCap);
  const unsigned sectorSize = window.SectorSize();
  m_llLastStart = window.StartSector();
  m_llLastEnd = m_llLastStart + static_cast<long long>(sectorSize ? RoundUpToSectors(hit.m_ullSize, sectorSize) / sectorSize : 0);
  return hit.m_ullSize ? 1 : 0;
}
