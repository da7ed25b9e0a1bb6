#pragma once
// The process-wide enumeration: every disk with its partitions and its volumes, found once by Init and
// held until Uninit. Partitions without a volume are made in Init too, so that repeated listing
// makes no new devices.

#include <map>
#include <memory>

#include "EnumDevice/IEnumDevice.h"

class CEnumDeviceEx final : public IEnumDeviceEx {
 public:
  explicit CEnumDeviceEx(EnumDeviceOptions options = {}) : options_(std::move(options)) {}
  ~CEnumDeviceEx() override = default;

  quellsy::ResultCode Init() override;
  quellsy::ResultCode Uninit() override;
  quellsy::ResultCode EnumDiskDevice(IStorageDevice** out, int& count) override;
  quellsy::ResultCode EnumPartitionDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) override;
  quellsy::ResultCode EnumVolumeDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) override;
  std::shared_ptr<IStorageDevice> ShareDevice(const IStorageDevice* device) override;
  void SetOptions(const EnumDeviceOptions& options) override { options_ = options; }

  bool IsInitialised() const { return initialised_; }

 private:
  struct DiskDevices {
    DeviceList partitions;
    DeviceList volumes;  // the merged list: volumes, then partitions without a volume
    quellsy::ResultCode mergeResult = quellsy::kResultOk;
  };

  EnumDeviceOptions options_;
  bool initialised_ = false;
  std::unique_ptr<IEnumDevice> lister_;
  DeviceList disks_;
  std::map<const IStorageDevice*, DiskDevices> perDisk_;
};
