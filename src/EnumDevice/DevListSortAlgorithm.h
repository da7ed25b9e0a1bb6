#pragma once
// The order of every device list: disks by kernel name, kind by kind, in the kernel's own order
// (nvme0n2, nvme0n10, sda, sdb, ..., sdz, sdaa), partitions by partition index, volumes and
// partitions without a volume by partition number.

#include <string_view>

#include "EnumDevice/IEnumDevice.h"

class CDevListSortAlgorithm {
 public:
  // True only when both are non-null devices of the same kind and `a` comes first; a device without
  // its record never comes before another.
  bool operator()(IStorageDevice* a, IStorageDevice* b) const;

  // Stable: devices that do not compare keep their order.
  static void Sort(DeviceList& devices);

  // Negative, 0 or positive. The first two letters (the kind of disk) byte by byte; then runs of
  // digits compare as numbers and runs of letters shorter first and then byte by byte, as the kernel
  // numbers its disks.
  static int CompareDiskNames(std::string_view a, std::string_view b);
};
