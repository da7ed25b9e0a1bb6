#pragma once
// A FAT partition as a search found it: the common record plus the boot-sector geometry and the evidence
// bits that say which of its structures were seen on the disk.

#include <cstdint>
#include <memory>

#include "include/SearchPartitionInfoStruct.h"

class CFATSearchedPartitionInfo : public CSearchedPartitionInfo {
 public:
  static constexpr int kType = 1;

  // Evidence bits (MergeFlag).
  static constexpr std::uint32_t kFlagFAT12Boot = 0x1;
  static constexpr std::uint32_t kFlagFAT16Boot = 0x2;
  static constexpr std::uint32_t kFlagFAT32Boot = 0x4;
  static constexpr std::uint32_t kFlagFAT32Backup = 0x8;
  static constexpr std::uint32_t kFlagSubFolder = 0x10;
  static constexpr std::uint32_t kFlagFirstFAT = 0x40;
  static constexpr std::uint32_t kFlagFirstFATCopy = 0x80;  // handed to the FAT table factory
  static constexpr std::uint32_t kFlagSecondFAT = 0x100;
  static constexpr std::uint32_t kFlagSecondFATCopy = 0x200;  // handed to the FAT table factory
  static constexpr std::uint32_t kBootFlags = kFlagFAT12Boot | kFlagFAT16Boot | kFlagFAT32Boot | kFlagFAT32Backup;

  explicit CFATSearchedPartitionInfo(std::uint32_t bytesPerSector = 512) : CSearchedPartitionInfo(bytesPerSector) {}

  int GetType() const override { return kType; }
  // Copies the common geometry and the added fields; the two counters and the score start again at their
  // initial values.
  CSearchedPartitionInfo* Clone() const override;

  std::uint16_t GetReservedSectors() const { return m_reservedSectors; }
  void SetReservedSectors(std::uint16_t sectors) { m_reservedSectors = sectors; }
  std::uint32_t GetSectorsPerFAT() const { return m_sectorsPerFat; }
  void SetSectorsPerFAT(std::uint32_t sectors) { m_sectorsPerFat = sectors; }
  std::uint32_t GetTotalClusters() const { return m_totalClusters; }
  void SetTotalClusters(std::uint32_t clusters) { m_totalClusters = clusters; }
  // FAT32: the root folder's cluster; FAT12/16: the root folder's sector count.
  std::uint32_t GetRootInfo() const { return m_rootInfo; }
  void SetRootInfo(std::uint32_t value) { m_rootInfo = value; }
  std::uint32_t GetFlags() const { return m_flags; }
  void MergeFlag(std::uint32_t bits) { m_flags |= bits; }
  bool HasAnyFlag(std::uint32_t bits) const { return (m_flags & bits) != 0; }

 private:
  std::uint16_t m_reservedSectors = 0;
  std::uint32_t m_sectorsPerFat = 0;
  std::uint32_t m_totalClusters = 0;
  std::uint32_t m_rootInfo = 0;
  std::uint32_t m_flags = 0;
};

// Null when memory is short.
CFATSearchedPartitionInfo* CreateFATSearchedPartitionInfo(std::uint32_t bytesPerSector);
void DestroyFATSearchedPartitionInfo(CFATSearchedPartitionInfo* info);

struct FATSearchedPartitionInfoDeleter {
  void operator()(CFATSearchedPartitionInfo* info) const { DestroyFATSearchedPartitionInfo(info); }
};
using FATSearchedPartitionInfoPtr = std::unique_ptr<CFATSearchedPartitionInfo, FATSearchedPartitionInfoDeleter>;
