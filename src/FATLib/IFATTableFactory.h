#pragma once
// Builds FAT tables: one checked copy, or the pair the engine reads with its fallback to the second copy.

#include <cstdint>

#include "include/FileSystemType.h"

class IFATTable;
class IRealFATTable;
class IStorageDevice;

class IFATTableFactory {
 public:
  // A valid copy of the given type (0 FAT12, 1 FAT16, 2 FAT32) at startSector, or null. Sectors of it that
  // cannot be read come from the copy at otherCopy when that is 0 or more.
  static IRealFATTable* CreateRealFATTable(IStorageDevice* device, enumFILE_SYSTEM_TYPE type, std::int64_t startSector,
                                           std::uint32_t sectorsPerFat, std::int64_t otherCopy = -1);
  // Always a new CDoubleFATTable. The first copy (at firstFatSector) is built when firstCopyFound is set or
  // secondCopyFound is not; the second (one FAT further) only when secondCopyFound is set and the first
  // copy could not be built. When both copies were found, each fills the sectors of the other that cannot be read.
  static IFATTable* CreateFATTable(IStorageDevice* device, std::int64_t firstFatSector, enumFILE_SYSTEM_TYPE type,
                                   std::uint32_t sectorsPerFat, int firstCopyFound, int secondCopyFound);
  static void DestroyFATTable(IFATTable* table);
};
