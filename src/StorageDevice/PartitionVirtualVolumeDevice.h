#pragma once
// A partition that has no mounted volume, scanned as a volume; also any run of sectors of another
// device (the scan's device itself), which then needs no disk record.

#include "StorageDevice/SectorRangeDevice.h"

class CPartitionVirtualVolumeDevice final : public CSectorRangeDevice {
 public:
  // The sector size is the device's (512 without one) until Open or a record says otherwise.
  CPartitionVirtualVolumeDevice(IStorageDevice* device, long long startSector, long long sectorCount);

  int GetType() override { return STORAGE_DEVICE_VOLUME; }

 protected:
  // The larger of the current sector size and the volume record's, and the record's total sectors.
  quellsy::ResultCode ApplyRecord() override;
  // Without a disk record the device's own sector size serves.
  quellsy::ResultCode OpenWithoutDiskRecord() override;
};
