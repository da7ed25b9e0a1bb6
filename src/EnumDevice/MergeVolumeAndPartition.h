#pragma once
// Joins a disk's volumes and partitions into one list to scan: every volume, then every partition
// that no volume covers, as a partition-without-volume device.

#include "EnumDevice/IEnumDevice.h"
#include "include/IStorageDeviceData.h"

class CMergeVolumeAndPartition {
 public:
  // Sizes of a volume and its partition may differ by less than this (file systems that leave the
  // partition's tail unused).
  static constexpr std::uint64_t kSizeSlackBytes = 0xA00001;

  // A partition is covered by a volume of the same sector size that starts at the same sector and
  // whose size differs by less than 10 MiB. The first failure to convert a partition ends the merge
  // with its code and an empty `out`.
  static quellsy::ResultCode MergeAsVolume(const DeviceList& volumes, const DeviceList& partitions, DeviceList& out);

  static bool Covers(const CCollectedVolumeDeviceInfoStruct& volume, const CCollectedPartitionDeviceInfoStruct& partition);
};
