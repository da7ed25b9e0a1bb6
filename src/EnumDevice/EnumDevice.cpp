#include "EnumDevice/EnumDevice.h"

#include "EnumDevice/EnumDisk.h"
#include "EnumDevice/EnumPartition.h"
#include "EnumDevice/EnumVolume.h"

using namespace quellsy;

ResultCode CEnumDevice::EnumDiskDevice(DeviceList& out) {
  out = CEnumDisk(options_).ExecEnum();
  return kResultOk;
}

ResultCode CEnumDevice::EnumPartitionDevice(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out) {
  return CEnumPartition::ExecEnum(disk, out);
}

ResultCode CEnumDevice::EnumVolumeDevice(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out) {
  out.clear();
  if (!disk) return kResultOk;
  return CEnumVolume(options_).ExecEnum(disk, out);
}

IEnumDevice* CreateEnumDevice() {
  static CEnumDevice lister;
  return &lister;
}
