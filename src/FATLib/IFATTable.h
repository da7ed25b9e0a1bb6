#pragma once
// The file allocation table as the FAT engine asks it: the next cluster of a cluster.

#include <cstdint>

class IFATTable {
 public:
  virtual ~IFATTable() = default;
  // 0 for a cluster outside the table. End-of-chain marks come back as 0x0FFFFFF8 or above.
  virtual std::uint32_t GetNextCluster(std::uint32_t cluster) = 0;
};
