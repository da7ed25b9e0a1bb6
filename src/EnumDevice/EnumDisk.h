#pragma once
// The whole disks of the machine, from sysfs: each opened read-only through its node and described
// by a disk record.

#include "EnumDevice/IEnumDevice.h"

class CEnumDisk {
 public:
  // Smaller media (empty card readers, floppies) are not listed.
  static constexpr std::uint64_t kMinDiskBytes = 8 * 1024 * 1024;

  explicit CEnumDisk(const EnumDeviceOptions& options) : options_(options) {}

  // Sorted disks. A disk that cannot be opened is left out, unless the refusal was for lack of
  // rights: it stays listed (IsPermitted false) so the user can be told.
  DeviceList ExecEnum() const;

 private:
  const EnumDeviceOptions& options_;
};
