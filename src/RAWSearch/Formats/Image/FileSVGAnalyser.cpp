#include "RAWSearch/Formats/Image/FileSVGAnalyser.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/EndMarkSearch.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RAWSearch/Framework/TextEndWalk.h"

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kGpxAt = 57;
constexpr std::size_t kPlistAt = 39;
constexpr std::size_t kSvgWithin = 2048;
constexpr std::array<std::string_view, 6> kSvgOpenings = {"<svg "sv,  "<svg\n "sv, "<svg\r "sv,
                                                          "<svg> "sv, "<svg>\n"sv, "<svg>\r"sv};

quellsy::ByteSpan AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
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

std::span<const std::string_view> FileSVGAnalyser::Closings(std::uint32_t type) {
  static constexpr std::string_view kGpx[] = {"</gpx>"};
  static constexpr std::string_view kPlist[] = {"</plist>"};
  static constexpr std::string_view kEnex[] = {"</en-export>"};
  static constexpr std::string_view kCsl[] = {"</style>"};
  static constexpr std::string_view kSvg[] = {"</svg>"};
  switch (type) {
    case RAW_FILE_TYPE_GPX:
      return kGpx;
    case RAW_FILE_TYPE_PLIST:
      return kPlist;
    case RAW_FILE_TYPE_ENEX:
      return kEnex;
    case RAW_FILE_TYPE_CSL:
      return kCsl;
    default:
      return kSvg;
  }
}

int FileSVGAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  if (hit.m_uRawFileType == RAW_FILE_TYPE_SVG) {
    const quellsy::ByteSpan head = window.At(0);
    const quellsy::ByteSpan within = head.first(std::min(head.size(), kSvgWithin));
    if (std::none_of(kSvgOpenings.begin(), kSvgOpenings.end(),
                     [&](std::string_view opening) { return FindPattern(within, AsBytes(opening)).has_value(); }))
      return 0;
  }
  TextEndWalk walk(Closings(hit.m_uRawFileType), TextEndWalk::Encoding::kBytes);
  WalkThroughWindow(window, walk, kSizeCap, TextEndWalk::kLookBehind);
  hit.m_ullSize = walk.GetState() == TextEndWalk::State::kDone ? walk.End() : std::min(walk.Next(), kSizeCap);
  return 1;
}
