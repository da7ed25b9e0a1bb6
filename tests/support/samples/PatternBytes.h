#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quellsy::test {

// Bytes that differ at every offset and from a pattern with another seed: a misplaced read shows.
std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint32_t seed = 1);

}  // namespace quellsy::test
