#include "RAWSearch/Formats/Audio/CFileOggAnalyser.h"

#include <algorithm>
#include <numeric>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::size_t kPageHeader = 27;
constexpr std::size_t kSegmentCount = 26;

}  // namespace

int CFileOggAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "OggS")) return 0;
  return Claim(hit, 0);
}

// Every page is its header, its lacing table and the segments the table adds up to.
int CFileOggAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::uint64_t p = 0;
  while (p <= kSizeCap && window.HasText(p, "OggS")) {
    const auto segments = window.U8(p + kSegmentCount);
    if (!segments) break;
    const quellsy::ByteSpan lacing = window.Bytes(p + kPageHeader, *segments);
    if (lacing.size() != *segments) break;
    p += kPageHeader + *segments + std::accumulate(lacing.begin(), lacing.end(), std::uint64_t{0});
  }
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
