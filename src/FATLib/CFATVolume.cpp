#include "FATLib/CFATVolume.h"

#include <limits>

#include "FATLib/CFATClusterSet.h"
#include "FATLib/CFATTableAnalyser.h"
#include "FATLib/CTempFATDirEntry.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

CFATVolume::CFATVolume(IStorageDevice* device)
    : m_device(device), m_sectorSize(device != nullptr ? device->GetSectorSize() : 512) {}

bool CFATVolume::ReadSectors(std::uint64_t first, std::uint32_t count, std::vector<std::uint8_t>& out) {
  out.assign(std::size_t{count} * m_sectorSize, 0);
  if (m_device == nullptr || out.empty() || first > static_cast<std::uint64_t>(std::numeric_limits<long long>::max()))
    return false;
  // A sector that cannot be read is zeros, which hold no entry: the label may lie in another.
  return quellsy::ReadSectorsSalvaging(*m_device, out.data(), static_cast<long long>(first), count)
      .AnyRead(static_cast<long long>(first), count);
}

bool CFATVolume::GetPartitionLabel(std::uint64_t volumeStart, const CTempFATDBR& dbr, std::string& label) {
  switch (dbr.GetFileSystemType()) {
    case FILE_SYSTEM_FAT32:
      return GetFat32Label(volumeStart, dbr, label);
    case FILE_SYSTEM_FAT12:
    case FILE_SYSTEM_FAT16:
      return GetFatLabel(volumeStart, dbr, label);
    default:
      return false;
  }
}

std::uint64_t CFATVolume::ConvertClusterToSector(std::uint64_t volumeStart, const CTempFATDBR& dbr,
                                                 std::uint64_t cluster) const {
  if (cluster < 2) return kNoSector;
  const std::uint64_t fatArea = std::uint64_t{dbr.GetNumberOfFat()} * dbr.GetSectorsPerFat();
  const std::uint64_t dataStart = volumeStart + dbr.GetReservedSector() + fatArea;
  const std::uint64_t clusterOffset = std::uint64_t{dbr.GetSectorsperCluster()} * (cluster - 2);
  switch (dbr.GetFileSystemType()) {
    case FILE_SYSTEM_FAT32:
      return dataStart + clusterOffset;
    case FILE_SYSTEM_FAT12:
    case FILE_SYSTEM_FAT16:
      if (m_sectorSize == 0) return kNoSector;
      return dataStart + std::uint64_t{dbr.GetRootEntries()} * 32 / m_sectorSize + clusterOffset;
    default:
      return kNoSector;
  }
}

bool CFATVolume::AnalyzeDirClusterToGetLabel(std::uint64_t sector, const CTempFATDBR& dbr, std::string& label) {
  std::vector<std::uint8_t> cluster;
  if (!ReadSectors(sector, dbr.GetSectorsperCluster(), cluster)) return false;
  for (std::size_t offset = 0; offset + CTempFATDirEntry::kSize <= cluster.size(); offset += CTempFATDirEntry::kSize) {
    const CTempFATDirEntry entry(quellsy::MutableByteSpan(cluster).subspan(offset, CTempFATDirEntry::kSize));
    if (!entry.IsValidFATDirEntry(0)) return false;
    if (entry.IsErased() || entry.IsLongFileNameEntry() || !entry.IsVolumeLabel()) continue;
    if (entry.IsNeverUsed()) return false;
    label = entry.GetShortName(1);
    return true;
  }
  return false;
}

bool CFATVolume::GetFatLabel(std::uint64_t volumeStart, const CTempFATDBR& dbr, std::string& label) {
  const std::uint32_t sectorsPerCluster = dbr.GetSectorsperCluster();
  if (m_sectorSize == 0 || sectorsPerCluster == 0) return false;
  const std::uint32_t rootSectors = std::uint32_t{dbr.GetRootEntries()} * 32 / m_sectorSize;
  if (rootSectors == 0) return false;
  const std::uint64_t rootStart =
      volumeStart + dbr.GetReservedSector() + std::uint64_t{dbr.GetNumberOfFat()} * dbr.GetSectorsPerFat();
  const std::uint32_t steps = (rootSectors - 1) / sectorsPerCluster + 1;
  for (std::uint32_t step = 0; step < steps; ++step) {
    if (AnalyzeDirClusterToGetLabel(rootStart + std::uint64_t{step} * sectorsPerCluster, dbr, label)) return true;
  }
  return false;
}

bool CFATVolume::GetFat32Label(std::uint64_t volumeStart, const CTempFATDBR& dbr, std::string& label) {
  return AnalyzeClusterInClusterChain(volumeStart, dbr, label);
}

bool CFATVolume::AnalyzeClusterInClusterChain(std::uint64_t volumeStart, const CTempFATDBR& dbr, std::string& label) {
  const std::uint32_t sectorsPerCluster = dbr.GetSectorsperCluster();
  const std::uint64_t entriesPerBlock = std::uint64_t{sectorsPerCluster} * m_sectorSize / 4;
  // A corrupt card may chain the root to itself: the walk stops at a cluster seen before or beyond the FAT.
  const std::uint64_t fatEntries = std::uint64_t{dbr.GetSectorsPerFat()} * m_sectorSize / 4;
  if (m_device == nullptr || entriesPerBlock == 0) return false;
  CFATClusterSet visited;
  visited.SizeFor(fatEntries);
  std::vector<std::uint8_t> block;
  std::uint64_t loadedBlock = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t cluster = dbr.GetRootDirStartCluster();
  while (CFATTableAnalyser::IsUsedCluster(static_cast<std::int64_t>(cluster)) && cluster < fatEntries &&
         visited.Insert(cluster)) {
    if (AnalyzeDirClusterToGetLabel(ConvertClusterToSector(volumeStart, dbr, cluster), dbr, label)) return true;
    const std::uint64_t blockIndex = cluster / entriesPerBlock;
    if (blockIndex != loadedBlock) {
      const std::uint64_t blockSector = volumeStart + dbr.GetReservedSector() + blockIndex * sectorsPerCluster;
      if (!ReadSectors(blockSector, sectorsPerCluster, block)) return false;
      loadedBlock = blockIndex;
    }
    cluster = quellsy::le32(block, static_cast<std::size_t>(cluster % entriesPerBlock) * 4).value_or(0);
  }
  return false;
}
