#pragma once
// Grows one streaming or branch hit over arbitrary content laid out as the search lays it out (the
// previous block, the current block, 4096 zero bytes behind it), from the content's first sector on.
// Invariant: a size found by a walk (the hit is named) never lies more than two sectors past the sector
// that decided it; a size stated by a header (unnamed) stays within the largest cap of the families.
//
// Input: byte 0 picks the member (bits 0-2 and 6-7), the sector size (bit 3), the block length (bit 4) and
// whether the content repeats over 1,000 sectors (bit 5; some walks start that far in), then the
// content (at most four blocks unless repeated).

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "FuzzSearchContext.h"
#include "RAWSearch/Framework/BruteForceAnalyser.h"

using FuzzStreamingMember = std::function<std::unique_ptr<BruteForce::CBruteForceAnalyser>()>;

template <typename T>
FuzzStreamingMember FuzzStreamingOf() {
  return [] { return std::make_unique<T>(); };
}

inline void FuzzGrowStreamingHit(BruteForce::CBruteForceAnalyser& analyser, const std::uint8_t* data,
                                 std::size_t size, unsigned sectorSize, std::size_t sectorsPerBlock, bool repeat) {
  constexpr std::size_t kRepeatedSectors = 1000;
  const std::size_t sectors =
      repeat ? kRepeatedSectors : std::min<std::size_t>((size + sectorSize - 1) / sectorSize, 4 * sectorsPerBlock);
  if (sectors == 0 || size == 0) return;
  std::vector<std::uint8_t> content(sectors * sectorSize, 0);
  for (std::size_t at = 0; at < content.size(); at += size) {
    std::memcpy(content.data() + at, data, std::min(size, content.size() - at));
    if (!repeat) break;
  }

  const std::size_t blockBytes = sectorsPerBlock * sectorSize;
  std::vector<std::uint8_t> buffer(2 * blockBytes + 4096, 0);
  CRawFileInfo scratch;
  std::memcpy(buffer.data() + blockBytes, content.data(), std::min(blockBytes, content.size()));
  analyser.AnalyseBuffer(buffer.data() + blockBytes, scratch);
  std::unique_ptr<CRawFileInfo> record(analyser.CreateRawFileInfo());
  if (!record) return;
  record->m_llStartSector = 0;
  record->m_pAnalyser = &analyser;
  for (std::size_t n = 0; n < sectors; ++n) {
    const std::size_t block = n / sectorsPerBlock;
    if (n % sectorsPerBlock == 0) {
      std::memmove(buffer.data(), buffer.data() + blockBytes, blockBytes);
      std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(blockBytes), buffer.end(), 0);
      const std::size_t from = block * blockBytes;
      std::memcpy(buffer.data() + blockBytes, content.data() + from, std::min(blockBytes, content.size() - from));
    }
    unsigned char* sector = buffer.data() + blockBytes + (n % sectorsPerBlock) * sectorSize;
    CRawFileInfo::SearchContext context;
    context.llBufferFirstSector = block == 0 ? 0 : static_cast<long long>((block - 1) * sectorsPerBlock);
    context.llBlockEndSector = static_cast<long long>((block + 1) * sectorsPerBlock);
    context.uTrailingZeroBytes = FuzzTrailingZeroBytes(sector, sectorSize);
    if (record->CalcRawSize(sector, static_cast<int>(sectorSize), static_cast<long long>(n), context) != 1) continue;
    constexpr std::uint64_t kLargestCap = 2000000000;
    const std::uint64_t limit = record->GetRawFileName().empty() ? kLargestCap : (n + 2) * sectorSize + 128;
    if (record->m_ullSize > limit) std::abort();
    break;
  }
  record->WillBeRemove(nullptr, -1);
}

inline int FuzzStreamingMembers(const std::vector<FuzzStreamingMember>& members, const std::uint8_t* data,
                                std::size_t size) {
  if (size < 2 || members.empty()) return 0;
  const auto analyser = members[((data[0] & 7) | (data[0] >> 6) << 3) % members.size()]();
  const unsigned sectorSize = (data[0] & 8) ? 4096 : 512;
  const std::size_t sectorsPerBlock = (data[0] & 16) ? 2 : 16;
  FuzzGrowStreamingHit(*analyser, data + 1, size - 1, sectorSize, sectorsPerBlock, (data[0] & 32) != 0);
  return 0;
}
