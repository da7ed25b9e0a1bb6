#include "PartitionTableAnalyze/DiskSectors.h"

#include <limits>

#include "PartitionTableAnalyze/PartitionTableErrors.h"

namespace quellsy::partition_table {

ResultCode CheckSectorSize(unsigned sectorSize) {
  if (sectorSize < kMinSectorSize) return kSectorTooSmall;
  if (sectorSize > kMaxSectorSize) return kSectorTooLarge;
  return kResultOk;
}

ResultCode ReadSectors(IStorageDevice* device, std::uint64_t first, std::uint64_t count, std::vector<std::uint8_t>& out) {
  const unsigned sectorSize = device->GetSectorSize();
  if (const auto check = CheckSectorSize(sectorSize); check != kResultOk) return check;
  // Table reads are a few sectors; a first sector beyond the signed range cannot exist.
  constexpr auto kLimit = static_cast<std::uint64_t>(std::numeric_limits<long long>::max());
  if (count == 0 || count > 64 || first > kLimit - count) return kReadFailed;
  out.assign(static_cast<std::size_t>(count) * sectorSize, 0);
  if (device->ReadSector(out.data(), static_cast<long long>(first), static_cast<long long>(count))) return kResultOk;
  const ResultCode deviceError = device->GetLastError();
  return deviceError != kResultOk ? deviceError : kReadFailed;
}

}  // namespace quellsy::partition_table
