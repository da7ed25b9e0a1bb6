#pragma once
// A FAT16 copy (12 to 256 sectors at 512 bytes a sector, fewer for larger sectors), read whole.

#include "FATLib/IRealFATTable.h"

class CFAT16Table : public IRealFATTable {
 public:
  CFAT16Table(IStorageDevice* device, std::int64_t startSector, std::uint32_t sectors);

  std::uint32_t GetNextCluster(std::uint32_t cluster) override;
  bool IsValidFATTable() override;
  // Entry 0's bits 3-15 and entry 1's bits 0-14 set: the u32 at 0 masked with 0x7FFFFFF8.
  static bool CheckFATHeader(quellsy::ByteSpan table);
  bool CheckFATBody() { return CheckBody(0xFFF7); }
  bool CheckFATIndex() { return CheckChains(0xFFF6); }
};
