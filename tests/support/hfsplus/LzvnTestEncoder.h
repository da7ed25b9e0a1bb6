#pragma once
// A small LZVN encoder for tests only: greedy matches over a 3-byte hash, written with every opcode kind
// (short and long literals, small, medium and large distances, the previous distance, short and long
// matches), ending with the end-of-stream opcode and its seven padding bytes.

#include <cstdint>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::test {

std::vector<std::uint8_t> LzvnEncode(ByteSpan data);

}  // namespace quellsy::test
