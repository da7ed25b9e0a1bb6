#pragma once
// What the search tells a growing record about a sector, for targets that grow records themselves.

#include <algorithm>
#include <cstdint>

// Zero bytes at the sector's end in whole 32-bit words, at most 32, as the search counts them.
inline std::uint32_t FuzzTrailingZeroBytes(const std::uint8_t* sector, unsigned sectorSize) {
  std::uint32_t zero = 0;
  while (zero < 32 && std::all_of(sector + sectorSize - zero - 4, sector + sectorSize - zero,
                                  [](std::uint8_t b) { return b == 0; }))
    zero += 4;
  return zero;
}
