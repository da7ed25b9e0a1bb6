#include "RAWSearch/Formats/Document/FileEMLXAnalyser.h"

#include <cstdint>

namespace {

constexpr std::size_t kCountBytes = 10;      // the byte count line's width
constexpr std::uint64_t kTrailerBytes = 402;  // the property list behind the message
constexpr std::size_t kMarkOffset = 11;

bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The number at the start of `text`, read as a C integer conversion reads it.
std::int64_t LeadingInteger(quellsy::ByteSpan text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
  return negative ? -value : value;
}

}  // namespace

int FileEMLXAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, kMarkOffset, "X-QQ-FEAT:")) return 0;
  const std::int64_t count = LeadingInteger(sector.first(kCountBytes));
  // A negative count would turn into an absurd length.
  if (count < 0) return 0;
  return Claim(hit, static_cast<std::uint64_t>(count) + kTrailerBytes);
}
