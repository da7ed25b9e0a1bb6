#include "RAWSearch/Formats/Image/FileSVGAnalyser.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/EndMarkSearch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kGpxAt = 57;
constexpr std::size_t kPlistAt = 39;
constexpr std::size_t kSvgWithin = 2048;
constexpr std::array<std::string_view, 6> kSvgOpenings = {"<svg "sv,  "<svg\n "sv, "<svg\r "sv,
                                                          "<svg> "sv, "<svg>\n"sv, "<svg>\r"sv};
// The closing tags, each ending the document this far past its first byte.
constexpr std::array<std::string_view, 3> kClosings = {"\n</svg>"sv, "</gpx>"sv, "</plist"sv};
constexpr std::uint64_t kPastClosing = 9;
constexpr std::size_t kZeroTail = 2;
constexpr std::uint64_t kLookBack = 16;
constexpr std::size_t kLookBytes = 32;

quellsy::ByteSpan AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The first place any closing tag starts, the tags tried in order at each place.
std::optional<std::size_t> FindClosing(quellsy::ByteSpan window) {
  std::optional<std::size_t> first;
  for (std::string_view closing : kClosings) {
    const auto at = FindPattern(window, AsBytes(closing));
    if (at && (!first || *at < *first)) first = at;
  }
  return first;
}

}  // namespace

int FileSVGAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (HasText(sector, 0, "<?xml")) {
    if (HasText(sector, kGpxAt, "<gpx")) return Claim(hit, RAW_FILE_TYPE_GPX, 0);
    if (HasText(sector, kPlistAt, "<!DOCTYPE plist")) return Claim(hit, RAW_FILE_TYPE_PLIST, 0);
  }
  if (!HasText(sector, 0, "<?xml version=\"")) return 0;
  return Claim(hit, RAW_FILE_TYPE_SVG, 0);
}

// Sectors ending in zeros hold a document's end: they are searched for a closing tag, and so are the
// bytes around their start, for a tag cut by the boundary.
int FileSVGAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  if (hit.m_uRawFileType == RAW_FILE_TYPE_SVG) {
    const quellsy::ByteSpan head = window.At(0);
    const quellsy::ByteSpan within = head.first(std::min(head.size(), kSvgWithin));
    if (std::none_of(kSvgOpenings.begin(), kSvgOpenings.end(),
                     [&](std::string_view opening) { return FindPattern(within, AsBytes(opening)).has_value(); }))
      return 0;
  }
  const unsigned sectorSize = window.SectorSize();
  if (sectorSize < kZeroTail) return 0;
  std::uint64_t p = 0;
  for (; p < kSizeCap; p += sectorSize) {
    const quellsy::ByteSpan sector = window.Bytes(p, sectorSize);
    if (sector.empty()) break;
    if (!HasZeroTail(sector, kZeroTail)) continue;
    if (const auto at = FindClosing(sector)) {
      hit.m_ullSize = p + *at + kPastClosing;
      return 1;
    }
    const std::uint64_t from = p > kLookBack ? p - kLookBack : 0;
    if (const auto at = FindClosing(window.Bytes(from, kLookBytes))) {
      hit.m_ullSize = from + *at + kPastClosing;
      return 1;
    }
  }
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
