#pragma once
// The partitions of one disk, from its partition table, each as a partition device with its record.

#include "EnumDevice/IEnumDevice.h"

class CEnumPartition {
 public:
  // Sorted by partition index. A partition device that cannot be opened ends the walk with its error;
  // `out` then keeps, unsorted, what was made before.
  static quellsy::ResultCode ExecEnum(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out);
};
