#pragma once
// The NTFS partitions a complete scan proposes, one per (origin, sectors per cluster): proposals that agree are
// merged and their evidence flags combined. Boot sectors and their backups are turned into proposals here.

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "NTFSSearch/CSearchedNTFSPartitionInfo.h"

class CNTFSDBR;

class CNTFSPartitionInfoBuilder {
 public:
  using Key = std::pair<std::int64_t, std::uint32_t>;  // origin sector, sectors per cluster
  using Container = std::map<Key, std::unique_ptr<CSearchedNTFSPartitionInfo>>;
  // Proposals beyond this many are not kept.
  static constexpr std::size_t kMaxPartitions = 500000;
  // A partition is at least this many sectors.
  static constexpr std::int64_t kMinSectors = 8;

  void SetDevice(std::int64_t totalSectors, std::uint32_t sectorSize);
  void Clear() { m_partitions.clear(); }

  // A proposal for a structure at sector that lies at cluster of a volume: none when the origin would be
  // negative or less than 8 sectors before it. The volume reaches to the device's end.
  std::unique_ptr<CSearchedNTFSPartitionInfo> BuildPartitionInfoAccordingtoFileRecord(std::int64_t sector,
                                                                                       std::int64_t cluster,
                                                                                       std::uint32_t sectorsPerCluster,
                                                                                       std::uint32_t flag) const;
  // Folds a proposal into the partition with its key (flags added) or keeps it; the partition held afterwards.
  CSearchedNTFSPartitionInfo* Merge(std::unique_ptr<CSearchedNTFSPartitionInfo> proposal);
  // The held partition with that key gains add and loses remove; one whose flags lay wholly within remove is
  // erased when nothing is added. False when none is held.
  bool AdjustPartitionBuildFromFlag(const Key& key, std::uint32_t add, std::uint32_t remove);
  CSearchedNTFSPartitionInfo* Find(const Key& key) const;

  // A boot sector (full test passed) at sector: a backup at origin sector - total sectors, and, unless it
  // proved to be the backup of a volume already found, a primary at sector itself.
  void AnalyzeBootSector(std::int64_t sector, const CNTFSDBR& boot);

  Container& Partitions() { return m_partitions; }
  const Container& Partitions() const { return m_partitions; }
  std::int64_t DeviceTotalSectors() const { return m_totalSectors; }
  std::uint32_t SectorSize() const { return m_sectorSize; }

 private:
  // Sectors per cluster and total sectors in the device's sectors; false when the boot sector's sizes do not
  // fit them.
  bool DeviceGeometry(const CNTFSDBR& boot, std::uint32_t& sectorsPerCluster, std::int64_t& totalSectors) const;
  // True when the sector proved to be the backup of a volume whose boot sector or $MFT was met.
  bool AnalyzeAsBackup(std::int64_t sector, const CNTFSDBR& boot, std::uint32_t sectorsPerCluster,
                       std::int64_t totalSectors);

  std::int64_t m_totalSectors = 0;
  std::uint32_t m_sectorSize = 512;
  Container m_partitions;
};
