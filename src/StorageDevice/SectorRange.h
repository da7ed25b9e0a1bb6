#pragma once
// Byte arithmetic of sector reads, refusing what would overflow instead of wrapping, and the read of
// the bytes found.

#include <cstdint>
#include <cstring>
#include <optional>

#include "StorageDevice/ReadTarget.h"

namespace quellsy::storage {

struct ByteRange {
  long long offset;
  long long length;
};

// The bytes of `count` sectors from sector `first`, `base` bytes into the file. nullopt when an
// argument is negative, the count is 0 or the sector size 0, or a product or sum overflows.
inline std::optional<ByteRange> SectorBytes(long long base, long long first, long long count, unsigned sectorSize) {
  if (base < 0 || first < 0 || count <= 0 || sectorSize == 0) return std::nullopt;
  long long offset = 0;
  long long length = 0;
  long long end = 0;
  if (__builtin_mul_overflow(first, static_cast<long long>(sectorSize), &offset) ||
      __builtin_add_overflow(offset, base, &offset) ||
      __builtin_mul_overflow(count, static_cast<long long>(sectorSize), &length) ||
      __builtin_add_overflow(offset, length, &end))
    return std::nullopt;
  return ByteRange{offset, length};
}

// Reads the range of an open file through the raw-read routine; false when any piece failed. What
// could not be read is zeros, also when the file is not open.
inline bool ReadFileRange(int fd, const ReadTarget& target, ByteRange range) {
  if (target.ReadFile(fd, range.offset, range.length) != 0) return true;
  if (fd < 0) std::memset(target.data(), 0, static_cast<std::size_t>(range.length));
  return false;
}

}  // namespace quellsy::storage
