#pragma once
// Text fields of fixed size in records: always NUL-terminated, zero-padded, never read past.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "Utility/ByteReader.h"

namespace quellsy {

// Copies at most N - 1 bytes of `text` and zero-fills the rest.
template <std::size_t N>
void StoreText(char (&out)[N], std::string_view text) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::memcpy(out, text.data(), length);
  std::memset(out + length, 0, N - length);
}

// The field's bytes, cut at the first NUL and at N - 1 bytes.
template <std::size_t N>
void LoadText(ByteSpan field, char (&out)[N]) {
  if (field.empty()) return StoreText(out, {});
  const auto* bytes = reinterpret_cast<const char*>(field.data());
  StoreText(out, std::string_view(bytes, strnlen(bytes, std::min(field.size(), N))));
}

// The text and its zero padding into a field of N bytes (`out` must hold N).
template <std::size_t N>
void SaveText(const char (&text)[N], MutableByteSpan out) {
  const std::size_t length = strnlen(text, N - 1);
  std::memcpy(out.data(), text, length);
  std::memset(out.data() + length, 0, N - length);
}

}  // namespace quellsy
