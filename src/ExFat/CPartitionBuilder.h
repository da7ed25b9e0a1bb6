#pragma once
// Turns what the exFAT complete search met (boot sectors, FAT starts, up-case tables, directory sets) into
// candidate partitions, keeps the list bounded and ordered during the scan, and at the end winnows it, drops
// candidates whose evidence another covers, and builds each survivor's file tree.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "ExFat/CExFatPartitionEx.h"
#include "ExFat/CFileSet.h"

class CExFatDBR;
class IStorageDevice;
class CExFatFileNode;

class CPartitionBuilder {
 public:
  static constexpr std::size_t kInferenceLag = 2176;
  static constexpr std::int64_t kSectorLag = 0x2000000;
  static constexpr std::size_t kSpillAt = 1025;
  static constexpr std::size_t kSpillTo = 512;

  CPartitionBuilder() = default;
  CPartitionBuilder(const CPartitionBuilder&) = delete;
  CPartitionBuilder& operator=(const CPartitionBuilder&) = delete;
  ~CPartitionBuilder() { Clear(); }

  void PrepareBuild(std::uint32_t sectorSize, std::uint64_t totalSectors);
  void Clear();

  void Build(std::int64_t sector, const CExFatDBR& bootSector);
  void RecordFAT(std::int64_t sector);
  void RecordUpCaseTable(std::int64_t sector) { m_upcaseSectors.push_back(sector); }
  void PushFileSet(std::unique_ptr<CFileSet> set, std::int64_t lastFirstSector, std::int64_t nextFirstSector);
  // Takes one more set through inference when the scan is far enough ahead of it.
  void Build(std::int64_t sector);
  // True when every set pushed went through inference: Build(sector) then does nothing.
  bool AllTaken() const { return m_taken >= m_sets.size(); }
  // Settles the partitions into out (which owns them from then on), best first. The device, when given, is where
  // a partition's allocation bitmap is read to tell which lost directory pieces are its own.
  void FinishBuid(std::vector<std::unique_ptr<CExFatPartitionEx>>& out, IStorageDevice* device = nullptr);
  // Nodes for the partition's directory sets, with IDs and parent IDs (-1 for the root's children); a set that
  // another settled partition matched and this one did not is left to that one. Parents that are no node of
  // the partition become placeholder folders "DIR<n>" below the root. The FAT, when wanted, must be opened by
  // the caller.
  void BuildFileTree(CExFatPartitionEx& partition, std::vector<CExFatFileNode*>& nodes);

  // The ordered candidates during the scan (tests read them).
  std::vector<const CExFatPartitionEx*> Candidates() const;
  CFileSet* FindFileSet(std::int64_t firstSector) const;
  std::size_t FileSetCount() const { return m_sets.size(); }

 private:
  using Key = std::pair<std::int64_t, std::uint32_t>;
  struct Proposal {
    CExFatPartitionEx* candidate = nullptr;
    std::unique_ptr<CExFatPartitionEx> fresh;
  };

  CExFatPartitionEx* Find(std::int64_t heapStart, std::uint32_t sectorsPerCluster) const;
  bool IsRemoved(std::int64_t heapStart, std::uint32_t sectorsPerCluster) const;
  std::unique_ptr<CExFatPartitionEx> NewCandidate(std::int64_t heapStart, std::uint32_t sectorsPerCluster,
                                                  std::uint32_t flags) const;
  CExFatPartitionEx* Insert(std::unique_ptr<CExFatPartitionEx> candidate);
  void Remove(CExFatPartitionEx* candidate, bool remember);
  void RemovePartion(std::int64_t heapStart, std::uint32_t sectorsPerCluster);
  void Sort();
  void SpillPartition();

  void BuildFromTree(std::size_t index);
  bool IsBelongExistedPartition(CFileSet& set);
  // The score of the folder tree below set for a heap start and cluster size; 0 when it fails.
  std::uint32_t CheckTree(CFileSet& set, std::int64_t heapStart, std::uint64_t clusterSize,
                          std::vector<CFileSet*>& reached, std::uint32_t minimum, const CExFatPartitionEx* owner);
  void BuildFromTree(CFileSet& set, CFileSet& other, std::uint32_t minimum);
  void BuildFromUpcaseTable(CFileSet& set);
  void BuildFromRoot(CFileSet& set);
  // One proposal for a root-directory guess; false when a candidate there has another root.
  bool BuildPartionByRoot(std::int64_t heapStart, std::uint64_t clusterSize, std::uint64_t clusters,
                          std::uint32_t rootCluster, std::vector<Proposal>& proposals);
  void BuildFromAllocBackWard(CFileSet& set);
  void UpdatePartitionList(std::vector<Proposal>& proposals, CFileSet& set);
  void Match(CExFatPartitionEx& candidate, CFileSet& set, std::uint32_t mark);

  void FinishBuildFromTree();
  void WinnowPartition(IStorageDevice* device);
  // A settled partition whose boot sector gives its geometry takes the directory pieces no tree reached that lie
  // inside it with files that fit it (in clusters its allocation bitmap gives out, when the bitmap is known):
  // their folder's entry, or the root, was damaged, and a geometry guessed from such a piece alone would read
  // its files from the wrong clusters.
  void AdoptOrphanSets(CExFatPartitionEx& candidate, IStorageDevice* device);
  void UpdatePartitionMatched(CExFatPartitionEx& candidate, CFileSet& set);
  void SimpleBuild();
  void RemovePartionBeCoveredByOther(std::vector<std::unique_ptr<CExFatPartitionEx>>& out);

  void AddPlaceholders(std::vector<CExFatFileNode*>& nodes);
  void BuildSet(CExFatPartitionEx& partition, CFileSet& set, std::int64_t parentID,
                std::vector<CExFatFileNode*>& nodes);

  std::uint32_t m_sectorSize = 512;
  std::uint64_t m_totalSectors = 0;
  std::vector<std::unique_ptr<CFileSet>> m_sets;  // ascending first sector
  std::size_t m_taken = 0;
  std::int64_t m_highestReached = 0;
  std::map<Key, CExFatPartitionEx*> m_byKey;
  std::vector<std::unique_ptr<CExFatPartitionEx>> m_list;  // ordered by CExFatPartitionGreater
  std::set<Key> m_removed;
  std::vector<std::int64_t> m_upcaseSectors;
  std::vector<std::unique_ptr<CExFatPartitionEx>> m_final;
  // The settled partitions (owned by FinishBuid's caller): a set one of them matched is built only there.
  std::vector<const CExFatPartitionEx*> m_settled;
  int m_placeholders = 0;
  // Folder clusters recorded while a tree is built: first sector -> (end sector, folder node ID).
  std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> m_folderSectors;
};
