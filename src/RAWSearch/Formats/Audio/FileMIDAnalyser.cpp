#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"

#include <optional>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using namespace std::string_view_literals;
constexpr std::string_view kHeaderLength = "\x00\x00\x00\x06"sv;
constexpr std::uint16_t kMaxFormat = 2;
constexpr std::uint64_t kFirstTrack = 14;
constexpr std::uint64_t kChunkHeaderBytes = 8;

}  // namespace

int FileMIDAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  quellsy::FieldReader fields(sector);
  if (!HasText(sector, 4, kHeaderLength) || fields.be16(8) > kMaxFormat || fields.le16(10) == 0) return 0;
  return Claim(hit, 0);
}

std::uint64_t FileMIDAnalyser::WalkedEnd(std::uint64_t walkEnd, unsigned walked, std::optional<std::uint16_t> stated,
                                         unsigned sectorSize) {
  return stated && *stated == walked ? walkEnd : RoundUpToSectors(walkEnd, sectorSize);
}

// Track chunks follow one another; each step advances by at least the chunk header, and one that
// would pass the cap ends the file at the cap.
int FileMIDAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::uint64_t p = kFirstTrack;
  unsigned walked = 0;
  while (window.HasText(p, "MTrk", true)) {
    const std::optional<std::uint32_t> length = window.Be32(p + 4);
    if (!length) break;
    p += kChunkHeaderBytes + *length;
    if (p > kSizeCap) {
      hit.m_ullSize = kSizeCap;
      return 1;
    }
    ++walked;
  }
  hit.m_ullSize = WalkedEnd(p, walked, window.Be16(kTrackCountAt), window.SectorSize());
  return 1;
}
