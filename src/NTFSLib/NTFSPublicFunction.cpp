#include "NTFSLib/NTFSPublicFunction.h"

#include <atomic>

namespace NTFSPublicFunction {

namespace {
std::atomic<std::uint32_t> g_deviceSectorSize{0};
}

bool IsClusterNOMatch(std::int64_t sector, std::int64_t cluster, std::int64_t origin,
                      std::uint32_t sectorsPerCluster) {
  if (sectorsPerCluster == 0 || (sectorsPerCluster != 1 && sectorsPerCluster % 2 != 0)) return false;
  if (sector < origin) return false;
  const auto distance = static_cast<std::uint64_t>(sector) - static_cast<std::uint64_t>(origin);
  if (distance % sectorsPerCluster != 0) return false;
  return cluster >= 0 && distance / sectorsPerCluster == static_cast<std::uint64_t>(cluster);
}

std::uint32_t DeviceSectorSize() {
  const std::uint32_t size = g_deviceSectorSize.load();
  return size == 0 || size % 512 != 0 ? 512 : size;
}

void SetDeviceSectorSize(std::uint32_t bytes) { g_deviceSectorSize.store(bytes); }
void ResetDeviceSectorSize() { g_deviceSectorSize.store(0); }

}  // namespace NTFSPublicFunction
