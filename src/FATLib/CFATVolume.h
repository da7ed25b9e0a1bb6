#pragma once
// Reads a FAT volume's label from the volume-label entry of its root directory (never from the boot sector).

#include <cstdint>
#include <string>
#include <vector>

#include "FATLib/CTempFATDBR.h"

class IStorageDevice;

class CFATVolume {
 public:
  static constexpr std::uint64_t kNoSector = 0xFFFFFFFFFFFFFFFFull;

  explicit CFATVolume(IStorageDevice* device);

  // FAT32 follows the root cluster chain, FAT12/16 searches the fixed root directory; true when found.
  bool GetPartitionLabel(std::uint64_t volumeStart, const CTempFATDBR& dbr, std::string& label);
  bool GetFatLabel(std::uint64_t volumeStart, const CTempFATDBR& dbr, std::string& label);
  bool GetFat32Label(std::uint64_t volumeStart, const CTempFATDBR& dbr, std::string& label);
  // The first sector of a cluster (>= 2); kNoSector for a cluster below 2 or an unknown type.
  std::uint64_t ConvertClusterToSector(std::uint64_t volumeStart, const CTempFATDBR& dbr, std::uint64_t cluster) const;
  // Searches the directory entries of the cluster that starts at `sector`.
  bool AnalyzeDirClusterToGetLabel(std::uint64_t sector, const CTempFATDBR& dbr, std::string& label);
  bool AnalyzeClusterInClusterChain(std::uint64_t volumeStart, const CTempFATDBR& dbr, std::string& label);

 private:
  bool ReadSectors(std::uint64_t first, std::uint32_t count, std::vector<std::uint8_t>& out);

  IStorageDevice* m_device;
  std::uint32_t m_sectorSize;
};
