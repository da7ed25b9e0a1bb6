#include "Bridge/CaseInsensitive.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <string>

namespace quellsy::bridge {
namespace {

// Bytes that do not start a valid sequence become values above the Unicode range, so they match only the
// same byte and are never case-mapped.
constexpr char32_t kInvalidByteBase = 0x110000;

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
      length = 1;
      value = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      value = lead & 0x07;
    }
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      value = (value << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not text.
    if (valid && ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
                  (value >= 0xD800 && value <= 0xDFFF)))
      valid = false;
    if (!valid) {
      out.push_back(kInvalidByteBase + lead);
      ++i;
      continue;
    }
    out.push_back(value);
    i += length;
  }
  return out;
}

locale_t Utf8Locale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

char32_t Lower(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
  if (c >= kInvalidByteBase) return c;
  const locale_t locale = Utf8Locale();
  if (!locale) return c;  // without the locale only ASCII is folded
  return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale));
}

std::u32string Folded(std::string_view text) {
  std::u32string decoded = DecodeUtf8(text);
  std::transform(decoded.begin(), decoded.end(), decoded.begin(), Lower);
  return decoded;
}

}  // namespace

bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return true;
  return Folded(haystack).find(Folded(needle)) != std::u32string::npos;
}

}  // namespace quellsy::bridge
