#pragma once
// Sector reads of the partition-table readers: bounded buffers and the device's own code on failure.

#include <cstdint>
#include <vector>

#include "Utility/ResultCode.h"
#include "include/IStorageDevice.h"

namespace quellsy::partition_table {

constexpr unsigned kMinSectorSize = 512;
// Larger logical sectors do not exist; a device claiming one is not read into a buffer of that size.
constexpr unsigned kMaxSectorSize = 64 * 1024;

// 0 for a sector size a table can be read from; error 8 below 512 bytes, error 3 above the cap.
ResultCode CheckSectorSize(unsigned sectorSize);

// Reads `count` sectors from `first` into `out` (resized to fit): 0, a failure of the sector size, or
// the device's own code when the read fails.
ResultCode ReadSectors(IStorageDevice* device, std::uint64_t first, std::uint64_t count, std::vector<std::uint8_t>& out);

}  // namespace quellsy::partition_table
