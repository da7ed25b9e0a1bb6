#pragma once
// A candidate exFAT partition of the complete search: a guess of cluster-heap start and cluster size with the
// evidence for it (boot sectors, FATs, root and folder sets) and the directory sets it matched.

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "ExFat/CExFatPartition.h"

class CFileSet;

class CExFatPartitionEx : public CExFatPartition {
 public:
  static constexpr std::uint32_t kMainBoot = 0x80000000;
  static constexpr std::uint32_t kBackupBoot = 0x40000000;
  static constexpr std::uint32_t kFromRoot = 0x10000000;
  static constexpr std::uint32_t kFromTree = 0x08000000;
  static constexpr std::uint32_t kBackward = 0x02000000;
  static constexpr std::uint32_t kFirstFat = 1;
  static constexpr std::uint32_t kSecondFat = 2;
  static constexpr std::uint32_t kNoRoot = 0xFFFFFFFF;

  // Takes a FAT start at sector (only with boot-sector evidence); true when it is one of this partition's FATs.
  bool CheckFatSector(std::int64_t sector);
  // Strictly after the heap start and on a cluster boundary.
  bool IsClusterFisrtSector(std::int64_t sector) const;
  bool IsFileSetInPartition(const CFileSet& set) const;
  bool IsClusterSizeConflicted(const CFileSet& set) const;
  // The set's own cluster.
  std::uint32_t ClusterOf(std::int64_t sector) const;
  void AddDataSector(std::int64_t sector);
  bool IsNoDataScaned() const { return m_alignedData.empty() || m_matched.empty(); }
  // The set's files do not share clusters and its own cluster lies just before its lowest file.
  bool SimpleCheck(const CFileSet& set) const;
  void CalcPartitionParam(std::uint32_t sectorSize);
  void InsertMathedFileSet(CFileSet* set, std::uint32_t mark);
  bool HasMatched(const CFileSet* set) const { return m_matched.count(set) != 0; }
  void ClearMatches();

  std::uint32_t m_flags = 0;
  std::uint32_t m_numberOfFats = 0;
  std::uint32_t m_fatLength = 0;
  std::uint64_t m_fatOffset = 0;
  // The allocation bitmap named by the matched root set (cluster 0 when none).
  std::uint32_t m_bitmapCluster = 0;
  std::uint64_t m_bitmapLength = 0;
  std::set<const CFileSet*> m_matched;
  std::vector<std::int64_t> m_alignedData;
  std::vector<std::int64_t> m_otherData;
  std::map<std::int64_t, std::uint32_t> m_marks;  // matched set's first sector -> tree score or 1
  // Every data sector in order once the parameters are settled.
  std::vector<std::int64_t> m_dataSectors;
};

// The clusters of the set's in-use files (first clusters, and what a contiguous file's length covers) overlap.
bool ClustersCollide(const CFileSet& set, std::uint32_t bytesPerCluster);
// Ordering of the candidate list: more evidence first, then more matched sets.
bool CExFatPartitionGreater(const CExFatPartitionEx* a, const CExFatPartitionEx* b);
// b has no more marks than a and each of b's is in a with a mark at least b's.
bool IsCover(const std::map<std::int64_t, std::uint32_t>& a, const std::map<std::int64_t, std::uint32_t>& b);
