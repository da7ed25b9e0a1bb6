#include "ExFat/CExFatVolumeAnalyer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "ExFat/CExFatDBR.h"
#include "include/IStorageDevice.h"

namespace {
constexpr std::uint32_t kDefaultSectorSize = 512;
// The largest sector an exFAT boot sector can describe.
constexpr std::uint32_t kMaxSectorSize = 4096;
// One zero wide character.
constexpr int kEmptyLabelBytes = 4;
}  // namespace

void CExFatVolumeAnalyer::GetLabel(char* buffer, int size) {
  if (buffer == nullptr || size <= 1) return;
  std::memset(buffer, 0, static_cast<std::size_t>(std::min(size, kEmptyLabelBytes)));
}

IVolumeAnalyze* CreateExfatVolumeAnalyze(IStorageDevice* device, unsigned long long startSector) {
  if (device == nullptr || startSector > static_cast<unsigned long long>(std::numeric_limits<long long>::max()))
    return nullptr;
  const std::uint32_t sectorSize = device->GetSectorSize() != 0 ? device->GetSectorSize() : kDefaultSectorSize;
  if (sectorSize > kMaxSectorSize) return nullptr;
  std::vector<std::uint8_t> sector(std::max<std::size_t>(sectorSize, CExFatDBR::kSize), 0);
  if (!device->ReadSector(sector.data(), static_cast<long long>(startSector), 1)) return nullptr;
  const CExFatDBR dbr(sector);
  if (!dbr.IsValid(sectorSize)) return nullptr;
  return new (std::nothrow) CExFatVolumeAnalyer(dbr.GetTotalSectors());
}
