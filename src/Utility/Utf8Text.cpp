#include "Utility/Utf8Text.h"

#include <cstdio>

namespace quellsy {

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  if (at >= text.size()) return 0;
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  unsigned code = lead & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + k) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsControlCharacter(std::string_view text, std::size_t at, std::size_t length) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (length == 1) return lead < 0x20 || lead == 0x7F;
  // U+0080-U+009F are C2 80 to C2 9F.
  return length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
}

std::string EscapeForTerminal(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto escape = [&out](unsigned char byte) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(byte));
    out += hex;
  };
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, at);
    if (length == 0 || IsControlCharacter(text, at, length)) {
      const std::size_t count = length == 0 ? 1 : length;
      for (std::size_t k = 0; k < count; ++k) escape(static_cast<unsigned char>(text[at + k]));
      at += count;
      continue;
    }
    if (text[at] == '\\') out += '\\';
    out.append(text.substr(at, length));
    at += length;
  }
  return out;
}

}  // namespace quellsy
