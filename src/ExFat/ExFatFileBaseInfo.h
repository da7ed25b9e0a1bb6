#pragma once
// One file or folder as its directory entry set describes it.

#include <cstdint>
#include <string>

struct _tagFileBaseInfo {
  std::int64_t dataLength = 0;
  std::uint32_t firstCluster = 0;
  std::uint8_t noFatChain = 0;
  std::uint8_t inUse = 0;
  std::uint16_t attributes = 0;
  // exFAT timestamps: time in the low 16 bits, date in the high 16 bits.
  std::uint32_t creationTime = 0;
  std::uint32_t modificationTime = 0;
  std::uint32_t lastAccessTime = 0;
  // The sector that holds the file entry.
  std::int64_t metadataSector = 0;
  std::string name;  // UTF-8
};
