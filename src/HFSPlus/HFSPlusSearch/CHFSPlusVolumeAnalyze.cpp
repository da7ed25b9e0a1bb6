#include "HFSPlus/HFSPlusSearch/CHFSPlusVolumeAnalyze.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "include/IStorageDevice.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {
constexpr unsigned kDefaultSectorSize = 512;
constexpr unsigned kMaxSectorSize = 65536;
}  // namespace

CHFSPlusVolumeAnalyze::CHFSPlusVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector) {
  if (device == nullptr) return;
  const unsigned reported = device->GetSectorSize();
  const unsigned sectorSize = reported == 0 ? kDefaultSectorSize : reported;
  if (sectorSize > kMaxSectorSize) return;
  // The header's 512 bytes end on a 512-byte boundary, so the one sector holding byte 1024 holds them all.
  std::vector<std::uint8_t> sector(sectorSize);
  const std::uint64_t first = startSector + kVolumeHeaderOffset / sectorSize;
  if (!device->ReadSector(sector.data(), static_cast<long long>(first), 1)) return;
  const auto header = ByteSpan(sector).subspan(kVolumeHeaderOffset % sectorSize);
  if (!CHFSPlusVolume::IsValidVolumeHeader(header)) return;
  const auto parsed = ParseVolumeHeader(header);
  type_ = FILE_SYSTEM_HFSPLUS;
  totalSectors_ = std::uint64_t{parsed->totalBlocks} * parsed->blockSize / sectorSize;
}

void CHFSPlusVolumeAnalyze::GetLabel(char* buffer, int size) {
  if (buffer == nullptr || size < 1) return;
  std::memcpy(buffer, label_.data(), std::min<std::size_t>(static_cast<std::size_t>(size), label_.size()));
}

IVolumeAnalyze* CreateHFSPlusVolumeAnalyze(IStorageDevice* device, std::uint64_t startSector) {
  return new (std::nothrow) CHFSPlusVolumeAnalyze(device, startSector);
}
