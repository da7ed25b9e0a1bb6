#include "RAWSearch/Formats/Image/FileX3FAnalyser.h"

#include <algorithm>
#include <array>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/EndMarkSearch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::array<std::uint8_t, 4> kDirectory = {'S', 'E', 'C', 'd'};
// From the directory's mark to the end of the file.
constexpr std::uint64_t kDirectoryTail = 76;
constexpr std::uint64_t kLookBackExtra = 50;

}  // namespace

int FileX3FAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "FOVb")) return 0;
  return Claim(hit, 0);
}

// The directory closes the file. A sector ending in zeros is searched for its mark, and so are the bytes
// from one sector back, in case the mark is cut by the boundary; a mark in a sector's last four bytes
// is taken where it stands.
int FileX3FAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const unsigned sectorSize = window.SectorSize();
  if (sectorSize < kDirectory.size()) return 0;
  std::uint64_t p = 0;
  for (; p < kSizeCap; p += sectorSize) {
    const quellsy::ByteSpan sector = window.Bytes(p, sectorSize);
    if (sector.empty()) break;
    const quellsy::ByteSpan last = sector.last(kDirectory.size());
    if (FindPattern(last, kDirectory)) {
      hit.m_ullSize = p + sectorSize - kDirectory.size() + kDirectoryTail;
      return 1;
    }
    if (!HasZeroTail(sector, kDirectory.size())) continue;
    if (const auto at = FindPattern(sector, kDirectory)) {
      hit.m_ullSize = p + *at + kDirectoryTail;
      return 1;
    }
    const std::uint64_t from = p >= sectorSize ? p - sectorSize : p;
    if (const auto at = FindPattern(window.Bytes(from, sectorSize + kLookBackExtra), kDirectory)) {
      hit.m_ullSize = from + *at + kDirectoryTail;
      return 1;
    }
  }
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
