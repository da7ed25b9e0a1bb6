#pragma once
// Tests on raw sectors and cluster values that do not need a whole table.

#include <cstdint>

#include "Utility/ByteReader.h"
#include "include/FileSystemType.h"

class CFATTableAnalyser {
 public:
  // 2 <= value <= 0x0FFFFFEF: a cluster a chain can continue to.
  static bool IsUsedCluster(std::int64_t value);
  // Whether the sector starts a FAT: FAT32 (type 2) when the FAT32 header holds, else FAT16 (type 1) when
  // the FAT16 one does. FAT12 is never reported.
  static bool IsValidFATTableFirstSector(quellsy::ByteSpan sector, enumFILE_SYSTEM_TYPE& type);
};
