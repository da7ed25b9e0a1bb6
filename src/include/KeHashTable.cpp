#include "include/KeHashTable.h"

namespace quellsy {

namespace {

std::array<std::uint32_t, KeHashKeys::kKeyCount> BuildKeys() {
  std::array<std::uint32_t, KeHashKeys::kKeyCount> keys{};
  std::uint32_t seed = 0x100001;
  for (std::size_t column = 0; column < 256; ++column) {
    for (std::size_t row = 0; row < 5; ++row) {
      seed = (seed * 125 + 3) % 0x2AAAAB;
      const std::uint32_t high = seed & 0xFFFF;
      seed = (seed * 125 + 3) % 0x2AAAAB;
      const std::uint32_t low = seed & 0xFFFF;
      keys[row * 256 + column] = (high << 16) | low;
    }
  }
  return keys;
}

}  // namespace

const std::array<std::uint32_t, KeHashKeys::kKeyCount>& KeHashKeys::Keys() {
  static const std::array<std::uint32_t, kKeyCount> keys = BuildKeys();
  return keys;
}

std::uint32_t KeHashKeys::GetHashCode(const char* text, unsigned int hashType) {
  const auto& keys = Keys();
  const std::size_t row = (hashType % 5) * 256;
  std::uint32_t seed1 = 0x7FED7FED;
  std::uint32_t seed2 = 0xEEEEEEEE;
  if (text == nullptr) return seed1;
  for (const char* p = text; *p != '\0'; ++p) {
    // Unsigned, and folding only ASCII letters, so bytes of UTF-8 names stay inside the key row.
    std::uint32_t c = static_cast<unsigned char>(*p);
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    seed1 = keys[row + c] ^ (seed1 + seed2);
    seed2 = seed2 * 97 + c + seed1;
  }
  return seed1;
}

}  // namespace quellsy
