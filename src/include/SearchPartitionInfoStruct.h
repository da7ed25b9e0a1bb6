#pragma once
// One partition or volume a searcher found or scanned. Scan-result files keep each record as a 104-byte
// little-endian image, written and read field by field.

#include <cstddef>
#include <cstdint>
#include <span>

#include "include/FileSystemType.h"

class CSearchedPartitionInfo {
 public:
  static constexpr std::size_t kStoredSize = 104;
  static constexpr int kType = 4;

  // bytesPerSector of 0 or not a multiple of 512 becomes 512.
  explicit CSearchedPartitionInfo(std::uint32_t bytesPerSector = 512);
  CSearchedPartitionInfo(const CSearchedPartitionInfo&) = default;
  CSearchedPartitionInfo& operator=(const CSearchedPartitionInfo&) = default;
  virtual ~CSearchedPartitionInfo() = default;

  // 4 for this class; the FAT record answers 1, the NTFS record 0.
  virtual int GetType() const { return kType; }
  // A new copy of the same class, owned by the caller; null when memory is short.
  virtual CSearchedPartitionInfo* Clone() const;

  // Writes the 104-byte image (bytes 0-7 zero); false when out is shorter.
  bool WriteStoredImage(std::span<std::uint8_t> out) const;
  // Reads a 104-byte image; false (and nothing changed) when in is shorter. The sector-size rule applies.
  bool ReadStoredImage(std::span<const std::uint8_t> in);

  std::uint64_t GetPrivateData() const { return m_privateData; }
  void SetPrivateData(std::uint64_t value) { m_privateData = value; }
  std::uint16_t GetPartitionIndex() const { return m_partitionIndex; }
  void SetPartitionIndex(std::uint16_t index) { m_partitionIndex = index; }
  enumFILE_SYSTEM_TYPE GetFileSystemType() const { return static_cast<enumFILE_SYSTEM_TYPE>(m_fileSystemType); }
  void SetFileSystemType(enumFILE_SYSTEM_TYPE type) { m_fileSystemType = static_cast<std::uint32_t>(type); }
  std::uint32_t GetSectorsPerCluster() const { return m_sectorsPerCluster; }
  void SetSectorsPerCluster(std::uint32_t value) { m_sectorsPerCluster = value; }
  // Sector of cluster 0: a run's first cluster c lies at origin + c x sectors per cluster.
  long long GetClusterOrigin() const { return m_clusterOrigin; }
  void SetClusterOrigin(long long sector) { m_clusterOrigin = sector; }
  long long GetStartSector() const { return m_startSector; }
  void SetStartSector(long long sector) { m_startSector = sector; }
  // Two counters kept for the searchers (votes, matching index records).
  long long GetFirstCounter() const { return m_firstCounter; }
  void SetFirstCounter(long long value) { m_firstCounter = value; }
  long long GetSecondCounter() const { return m_secondCounter; }
  void SetSecondCounter(long long value) { m_secondCounter = value; }
  std::uint32_t GetBytesPerSector() const { return m_bytesPerSector; }
  void SetBytesPerSector(std::uint32_t bytes);
  std::uint64_t GetTotalSectors() const { return m_totalSectors; }
  void SetTotalSectors(std::uint64_t sectors) { m_totalSectors = sectors; }
  // The complete searchers keep their score here.
  std::uint64_t GetFlag() const { return m_flag; }
  void SetFlag(std::uint64_t flag) { m_flag = flag; }
  // Data recovery sorts records by this key, highest first.
  double GetOrderKey() const { return m_orderKey; }
  void SetOrderKey(double key) { m_orderKey = key; }
  std::uint32_t GetTrailingValue() const { return m_trailingValue; }
  void SetTrailingValue(std::uint32_t value) { m_trailingValue = value; }

 private:
  std::uint64_t m_privateData = 0;
  std::uint16_t m_partitionIndex = 0xFFFF;
  std::uint32_t m_fileSystemType = FILE_SYSTEM_UNKNOWN;
  std::uint32_t m_sectorsPerCluster = 0;
  long long m_clusterOrigin = 0;
  long long m_startSector = 0;
  long long m_firstCounter = 0;
  long long m_secondCounter = 0;
  std::uint32_t m_bytesPerSector = 512;
  std::uint32_t m_reserved68 = 0;
  std::uint64_t m_totalSectors = 0;
  std::uint64_t m_flag = 1;
  double m_orderKey = 0.0;
  std::uint32_t m_trailingValue = 0;
  std::uint32_t m_reserved100 = 0;
};
