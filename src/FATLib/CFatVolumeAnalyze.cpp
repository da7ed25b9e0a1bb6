#include "FATLib/CFatVolumeAnalyze.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "FATLib/CFATVolume.h"
#include "FATLib/CTempFATDBR.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

CFatVolumeAnalyze::CFatVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector) { Init(device, startSector); }

void CFatVolumeAnalyze::Init(IStorageDevice* device, std::uint64_t startSector) {
  if (device == nullptr || startSector > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) return;
  const std::uint32_t sectorSize = device->GetSectorSize() != 0 ? device->GetSectorSize() : 512;
  if (sectorSize > kMaxSectorSize) return;
  std::vector<std::uint8_t> sectors(std::size_t{sectorSize} * 4, 0);
  // The boot sector is the first of the four: a later one that cannot be read does not hide it.
  const auto first = static_cast<long long>(startSector);
  if (quellsy::ReadSectorsSalvaging(*device, sectors.data(), first, 4).Lost(first, 1)) return;
  const CTempFATDBR dbr(sectors, sectorSize);
  if (!dbr.IsValidDBR()) return;
  m_type = dbr.GetFileSystemType();
  m_totalSectors = dbr.GetTotalSectors();
  std::string label;
  if (CFATVolume(device).GetPartitionLabel(startSector, dbr, label))
    std::copy_n(label.begin(), std::min(label.size(), kLabelSize - 1), m_label.begin());
}

void CFatVolumeAnalyze::GetLabel(char* buffer, int size) {
  if (buffer == nullptr || size < 1) return;
  std::memcpy(buffer, m_label.data(), std::min<std::size_t>(static_cast<std::size_t>(size), kLabelSize));
}

IVolumeAnalyze* CreateFatVolumeAnalyze(IStorageDevice* device, unsigned long long startSector) {
  return new CFatVolumeAnalyze(device, startSector);
}
