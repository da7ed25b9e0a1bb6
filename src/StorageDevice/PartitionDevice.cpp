#include "StorageDevice/PartitionDevice.h"

#include "Platform/BlockDevice.h"
#include "StorageDevice/StorageDeviceErrors.h"

using namespace quellsy;

CPartitionDevice::CPartitionDevice(IStorageDevice* disk, long long start, long long total)
    : CSectorRangeDevice(disk, start, total, platform::kDefaultSectorSize) {}

ResultCode CPartitionDevice::ApplyRecord() {
  const auto* record = AttachedRecord<IPartitionDeviceData>();
  if (!record) return storage::kNoPrivateData;
  SetGeometry(static_cast<unsigned>(record->sectorSize), static_cast<long long>(record->totalSectors));
  return kResultOk;
}
