#include "RAWSearch/Formats/Document/FileMboxAnalyser.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/EndMarkSearch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using namespace std::string_view_literals;

constexpr std::uint64_t kStep = 512;
constexpr std::size_t kTailWord = 508;
// A signature's closing line and an address line, each followed by an empty line, end a message's text.
constexpr std::array<std::string_view, 2> kEnds = {"--\n\n"sv, ".com>\n\n"sv};

quellsy::ByteSpan AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Offset just behind the last non-zero byte of `bytes`, which start at `at`; `at` when all are zero.
std::uint64_t BehindLastText(quellsy::ByteSpan bytes, std::uint64_t at) {
  std::size_t end = bytes.size();
  while (end > 0 && bytes[end - 1] == 0) --end;
  return at + end;
}

}  // namespace

int FileMboxAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "From ")) return 0;
  return Claim(hit, 0);
}

// In steps of 512 bytes: a step whose last word is not zero is all text; one that ends in zeros holds
// the mailbox's end, just past the first end mark in it, or without a mark where its zeros begin (a
// mailbox is text and holds no zero bytes; running on would take whatever lies behind it).
int FileMboxAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::uint64_t p = 0;
  for (; p <= kSizeCap; p += kStep) {
    const quellsy::ByteSpan step = window.Bytes(p, kStep);
    if (step.empty()) break;
    if (quellsy::FieldReader(step).le32(kTailWord) != 0) continue;
    for (std::string_view end : kEnds) {
      const auto at = FindPattern(step, AsBytes(end));
      if (!at) continue;
      std::uint64_t size = p + *at + end.size();
      if (HasText(step, *at + 4, "\n\n")) size += 2;
      hit.m_ullSize = size;
      return 1;
    }
    std::uint64_t end = BehindLastText(step, p);
    // A step of zeros only: the text ended in the last word of the step before.
    if (end == p && p >= kStep) end = BehindLastText(window.Bytes(p - kStep, kStep), p - kStep);
    hit.m_ullSize = end;
    return 1;
  }
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
