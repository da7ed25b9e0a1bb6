#pragma once
// One run of directory sectors read as one piece of a directory by the complete search: the entry sets found
// there, what they say about the cluster size, and the links to the pieces it continues or is continued by.

#include <cstdint>
#include <string>
#include <vector>

#include "ExFat/ExFatFileBaseInfo.h"

class CFileSet {
 public:
  static constexpr std::uint32_t kLabel = 1;
  static constexpr std::uint32_t kBitmap = 2;
  static constexpr std::uint32_t kUpcase = 4;
  static constexpr std::uint32_t kAbridged = 8;  // begins inside an entry set whose file entry lies elsewhere
  static constexpr std::uint32_t kNotEnd = 16;   // an entry set runs past its last sector
  static constexpr std::uint32_t kMatched = 32;  // claimed by a partition
  static constexpr std::uint32_t kNoLowest = 0xFFFFFFF6;
  static constexpr std::uint32_t kLeastClusterBytes = 512;
  static constexpr std::uint32_t kGreatestClusterBytes = 0x2000000;

  // The label, bitmap and up-case entries all seen: the piece is a root directory.
  bool IsRoot() const { return (m_flags & (kLabel | kBitmap | kUpcase)) == (kLabel | kBitmap | kUpcase); }
  bool Has(std::uint32_t flag) const { return (m_flags & flag) != 0; }
  bool HasFiles() const { return !m_files.empty() || !m_deleted.empty(); }
  bool HasFolders() const { return !m_folders.empty(); }
  // Whether sectorsPerCluster lies within the bounds (in sectors, once the set is handed out).
  bool AdmitsClusterSize(std::uint64_t sectorsPerCluster) const {
    return sectorsPerCluster >= m_leastCluster && sectorsPerCluster <= m_greatestCluster;
  }

  // In-use records are kept sorted by first cluster, their folders listed, and a folder's length bounds the
  // cluster size from above (a folder is whole clusters long).
  void AddRecord(_tagFileBaseInfo record);
  void SetBitmap(std::uint32_t firstCluster, std::uint64_t lengthBytes);
  void SetUpcase(std::uint32_t firstCluster, std::uint64_t lengthBytes);
  void SetLabel(std::string label);
  // Contiguous files followed by another file raise the least cluster size; then both bounds go from bytes to
  // sectors.
  void CalculateClusterSize(std::uint32_t sectorSize);
  // The set's bounds become the narrower of both.
  void MergeClusterBounds(CFileSet& other);

  std::vector<_tagFileBaseInfo> m_files;    // in use, by first cluster
  std::vector<_tagFileBaseInfo> m_deleted;  // in arrival order
  std::vector<std::uint32_t> m_folders;     // first clusters of the in-use folders
  std::uint32_t m_lowestCluster = kNoLowest;
  std::uint32_t m_highestCluster = 0;
  std::uint64_t m_leastCluster = kLeastClusterBytes;
  std::uint64_t m_greatestCluster = kGreatestClusterBytes;
  std::int64_t m_firstSector = -1;
  std::uint32_t m_sectorCount = 0;
  std::uint32_t m_flags = 0;
  std::uint32_t m_rootEstimate = 2;
  std::uint64_t m_clusterCount = 0;
  std::uint32_t m_bitmapCluster = 0;
  std::uint64_t m_bitmapLength = 0;
  std::uint32_t m_upcaseCluster = 0;
  std::uint64_t m_upcaseLength = 0;
  std::string m_label;
  CFileSet* m_next = nullptr;
  CFileSet* m_last = nullptr;
  // Taken out of the sets still to be claimed by a settled partition.
  bool m_claimed = false;
};
