#pragma once
// Hints that bytes about to be read be brought into the cache. The complete scan's searchers look at every sector
// of a block that has only just come from memory; asking for the sectors a few ahead of the one being looked at
// keeps each first look from waiting on memory. A hint never reads, so it cannot fault, whatever the address.

#include <cstddef>

namespace quellsy {

// How many sectors ahead of the current one the block loops ask for.
constexpr long long kPrefetchSectorsAhead = 8;

// Asks for the cache lines of [bytes, bytes + count).
inline void PrefetchBytes(const void* bytes, std::size_t count) {
  const auto* at = static_cast<const unsigned char*>(bytes);
  for (std::size_t offset = 0; offset < count; offset += 64) __builtin_prefetch(at + offset);
}

// Asks for a sector's first line: all a test of its leading bytes reads.
inline void PrefetchSectorStart(const void* sector) { __builtin_prefetch(sector); }

// Asks for the lines of a sector that a test of its first and last bytes reads.
inline void PrefetchSectorEnds(const void* sector, std::size_t sectorSize) {
  const auto* at = static_cast<const unsigned char*>(sector);
  __builtin_prefetch(at);
  if (sectorSize != 0) __builtin_prefetch(at + sectorSize - 1);
}

}  // namespace quellsy
