#pragma once
// The volumes of one disk: the partitions the kernel lists for it (or the disk itself when it has no
// partition table), each opened read-only through its node and described by a volume record.

#include "EnumDevice/IEnumDevice.h"

class CEnumVolume {
 public:
  explicit CEnumVolume(const EnumDeviceOptions& options) : options_(options) {}

  // Sorted by partition number; the disk gets copies of their records (CDiskDevice::SetVolumes).
  // Names: the file system's label, else the last part of the mount point, else the kernel name.
  quellsy::ResultCode ExecEnum(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out) const;

 private:
  const EnumDeviceOptions& options_;
};
