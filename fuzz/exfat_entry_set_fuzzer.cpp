// exFAT directory entries from arbitrary bytes: the walk over two clusters (so sets may straddle them), the
// records it completes, and the set checksum over every prefix of whole entries.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "ExFat/CEFDTAnalyze.h"
#include "ExFat/ExFatDirEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 16)) return 0;
  const std::span<const std::uint8_t> bytes(data + 1, size - 1);
  const std::size_t half = bytes.size() / 64 * 32;

  CEFDTAnalyze analyzer;
  analyzer.PrepareAnayze(9, 9 + data[0] % 8, 1u << 20);
  if (analyzer.Analyze(bytes.first(half), 100)) analyzer.Analyze(bytes.subspan(half), 200);
  for (const _tagFileBaseInfo& record : analyzer.TakeRecords()) {
    if (record.dataLength < 0 || record.firstCluster == 1) std::abort();
    if (std::memchr(record.name.data(), 0, record.name.size()) != nullptr) std::abort();
  }

  for (std::size_t length = 0; length <= bytes.size() && length <= 19 * 32; length += 32)
    CheckDirEntry(bytes, static_cast<std::uint32_t>(length), static_cast<std::uint16_t>(length));
  return 0;
}
