#include "RAWSearch/Formats/Document/FileONEAnalyser.h"

#include <algorithm>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using namespace std::string_view_literals;

// The section file type identifier after its first four bytes (the registry's key).
constexpr std::string_view kFileType = "\x8C\xD8\xA7\x4D\xAE\xB1\x53\x78\xD0\x29\x96\xD3"sv;
constexpr std::uint64_t kFileTypeAt = 4;
constexpr std::uint64_t kExpectedLength = 196;
constexpr std::uint64_t kLegacyExpectedLength = 100;
constexpr int kMaxSections = 4096;

}  // namespace

int FileONEAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, kFileTypeAt, kFileType)) return 0;
  return Claim(hit, 0);
}

// Headers that follow one another by their expected lengths; the legacy length stands in for a zero one.
int FileONEAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::uint64_t p = 0;
  for (int section = 0; section < kMaxSections && p <= kSizeCap; ++section) {
    if (!window.HasText(p + kFileTypeAt, kFileType)) break;
    std::uint64_t length = window.Le64(p + kExpectedLength).value_or(0);
    if (length == 0) length = window.Le64(p + kLegacyExpectedLength).value_or(0);
    if (length == 0 || length > kSizeCap) {
      p = kSizeCap;
      break;
    }
    p += length;
  }
  if (p == 0) return 0;
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
