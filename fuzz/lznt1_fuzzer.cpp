// The LZNT1 decoder on arbitrary compressed units: it must stay inside its input and output whatever the chunk
// headers and back-references claim. The first byte picks the output capacity, so short outputs are tried too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "DataRecovery/Lznt1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t capacity = data[0] == 0 ? 65536 : std::size_t{data[0]} * 37;
  const std::span<const std::uint8_t> unit(data + 1, size - 1);
  std::vector<std::uint8_t> out(capacity);
  if (quellsy::lznt1::DecompressUnit(unit, out) > capacity) std::abort();
  if (quellsy::lznt1::DecompressChunk(unit, out) > capacity) std::abort();
  return 0;
}
