#pragma once
// The FAT partitions a complete search believes in while it reads the disk: boot sectors (and, for FAT32,
// the partition a sector would be the backup boot sector of) make candidates, the first sectors of their FATs
// confirm them, and sub-folders either vote for a candidate whose cluster grid they fit or infer new ones.
// At the end the credible candidates are kept and scored.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "FATSearch/CFATSearchedPartitionInfo.h"
#include "Utility/ByteReader.h"
#include "include/FileSystemType.h"

class CTempFATDBR;

class CFATPartitionCandidates {
 public:
  // Beyond this many candidates no new one is made (votes still count): a disk full of sub-folders that fit
  // no known partition must not exhaust memory.
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 17;
  // Where a FAT32 backup boot sector lies, counted from the partition start.
  static constexpr long long kBackupBootSector = 6;

  explicit CFATPartitionCandidates(std::size_t capacity = kDefaultCapacity) : m_capacity(capacity) {}

  // The scanned device: its end bounds every candidate; bytesPerSector 0 means 512.
  void SetDevice(long long totalSectors, std::uint32_t bytesPerSector);

  // sector holds a boot sector that passed the signature check. True when it made (or, as a backup,
  // confirmed) a candidate.
  bool AnalyzeFATDBRSector(long long sector, quellsy::ByteSpan bytes);
  // sector starts a FAT: the candidates whose first or second FAT lies there are confirmed, and every FAT
  // position up to it is forgotten.
  void UpdateFATTableInfo(long long sector);
  // A FAT12 candidate expects a FAT at sector (the general FAT test never reports FAT12).
  bool IsFAT12TablePosition(long long sector) const;
  // The first sector of a sub-folder whose "." entry names cluster: votes for the candidate whose cluster
  // grid puts that cluster at sector, else infers candidates for each cluster size. Always true.
  bool AnalyzeFATSubFolderFirstSector(long long sector, std::uint32_t cluster);

  // The candidate a boot sector at sector describes (as its backup at start + 6 when backup is 1); null
  // when the geometry does not hold.
  FATSearchedPartitionInfoPtr BuildPartitionInfoAccordingFATDBR(long long sector, const CTempFATDBR& dbr,
                                                                int backup) const;
  // The FAT32 or FAT16 partition whose cluster grid of sectorsPerCluster puts cluster at sector; null when
  // neither fits the device.
  FATSearchedPartitionInfoPtr BuildPartitionInfoAccordingtoSubFolder(long long sector, std::uint32_t cluster,
                                                                     std::uint32_t sectorsPerCluster) const;
  CFATSearchedPartitionInfo* FindMatchedPartitionInfo(long long origin, std::uint32_t sectorsPerCluster) const;

  // Moves the credible candidates, scored and numbered in order of origin, to the end of out (their owner
  // from then on, see DestroyFATSearchedPartitionInfo); the rest are destroyed and both sets emptied.
  void AddSearchedPartitionInfoList2(std::vector<CFATSearchedPartitionInfo*>& out);
  // FAT part (50 both FATs, 45 one, 10 none) plus boot part (FAT32: 50 both boot sectors, 45 one, 10 none;
  // FAT12/16: 50 with the boot sector, 10 without).
  static std::uint64_t Score(const CFATSearchedPartitionInfo& candidate);

  std::size_t Size() const { return m_candidates.size(); }
  std::size_t PendingFATPositions() const { return m_fatPositions.size(); }
  void Clear();

 private:
  // What a partition inferred from a sub-folder looks like.
  struct InferredLayout {
    std::uint64_t clusters = 0;
    std::uint64_t fatSectors = 0;
    std::uint64_t rootSectors = 0;
    long long start = 0;
  };
  // A FAT a candidate expects: which candidate, and whether it is the second copy.
  struct FATTableInfo {
    CFATSearchedPartitionInfo* candidate = nullptr;
    bool second = false;
  };

  std::optional<InferredLayout> IsValidFileSystem(long long origin, std::uint32_t sectorsPerCluster,
                                                  enumFILE_SYSTEM_TYPE type) const;
  // Takes the candidate into the set and (for boot-sector candidates) its two FAT positions.
  void AddCandidate(FATSearchedPartitionInfoPtr candidate, bool withFATs);

  std::size_t m_capacity;
  long long m_deviceSectors = 0;
  std::uint32_t m_bytesPerSector = 512;
  // Ordered by origin; equal origins keep the order they came in.
  std::multimap<long long, FATSearchedPartitionInfoPtr> m_candidates;
  // Ordered by sector.
  std::multimap<long long, FATTableInfo> m_fatPositions;
};
