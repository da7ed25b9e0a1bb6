#include "RAWSearch/Formats/Archive/FileDMGAnalyser.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/EndMarkSearch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::array<std::uint8_t, 4> kTrailer = {'k', 'o', 'l', 'y'};
constexpr std::uint64_t kTrailerBytes = 512;
constexpr std::size_t kZeroTail = 8;
// Below this the trailer is looked for only at sector starts.
constexpr std::uint64_t kLookBackFrom = 10241;

}  // namespace

int FileDMGAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "BZh11AY&SY")) return 0;
  return Claim(hit, 0);
}

// The trailer closes the image; its own last bytes are zero, so only sectors ending in zeros are searched.
int FileDMGAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const unsigned sectorSize = window.SectorSize();
  if (sectorSize < kZeroTail) return 0;
  std::uint64_t p = 0;
  for (; p < kSizeCap; p += sectorSize) {
    const quellsy::ByteSpan sector = window.Bytes(p, sectorSize);
    if (sector.empty()) break;
    if (!HasZeroTail(sector, kZeroTail)) continue;
    if (FindPattern(sector.first(kTrailer.size()), kTrailer)) {
      hit.m_ullSize = p + kTrailerBytes;
      return 1;
    }
    if (p >= kLookBackFrom && p > sectorSize) {
      if (const auto at = FindPattern(window.Bytes(p - sectorSize, sectorSize), kTrailer)) {
        hit.m_ullSize = p - sectorSize + *at + kTrailerBytes;
        return 1;
      }
    }
  }
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
