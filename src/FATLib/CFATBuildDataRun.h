#pragma once
// A FAT file's runs from its first cluster and size. A live file follows its FAT chain; a deleted file, whose
// chain was freed, gets one-cluster runs that follow what the FAT still holds and then simply the next
// clusters. Run starts are cluster numbers minus 2 (the partition's origin is the sector of cluster 2).

#include <cstdint>
#include <vector>

class IDataRunList;
class IFATTable;

class CFATBuildDataRun {
 public:
  static constexpr std::uint32_t kEndOfChain = 0x0FFFFFF8;
  static constexpr std::uint32_t kBadCluster = 0x0FFFFFF7;

  // totalSectors bounds every run. clusterBitmap (optional, indexed by cluster - 2) gets the clusters of a
  // live file's runs marked.
  CFATBuildDataRun(IFATTable* table, std::uint32_t bytesPerSector, std::uint32_t sectorsPerCluster,
                   std::uint64_t totalSectors, std::vector<bool>* clusterBitmap = nullptr);

  // A new list owned by the caller; null without a table, bound or data, for a first cluster below 2, and when
  // a live file's run would reach past the bound.
  IDataRunList* BuildDataRunList(std::uint64_t firstCluster, std::uint64_t size, bool deleted);

 private:
  IDataRunList* BuildLiveFileDataRunList(std::uint64_t firstCluster, std::uint64_t size);
  IDataRunList* BuildDeleteFileDataRunList(std::uint64_t firstCluster, std::uint64_t size);
  bool WithinBound(long long start, long long length) const;
  // A file cannot hold more clusters than the partition: this bounds walks over looping chains.
  std::uint64_t MaxClusters() const { return m_totalSectors / m_sectorsPerCluster + 2; }

  IFATTable* m_table;
  std::uint64_t m_bytesPerSector;
  std::uint64_t m_sectorsPerCluster;
  std::uint64_t m_totalSectors;
  std::vector<bool>* m_clusterBitmap;
};
