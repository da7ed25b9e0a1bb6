#include "NTFSSearch/CNTFSPartitionInfoBuilder.h"

#include <algorithm>
#include <new>

#include "NTFSLib/CNTFSDBR.h"

using Flags = CSearchedNTFSPartitionInfo;

void CNTFSPartitionInfoBuilder::SetDevice(std::int64_t totalSectors, std::uint32_t sectorSize) {
  m_totalSectors = std::max<std::int64_t>(totalSectors, 0);
  m_sectorSize = sectorSize == 0 ? 512 : sectorSize;
}

std::unique_ptr<CSearchedNTFSPartitionInfo> CNTFSPartitionInfoBuilder::BuildPartitionInfoAccordingtoFileRecord(
    std::int64_t sector, std::int64_t cluster, std::uint32_t sectorsPerCluster, std::uint32_t flag) const {
  if (sectorsPerCluster == 0 || cluster < 0 || sector < 0 || cluster > sector / sectorsPerCluster) return nullptr;
  const std::int64_t origin = sector - cluster * sectorsPerCluster;
  if (origin > sector - kMinSectors || origin >= m_totalSectors) return nullptr;
  auto partition = std::unique_ptr<CSearchedNTFSPartitionInfo>(new (std::nothrow) CSearchedNTFSPartitionInfo(m_sectorSize));
  if (!partition) return nullptr;
  partition->SetClusterOrigin(origin);
  partition->SetSectorsPerCluster(sectorsPerCluster);
  const std::int64_t clusters = (m_totalSectors - origin) / sectorsPerCluster;
  partition->GetEvidence().clusterCount = clusters;
  partition->SetTotalSectors(static_cast<std::uint64_t>(clusters * sectorsPerCluster));
  partition->GetEvidence().buildFrom = flag;
  partition->SetSecondCounter(0);
  return partition;
}

CSearchedNTFSPartitionInfo* CNTFSPartitionInfoBuilder::Find(const Key& key) const {
  const auto at = m_partitions.find(key);
  return at == m_partitions.end() ? nullptr : at->second.get();
}

CSearchedNTFSPartitionInfo* CNTFSPartitionInfoBuilder::Merge(std::unique_ptr<CSearchedNTFSPartitionInfo> proposal) {
  if (!proposal) return nullptr;
  const Key key{proposal->GetClusterOrigin(), proposal->GetSectorsPerCluster()};
  if (CSearchedNTFSPartitionInfo* held = Find(key)) {
    held->GetEvidence().buildFrom |= proposal->GetEvidence().buildFrom;
    return held;
  }
  if (m_partitions.size() >= kMaxPartitions) return nullptr;
  return m_partitions.emplace(key, std::move(proposal)).first->second.get();
}

bool CNTFSPartitionInfoBuilder::AdjustPartitionBuildFromFlag(const Key& key, std::uint32_t add, std::uint32_t remove) {
  const auto at = m_partitions.find(key);
  if (at == m_partitions.end()) return false;
  std::uint32_t& flags = at->second->GetEvidence().buildFrom;
  const bool onlyRemoved = (flags & ~remove) == 0;
  if ((flags & remove) != 0) flags &= ~remove;
  flags |= add;
  if (onlyRemoved && add == 0) m_partitions.erase(at);
  return true;
}

bool CNTFSPartitionInfoBuilder::DeviceGeometry(const CNTFSDBR& boot, std::uint32_t& sectorsPerCluster,
                                               std::int64_t& totalSectors) const {
  // A volume made for 4 KiB sectors may sit on a device read in 512-byte sectors, and the other way round.
  const std::uint64_t clusterBytes = std::uint64_t{boot.GetBytesPerSector()} * boot.GetSectorsperCluster();
  if (clusterBytes < m_sectorSize || clusterBytes % m_sectorSize != 0) return false;
  sectorsPerCluster = static_cast<std::uint32_t>(clusterBytes / m_sectorSize);
  const std::int64_t total = boot.GetTotalSectors();
  if (total <= 0 || total > (std::int64_t{1} << 48)) return false;
  const std::uint64_t bytes = static_cast<std::uint64_t>(total) * boot.GetBytesPerSector();
  totalSectors = static_cast<std::int64_t>(bytes / m_sectorSize);
  return totalSectors > 0;
}

bool CNTFSPartitionInfoBuilder::AnalyzeAsBackup(std::int64_t sector, const CNTFSDBR& boot,
                                                std::uint32_t sectorsPerCluster, std::int64_t totalSectors) {
  const std::int64_t origin = sector - totalSectors;
  if (origin < 0 || m_totalSectors - origin < kMinSectors) return false;
  const std::int64_t clusters = std::min(m_totalSectors - origin, totalSectors) / sectorsPerCluster;
  const Key key{origin, sectorsPerCluster};
  if (CSearchedNTFSPartitionInfo* held = Find(key)) {
    held->GetEvidence().buildFrom |= Flags::kBackupBootSector;
    const bool confirms = (held->GetEvidence().buildFrom & Flags::kBootSector) != 0 ||
                          (held->GetTotalSectors() == static_cast<std::uint64_t>(totalSectors) &&
                           held->GetEvidence().serialNumber == static_cast<std::int64_t>(boot.GetSerialNumber()));
    if (confirms) {
      // The primary made a backup-only proposal one volume before itself; this backup shows it was not one.
      AdjustPartitionBuildFromFlag({sector - 2 * totalSectors, sectorsPerCluster}, 0, Flags::kBackupBootSector);
      return true;
    }
    // Other evidence only guessed the size (up to the device's end, or the $Bitmap's whole bytes); the backup
    // states it.
    held->SetTotalSectors(static_cast<std::uint64_t>(clusters * sectorsPerCluster));
    held->GetEvidence().clusterCount = clusters;
    held->GetEvidence().serialNumber = static_cast<std::int64_t>(boot.GetSerialNumber());
    // An $MFT already placed the volume there: the sector is its backup, not a volume of its own.
    return (held->GetEvidence().buildFrom & Flags::kMFTFlags) != 0;
  }
  if (m_partitions.size() >= kMaxPartitions) return false;
  auto partition = std::unique_ptr<CSearchedNTFSPartitionInfo>(new (std::nothrow) CSearchedNTFSPartitionInfo(m_sectorSize));
  if (!partition) return false;
  partition->SetClusterOrigin(origin);
  partition->SetSectorsPerCluster(sectorsPerCluster);
  partition->SetTotalSectors(static_cast<std::uint64_t>(clusters * sectorsPerCluster));
  partition->GetEvidence().clusterCount = clusters;
  partition->GetEvidence().serialNumber = static_cast<std::int64_t>(boot.GetSerialNumber());
  partition->GetEvidence().buildFrom = Flags::kBackupBootSector;
  m_partitions.emplace(key, std::move(partition));
  return false;
}

void CNTFSPartitionInfoBuilder::AnalyzeBootSector(std::int64_t sector, const CNTFSDBR& boot) {
  std::uint32_t sectorsPerCluster = 0;
  std::int64_t totalSectors = 0;
  if (sector < 0 || !DeviceGeometry(boot, sectorsPerCluster, totalSectors)) return;
  if (AnalyzeAsBackup(sector, boot, sectorsPerCluster, totalSectors) || m_totalSectors - sector < kMinSectors) return;
  const std::int64_t clusters = std::min(m_totalSectors - sector, totalSectors) / sectorsPerCluster;
  const Key key{sector, sectorsPerCluster};
  CSearchedNTFSPartitionInfo* held = Find(key);
  if (held == nullptr) {
    if (m_partitions.size() >= kMaxPartitions) return;
    auto partition =
        std::unique_ptr<CSearchedNTFSPartitionInfo>(new (std::nothrow) CSearchedNTFSPartitionInfo(m_sectorSize));
    if (!partition) return;
    partition->SetClusterOrigin(sector);
    partition->SetSectorsPerCluster(sectorsPerCluster);
    held = m_partitions.emplace(key, std::move(partition)).first->second.get();
  }
  // The boot sector states the volume's size; evidence from elsewhere only guessed it.
  held->GetEvidence().buildFrom |= Flags::kBootSector;
  held->GetEvidence().serialNumber = static_cast<std::int64_t>(boot.GetSerialNumber());
  held->GetEvidence().clusterCount = clusters;
  held->SetTotalSectors(static_cast<std::uint64_t>(clusters * sectorsPerCluster));
}
