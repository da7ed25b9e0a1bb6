#pragma once
// What the search tells a growing record about a sector, for targets that grow records themselves.

#include <algorithm>
#include <cstdint>

#include "RAWSearch/Framework/CRawFileInfo.h"

// Zero bytes at the sector's end in whole 32-bit words, at most 32, as the search counts them.
inline std::uint32_t FuzzTrailingZeroBytes(const std::uint8_t* sector, unsigned sectorSize) {
  std::uint32_t zero = 0;
  while (zero < 32 && std::all_of(sector + sectorSize - zero - 4, sector + sectorSize - zero,
                                  [](std::uint8_t b) { return b == 0; }))
    zero += 4;
  return zero;
}

// Shows a record every sector of `buffer` (`sectors` sectors, the record starting at sector 0) as the
// search does, in blocks of `perBlock` sectors behind the previous block, until it answers 1.
inline int FuzzGrowRecord(CRawFileInfo& record, std::uint8_t* buffer, long long sectors, long long perBlock,
                          unsigned sectorSize) {
  int result = 2;
  for (long long n = 0; n < sectors && result != 1; ++n) {
    CRawFileInfo::SearchContext context;
    const long long blockFirst = n / perBlock * perBlock;
    context.llBufferFirstSector = std::max(blockFirst - perBlock, 0LL);
    context.llBlockEndSector = std::min(blockFirst + perBlock, sectors);
    std::uint8_t* sector = buffer + n * sectorSize;
    context.uTrailingZeroBytes = FuzzTrailingZeroBytes(sector, sectorSize);
    result = record.CalcRawSize(sector, static_cast<int>(sectorSize), n, context);
  }
  return result;
}
