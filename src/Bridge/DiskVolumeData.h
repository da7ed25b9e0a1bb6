#pragma once
// One entry of the device list: a whole disk with its volumes, a volume, or an opened image. The
// texts and image records point into the device records and stay valid while the device is listed.

#include <cstdint>
#include <vector>

#include "include/IStorageDeviceData.h"

struct _DiskVolumeData {
  const char* name = nullptr;
  const char* devName = nullptr;
  std::int64_t capacity = 0;
  std::uint64_t used = 0;
  std::int32_t diskIndex = -1;
  std::int32_t volumeIndex = -1;
  std::int32_t fileSystem = -1;
  std::int32_t isDmg = 0;
  std::int32_t isSSD = 0;
  std::int32_t isUSB = 0;
  std::int32_t beCanOpen = 1;
  std::int32_t isQim = 0;
  const CQIMDeviceInfoStruct* qimInfo = nullptr;
  std::int32_t qimInfoLen = -1;
  std::int32_t isAppleDmg = 0;
  const CDMGDeviceInfoStruct* dmgInfo = nullptr;
  std::int32_t dmgInfoLen = -1;
  std::vector<_DiskVolumeData> volumes;
};
