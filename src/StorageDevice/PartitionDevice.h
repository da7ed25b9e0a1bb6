#pragma once
// One partition-table entry of a disk.

#include "StorageDevice/SectorRangeDevice.h"

class CPartitionDevice final : public CSectorRangeDevice {
 public:
  CPartitionDevice(IStorageDevice* disk, long long start, long long total);

  int GetType() override { return STORAGE_DEVICE_PARTITION; }

 protected:
  // Sector size and total sectors of the partition record.
  quellsy::ResultCode ApplyRecord() override;
};
