#include "Utility/TextConvert.h"

#include "Utility/Utf8Text.h"

namespace quellsy {
namespace {

constexpr std::uint8_t kFirstByteMark[kMaxUtf8Bytes + 1] = {0x00, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
// Subtracted after value = (value << 6) + byte over a whole sequence, by continuation count; the
// accumulation wraps in 32 bits for the longest forms, and so do these.
constexpr std::uint32_t kOffsets[kMaxUtf8Bytes] = {0x0, 0x3080, 0xE2080, 0x3C82080, 0xFA082080, 0x82082080};

int EncodedLength(std::uint32_t value) {
  if (value < 0x80) return 1;
  if (value < 0x800) return 2;
  if (value < 0x10000) return 3;
  if (value < 0x200000) return 4;
  if (value < 0x4000000) return 5;
  return 6;
}

bool IsHighSurrogate(std::uint16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

int EncodeUtf8(std::uint32_t value, unsigned char* out) {
  const int length = EncodedLength(value);
  out[0] = static_cast<unsigned char>(kFirstByteMark[length] | (value >> (6 * (length - 1))));
  for (int k = 1; k < length; ++k)
    out[k] = static_cast<unsigned char>(0x80 | ((value >> (6 * (length - 1 - k))) & 0x3F));
  return length;
}

int Utf8ContinuationBytes(unsigned char lead) {
  return lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF8 ? 3 : lead < 0xFC ? 4 : 5;
}

Utf8Sequence DecodeUtf8(const unsigned char* s) {
  const int continuation = Utf8ContinuationBytes(s[0]);
  std::uint32_t value = s[0];
  for (int k = 1; k <= continuation; ++k) {
    if ((s[k] & 0xC0) != 0x80) return {0, 0};
    value = (value << 6) + s[k];
  }
  return {value - kOffsets[continuation], continuation + 1};
}

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  // Only a valid sequence that starts at most three bytes before the limit can reach across it; a lead
  // byte is never a continuation byte, so no other sequence covers it.
  const std::size_t earliest = maxBytes < 3 ? 0 : maxBytes - 3;
  for (std::size_t at = maxBytes; at-- > earliest;) {
    if (at + Utf8SequenceLength(text, at) > maxBytes) return text.substr(0, at);
  }
  return text.substr(0, maxBytes);
}

std::optional<std::string> Utf16LeToUtf8(ByteSpan bytes, InvalidUtf16 policy) {
  std::string text;
  std::size_t at = 0;
  const auto unitAt = [&](std::size_t offset) { return le16(bytes, offset); };
  while (at < bytes.size()) {
    const std::optional<std::uint16_t> unit = unitAt(at);
    std::uint32_t value = 0;
    std::size_t step = 2;
    bool valid = unit.has_value() && !IsLowSurrogate(*unit);
    if (valid && IsHighSurrogate(*unit)) {
      const std::optional<std::uint16_t> low = unitAt(at + 2);
      valid = low && IsLowSurrogate(*low);
      if (valid) {
        value = 0x10000 + ((static_cast<std::uint32_t>(*unit) - 0xD800) << 10) + (*low - 0xDC00);
        step = 4;
      }
    } else if (valid) {
      value = *unit;
    }
    if (!valid) {
      if (policy == InvalidUtf16::kFail) return std::nullopt;
      if (policy == InvalidUtf16::kStop) break;
      text += '_';
      at += 2;  // a cut last unit is passed over as a whole
      continue;
    }
    unsigned char encoded[kMaxUtf8Bytes];
    text.append(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(EncodeUtf8(value, encoded)));
    at += step;
  }
  return text;
}

std::optional<std::string> Utf16LeToUtf8(const std::vector<std::uint16_t>& units, InvalidUtf16 policy) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(units.size() * 2);
  for (const std::uint16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return Utf16LeToUtf8(ByteSpan(bytes), policy);
}

}  // namespace quellsy
