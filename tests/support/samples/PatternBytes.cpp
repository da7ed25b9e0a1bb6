#include "support/samples/PatternBytes.h"

namespace quellsy::test {

std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(count);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    bytes[i] = static_cast<std::uint8_t>(state >> 24);
  }
  return bytes;
}

}  // namespace quellsy::test
