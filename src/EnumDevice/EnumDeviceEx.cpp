#include "EnumDevice/EnumDeviceEx.h"

#include <algorithm>

#include "EnumDevice/EnumDevice.h"
#include "EnumDevice/EnumDeviceErrors.h"
#include "EnumDevice/MergeVolumeAndPartition.h"

using namespace quellsy;

namespace {

// Counts (null `out`) or copies the list into the caller's array of `count` places.
ResultCode CountOrCopy(const DeviceList& devices, IStorageDevice** out, int& count) {
  const int size = static_cast<int>(devices.size());
  if (!out) {
    count = size;
    return kResultOk;
  }
  if (count == 0) return kResultOk;
  if (count < size) return enum_device::kArrayTooSmall;
  std::transform(devices.begin(), devices.end(), out, [](const auto& device) { return device.get(); });
  count = size;
  return kResultOk;
}

}  // namespace

ResultCode CEnumDeviceEx::Init() {
  if (initialised_) Uninit();
  lister_ = std::make_unique<CEnumDevice>(options_);
  lister_->EnumDiskDevice(disks_);
  if (disks_.empty()) {
    initialised_ = true;
    Uninit();
    return enum_device::kNoDisk;
  }
  for (const auto& disk : disks_) {
    DeviceList volumes;
    DiskDevices& devices = perDisk_[disk.get()];
    lister_->EnumVolumeDevice(disk, volumes);
    lister_->EnumPartitionDevice(disk, devices.partitions);
    devices.mergeResult = CMergeVolumeAndPartition::MergeAsVolume(volumes, devices.partitions, devices.volumes);
  }
  initialised_ = true;
  return kResultOk;
}

ResultCode CEnumDeviceEx::Uninit() {
  if (!initialised_) return enum_device::kUninitNotInitialised;
  perDisk_.clear();
  disks_.clear();
  lister_.reset();
  initialised_ = false;
  return kResultOk;
}

ResultCode CEnumDeviceEx::EnumDiskDevice(IStorageDevice** out, int& count) {
  if (!initialised_) return enum_device::kDisksNotInitialised;
  return CountOrCopy(disks_, out, count);
}

ResultCode CEnumDeviceEx::EnumPartitionDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) {
  if (!initialised_) return enum_device::kPartitionsNotInitialised;
  if (!disk) return enum_device::kPartitionsNullDisk;
  const auto found = perDisk_.find(disk);
  if (found == perDisk_.end()) return enum_device::kPartitionsUnknownDisk;
  return CountOrCopy(found->second.partitions, out, count);
}

ResultCode CEnumDeviceEx::EnumVolumeDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) {
  if (!initialised_) return enum_device::kVolumesNotInitialised;
  if (!disk) return enum_device::kVolumesNullDisk;
  const auto found = perDisk_.find(disk);
  if (found == perDisk_.end()) return enum_device::kVolumesUnknownDisk;
  if (found->second.mergeResult != kResultOk) return found->second.mergeResult;
  return CountOrCopy(found->second.volumes, out, count);
}

std::shared_ptr<IStorageDevice> CEnumDeviceEx::ShareDevice(const IStorageDevice* device) {
  if (!device) return nullptr;
  const auto same = [device](const auto& held) { return held.get() == device; };
  if (const auto disk = std::find_if(disks_.begin(), disks_.end(), same); disk != disks_.end()) return *disk;
  for (const auto& [disk, devices] : perDisk_) {
    for (const DeviceList* list : {&devices.partitions, &devices.volumes})
      if (const auto held = std::find_if(list->begin(), list->end(), same); held != list->end()) return *held;
  }
  return nullptr;
}

IEnumDeviceEx* CreateEnumDeviceEx() {
  static CEnumDeviceEx enumerator;
  return &enumerator;
}
