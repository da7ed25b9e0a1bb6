#pragma once
// Where a FAT partition keeps its folders and data, as the folder walk needs it. All sectors are absolute
// sectors of the device the walk reads.

#include <cstdint>

#include "include/FileSystemType.h"

struct FATBuildGeometry {
  enumFILE_SYSTEM_TYPE type = FILE_SYSTEM_UNKNOWN;
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t rootCluster = 0;          // FAT32
  std::uint64_t rootStartSector = 0;      // FAT12/16 fixed root folder
  std::uint32_t rootSectorCount = 0;      // FAT12/16
  std::uint64_t firstDataSector = 0;      // the sector of cluster 2
  std::uint64_t totalSectors = 0;         // the partition's; bounds first clusters and runs

  // 0 below cluster 2.
  std::uint64_t ClusterToSector(std::uint64_t cluster) const {
    return cluster < 2 ? 0 : (cluster - 2) * sectorsPerCluster + firstDataSector;
  }
};
