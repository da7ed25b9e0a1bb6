// The LZVN decoder on arbitrary streams: the first two bytes set the output's capacity.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "HFSPlus/HFSPlusLib/LzvnDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size > 262144) return 0;
  const std::size_t capacity = (std::size_t{data[0]} | (std::size_t{data[1]} << 8)) * 4;
  std::vector<std::uint8_t> out(capacity);
  const auto got = quellsy::lzvn::Decode(quellsy::ByteSpan(data + 2, size - 2), out);
  if (got && *got > capacity) std::abort();
  return 0;
}
