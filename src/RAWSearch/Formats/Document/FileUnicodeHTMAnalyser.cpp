#include "RAWSearch/Formats/Document/FileUnicodeHTMAnalyser.h"

#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using namespace std::string_view_literals;

// Texts as UTF-16 little-endian units.
constexpr std::string_view kOpening = "<\0H\0T\0M\0L\0>\0"sv;
constexpr std::string_view kClosing = "<\0/\0H\0T\0M\0L\0>\0"sv;
constexpr std::size_t kBomBytes = 2;
constexpr std::size_t kOpeningWithin = 498;
constexpr std::uint64_t kFirstExamined = 14;
// From the closing tag's '<' to the page's end: the tag and the line end after it.
constexpr std::uint64_t kPastClosing = 16;

}  // namespace

int FileUnicodeHTMAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "\xFF\xFE<\0"sv)) return 0;
  if (!HasText(sector, kBomBytes, kOpening, true)) {
    // A document-type line first: the html tag follows within the first sector.
    if (!HasText(sector, 4, "!\0"sv)) return 0;
    bool opened = false;
    for (std::size_t at = kBomBytes; at <= kOpeningWithin && !opened; at += 2) opened = HasText(sector, at, kOpening, true);
    if (!opened) return 0;
  }
  return Claim(hit, 0);
}

int FileUnicodeHTMAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  for (std::uint64_t p = kFirstExamined; p < kSizeCap; p += 2) {
    const auto unit = window.Le16(p);
    if (!unit) return 0;
    if (*unit == 0 || *unit == 0xFFFF || *unit == 0xFEFF) {
      hit.m_ullSize = p;
      return 1;
    }
    if (*unit == '<' && window.HasText(p, kClosing, true)) {
      hit.m_ullSize = p + kPastClosing;
      return 1;
    }
  }
  hit.m_ullSize = kSizeCap;
  return 1;
}
