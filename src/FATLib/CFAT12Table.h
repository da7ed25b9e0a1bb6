#pragma once
// A FAT12 copy (1 to 12 sectors), read whole at construction.

#include "FATLib/IRealFATTable.h"

class CFAT12Table : public IRealFATTable {
 public:
  CFAT12Table(IStorageDevice* device, std::int64_t startSector, std::uint32_t sectors);

  std::uint32_t GetNextCluster(std::uint32_t cluster) override;
  bool IsValidFATTable() override;
  // Entry 0's high four bits and entry 1 all set: the u32 at 0 masked with 0x00FFFFF0.
  static bool CheckFATHeader(quellsy::ByteSpan table);
};
