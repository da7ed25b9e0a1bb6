#pragma once
// The stateless lister: disks, partitions and volumes made anew on every call.

#include "EnumDevice/IEnumDevice.h"

class CEnumDevice final : public IEnumDevice {
 public:
  explicit CEnumDevice(EnumDeviceOptions options = {}) : options_(std::move(options)) {}

  quellsy::ResultCode EnumDiskDevice(DeviceList& out) override;
  quellsy::ResultCode EnumPartitionDevice(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out) override;
  quellsy::ResultCode EnumVolumeDevice(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out) override;

 private:
  EnumDeviceOptions options_;
};
