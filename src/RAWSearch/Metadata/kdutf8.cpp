#include "RAWSearch/Metadata/kdutf8.h"

#include "Utility/TextConvert.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// A lead byte with n continuation bytes is well formed when (b & test[n]) == indicator[n].
constexpr std::uint8_t gUTFByteIndicatorTest[6] = {0x80, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
constexpr std::uint8_t gUTFByteIndicator[6] = {0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};

int LessPlane(std::uint32_t value) { return static_cast<int>(value >= 0x10000 ? value - 0x10000 : value); }

}  // namespace

long UTF8ToUNICODE(const unsigned char* src, long srcLen, wchar_t* dst, long dstLen) {
  if (!src || !dst || srcLen <= 0 || dstLen <= 0) return 0;
  long in = 0;
  long out = 0;
  // A value this far out ends the text; what came before survives only when it is long enough to
  // be worth keeping.
  constexpr long kKeepBeforeBadValue = 33;
  while (in < srcLen && out < dstLen) {
    const unsigned char lead = src[in];
    if (lead < 0x80) {
      dst[out++] = static_cast<wchar_t>(lead);
      ++in;
      continue;
    }
    const int continuation = quellsy::Utf8ContinuationBytes(lead);
    if (in + continuation >= srcLen) break;
    if ((lead & gUTFByteIndicatorTest[continuation]) != gUTFByteIndicator[continuation]) return 0;
    const quellsy::Utf8Sequence decoded = quellsy::DecodeUtf8(src + in);
    if (decoded.length == 0) return 0;
    const std::uint32_t value = decoded.value;
    if (value < 0x10000) {
      dst[out++] = static_cast<wchar_t>(value);
    } else if (value <= 0x10FFFF) {
      if (dstLen - out < 2) break;
      dst[out++] = static_cast<wchar_t>(0xD800 + ((value - 0x10000) >> 10));
      dst[out++] = static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
    } else {
      return out >= kKeepBeforeBadValue ? out : 0;
    }
    in += decoded.length;
  }
  return out;
}

long UNICODEToUTF8(const wchar_t* src, long srcLen, unsigned char* dst, long dstLen) {
  if (!src || !dst || srcLen <= 0 || dstLen <= 0) return 0;
  long in = 0;
  long out = 0;
  while (in < srcLen) {
    auto value = static_cast<std::uint32_t>(src[in]);
    if (value >= 0xD800 && value <= 0xDBFF) {
      if (in + 1 >= srcLen) break;
      value = (value << 10) + static_cast<std::uint32_t>(src[in + 1]) - 0x35FDC00;
      in += 2;
    } else {
      in += 1;
    }
    if (value >= 0x80000000u) continue;
    unsigned char encoded[quellsy::kMaxUtf8Bytes];
    const int length = quellsy::EncodeUtf8(value, encoded);
    if (dstLen - out < length) break;
    std::memcpy(dst + out, encoded, static_cast<std::size_t>(length));
    out += length;
  }
  return out;
}

unsigned long UTF8ToANSI(const unsigned char* src, unsigned long srcLen, char* dst, unsigned long dstLen) {
  if (!src || !dst || srcLen == 0 || dstLen == 0 || srcLen > LONG_MAX || dstLen > LONG_MAX / 2) return 0;
  auto wide = std::make_unique<wchar_t[]>(dstLen + 1);
  const long units = UTF8ToUNICODE(src, static_cast<long>(srcLen), wide.get(), static_cast<long>(dstLen));
  if (units <= 0) return 0;
  wide[static_cast<std::size_t>(units)] = L'\0';
  // Two bytes a unit is the usual bound, but never more than the caller's buffer holds.
  const std::size_t room = std::min<std::size_t>(2 * static_cast<std::size_t>(units), dstLen);
  const std::size_t written = std::wcstombs(dst, wide.get(), room);
  if (written == static_cast<std::size_t>(-1)) return 0;
  return written;
}

unsigned long ANSIToUTF8(const char* src, unsigned long, unsigned char* dst, unsigned long dstLen) {
  if (!src || !dst || dstLen == 0 || dstLen > LONG_MAX) return 0;
  // A multibyte text never has more characters than bytes.
  const std::size_t capacity = std::strlen(src) + 1;
  auto wide = std::make_unique<wchar_t[]>(capacity);
  const std::size_t units = std::mbstowcs(wide.get(), src, capacity);
  if (units == 0 || units == static_cast<std::size_t>(-1)) return 0;
  return static_cast<unsigned long>(
      UNICODEToUTF8(wide.get(), static_cast<long>(units), dst, static_cast<long>(dstLen)));
}

unsigned int ANSIToUNICODE(const char* src, unsigned long, wchar_t* dst, unsigned long len) {
  return static_cast<unsigned int>(std::mbstowcs(dst, src, len));
}

unsigned int UNICODEToANSI(const wchar_t* src, unsigned long, char* dst, unsigned long len) {
  return static_cast<unsigned int>(std::wcstombs(dst, src, len));
}

int XCharToUTF8(int ch, char* out) {
  unsigned char bytes[quellsy::kMaxUtf8Bytes];
  const int length = quellsy::EncodeUtf8(static_cast<std::uint32_t>(ch), bytes);
  std::memcpy(out, bytes, static_cast<std::size_t>(length));
  return length;
}

int UTF8ToXChar(const unsigned char* s, int& ch) {
  if (s[0] < 0x80) return s[0];
  const quellsy::Utf8Sequence decoded = quellsy::DecodeUtf8(s);
  if (decoded.length == 0) return 0;
  ch = LessPlane(decoded.value);
  return decoded.length;
}

int utf8_value(const unsigned char* s) {
  const quellsy::Utf8Sequence decoded = quellsy::DecodeUtf8(s);
  return decoded.length == 0 ? 0 : LessPlane(decoded.value);
}

int utf8_strcmp(const char* a, const char* b, unsigned long n) {
  if (n == static_cast<unsigned long>(-1)) return std::strcmp(a, b);
  const std::size_t lengthA = std::strlen(a);
  const std::size_t lengthB = std::strlen(b);
  const std::size_t count = std::min({lengthA, lengthB, static_cast<std::size_t>(n)});
  if (const int order = std::memcmp(a, b, count); order != 0) return order;
  return lengthA < lengthB ? -1 : lengthA > lengthB ? 1 : 0;
}

void utf8_strlen(const char* s, unsigned int& chars, unsigned int& bytes, unsigned int maxBytes) {
  chars = 0;
  bytes = 0;
  for (; bytes < maxBytes && s[bytes] != '\0'; ++bytes) {
    const auto b = static_cast<unsigned char>(s[bytes]);
    if (b < 0x80 || b >= 0xE0) ++chars;
  }
}
