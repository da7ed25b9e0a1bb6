#pragma once
// Describes a partition without a volume as a volume, so that it can be listed and scanned as one.

#include "Utility/ResultCode.h"
#include "include/IStorageDeviceData.h"

class CVolumePartitionConverter {
 public:
  // Fills `volume` from `partition`: no volume or BSD name, not mounted, the partition index as
  // partition number. Only partitions of physical disks (kind 0 in both records) are converted;
  // anything else is module 0x03 error 3, and a null record error 5.
  static quellsy::ResultCode PartitionInfo2VolumeInfo(const CCollectedPartitionDeviceInfoStruct* partition,
                                                      CCollectedVolumeDeviceInfoStruct* volume);
};
