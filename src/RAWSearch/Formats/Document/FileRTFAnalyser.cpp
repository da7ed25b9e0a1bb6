#include "RAWSearch/Formats/Document/FileRTFAnalyser.h"

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::uint64_t kFirstExamined = 6;

}  // namespace

int FileRTFAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "{\\rtf")) return 0;
  return Claim(hit, 0);
}

// Counts group braces from the opening one; the document ends before the first byte after the outermost
// group closes, unless another group opens there. Escaped braces and backslashes are text, not groups.
int FileRTFAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::uint64_t depth = 1;
  bool escaped = false;
  std::uint64_t p = kFirstExamined;
  while (p <= kSizeCap) {
    const quellsy::ByteSpan bytes = window.At(p);
    if (bytes.empty()) {
      hit.m_ullSize = p;
      return 0;
    }
    for (const std::uint8_t b : bytes) {
      if (p > kSizeCap) break;
      if (depth == 0 && b != '{') {
        hit.m_ullSize = p;
        return 1;
      }
      if (b == 0) {
        hit.m_ullSize = p;
        return 0;
      }
      if (escaped) {
        escaped = false;
      } else if (b == '\\') {
        escaped = true;
      } else if (b == '{') {
        ++depth;
      } else if (b == '}') {
        --depth;
      }
      ++p;
    }
  }
  hit.m_ullSize = kSizeCap;
  return 1;
}
