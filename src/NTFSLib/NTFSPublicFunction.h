#pragma once
// Small helpers shared by the NTFS readers, and the device sector size the complete search sets for them.

#include <cstdint>

namespace NTFSPublicFunction {

// True when sector - origin is a whole number of clusters and that number is cluster. Sectors per cluster other
// than 1 or an even number answer false.
bool IsClusterNOMatch(std::int64_t sector, std::int64_t cluster, std::int64_t origin, std::uint32_t sectorsPerCluster);

// The scanned device's sector size as the size readers see it: 512 when unset, 0 or not a multiple of 512.
std::uint32_t DeviceSectorSize();
void SetDeviceSectorSize(std::uint32_t bytes);
// Back to unset (tests).
void ResetDeviceSectorSize();

}  // namespace NTFSPublicFunction
