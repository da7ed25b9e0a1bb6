#include "StorageDevice/PartitionVirtualVolumeDevice.h"

#include <algorithm>

#include "Platform/BlockDevice.h"
#include "StorageDevice/StorageDeviceErrors.h"

using namespace quellsy;

namespace {
unsigned SectorSizeOf(IStorageDevice* device) {
  const unsigned size = device ? device->GetSectorSize() : 0;
  return size ? size : platform::kDefaultSectorSize;
}
}  // namespace

CPartitionVirtualVolumeDevice::CPartitionVirtualVolumeDevice(IStorageDevice* device, long long startSector,
                                                             long long sectorCount)
    : CSectorRangeDevice(device, startSector, sectorCount, SectorSizeOf(device)) {}

ResultCode CPartitionVirtualVolumeDevice::ApplyRecord() {
  const auto* record = AttachedRecord<IVolumeDeviceData>();
  if (!record) return storage::kNoPrivateData;
  SetGeometry(std::max(GetSectorSize(), static_cast<unsigned>(record->sectorSize)),
              static_cast<long long>(record->totalSectors));
  return kResultOk;
}

ResultCode CPartitionVirtualVolumeDevice::OpenWithoutDiskRecord() {
  SetGeometry(SectorSizeOf(GetParent()), GetTotalSectors());
  if (GetPrivateData()) ApplyRecord();
  return kResultOk;
}
