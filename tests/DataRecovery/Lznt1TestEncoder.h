#pragma once
// A small LZNT1 encoder for tests only: greedy matching, one chunk per 4096 input bytes, a chunk stored when
// compression does not pay. Enough to make compressed units that the decoder must turn back into the input.

#include <cstdint>
#include <span>
#include <vector>

namespace quellsy::test {

std::vector<std::uint8_t> Lznt1Encode(std::span<const std::uint8_t> input);

}  // namespace quellsy::test
