#pragma once
// The geometry of one exFAT volume: clusters to sectors and back, the next cluster of a chain, and entry sets
// into file nodes with their data runs. Runs count from the cluster heap (cluster 2 is run position 0).

#include <cstdint>

#include "ExFat/CAllocationBitmap.h"
#include "ExFat/CFatTable.h"
#include "ExFat/ExFatFileBaseInfo.h"

class CExFatFileNode;
class IDataRunList;

class CExFatPartition : public CFatTable {
 public:
  static constexpr std::uint32_t kLastCluster = 0xFFFFFFF5;
  static constexpr std::uint32_t kFreeCluster = 0;

  // 0 for a cluster below 2, else the sector of its first byte.
  std::int64_t ConvertClusterNumToSector(std::uint32_t cluster) const;
  // The cluster that holds the sector, rounded up; 0 when sectors per cluster is 0.
  std::uint32_t ConvertSectorToClusterNum(std::int64_t sector) const;
  // The cluster after cluster: the next one on the volume for a contiguous (no-FAT-chain) object, else its FAT
  // entry; kNoCluster when that is at or above the cluster limit.
  std::uint32_t GetNextCluster(std::uint32_t cluster, int keepWithoutFat);

  // A new node (name, size, attributes, times, deleted and contiguous marks, metadata sector, data runs);
  // null when memory is short.
  CExFatFileNode* BuildFile(const _tagFileBaseInfo& info);
  // A new run list: empty for folders, empty files and clusters that are no clusters; one run for a contiguous
  // file; one run per cluster of its chain (merged where adjacent) otherwise, until the length is covered. A
  // deleted file's chain goes on, where its FAT entry was freed, with the next cluster that is free in the
  // allocation bitmap (the next cluster on the volume while the bitmap is unknown).
  IDataRunList* BuildFileDataRun(const _tagFileBaseInfo& info);

  std::uint32_t m_bytesPerSector = 512;
  std::uint32_t m_sectorsPerCluster = 1;
  // Values at or above it are not clusters.
  std::uint32_t m_clusterLimit = 0;
  std::uint32_t m_rootCluster = 0xFFFFFFFF;
  std::uint32_t m_bytesPerCluster = 512;
  std::int64_t m_heapStart = 0;
  std::uint64_t m_partitionStart = 0;
  std::uint64_t m_totalSectors = 0;
  CAllocationBitmap m_bitmap;
};
