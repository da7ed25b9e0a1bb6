#include "Utility/TextConvert.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace quellsy {

std::optional<std::string> Utf16LeToUtf8(ByteSpan bytes, InvalidUtf16 policy) {
  const iconv_t converter = iconv_open("UTF-8", "UTF-16LE");
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::vector<char> input(bytes.begin(), bytes.end());
  char* in = input.data();
  std::size_t inLeft = input.size();
  std::string text;
  std::array<char, 512> out{};
  bool failed = false;
  while (inLeft > 0) {
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    text.append(out.data(), static_cast<std::size_t>(outPtr - out.data()));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    if (policy != InvalidUtf16::kReplace) {
      failed = policy == InvalidUtf16::kFail;
      break;
    }
    text += '_';
    const std::size_t skip = std::min<std::size_t>(2, inLeft);
    in += skip;
    inLeft -= skip;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(converter);
  if (failed) return std::nullopt;
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
