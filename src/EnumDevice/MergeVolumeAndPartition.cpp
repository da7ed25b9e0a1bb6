#include "EnumDevice/MergeVolumeAndPartition.h"

#include <algorithm>
#include <memory>

#include "EnumDevice/DeviceOwnership.h"
#include "EnumDevice/EnumDeviceErrors.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "StorageDevice/VolumePartitionConverter.h"

using namespace quellsy;

namespace {

template <class Data>
auto* RecordOf(const std::shared_ptr<IStorageDevice>& device) {
  auto* holder = dynamic_cast<Data*>(device->GetPrivateData());
  return holder ? holder->GetRecord() : nullptr;
}

// The partition as a device scanned as a volume; it keeps the partition (and so its disk) alive.
ResultCode Convert(const std::shared_ptr<IStorageDevice>& partition, std::shared_ptr<IStorageDevice>& out) {
  if (partition->GetType() != STORAGE_DEVICE_PARTITION) return enum_device::kMergeNotPartition;
  const auto* partitionRecord = RecordOf<IPartitionDeviceData>(partition);
  if (!partitionRecord) return enum_device::kMergeNoRecord;
  out = AdoptDevice(CreatePartitionVirtualVolumeDevice(partition.get()), partition);
  if (!out) return enum_device::kMergeCreateFailed;
  if (!out->Open(nullptr)) return out->GetLastError();
  auto record = std::make_unique<CCollectedVolumeDeviceInfoStruct>();
  if (const auto result = CVolumePartitionConverter::PartitionInfo2VolumeInfo(partitionRecord, record.get());
      result != kResultOk)
    return result;
  AttachRecord(*out, std::move(record), CreateVolumeDeviceData);
  return out->GetLastError();
}

}  // namespace

bool CMergeVolumeAndPartition::Covers(const CCollectedVolumeDeviceInfoStruct& volume,
                                      const CCollectedPartitionDeviceInfoStruct& partition) {
  if (volume.sectorSize != partition.sectorSize || volume.startSector != partition.startSector) return false;
  const std::uint64_t difference = volume.totalSectors > partition.totalSectors ? volume.totalSectors - partition.totalSectors
                                                                                : partition.totalSectors - volume.totalSectors;
  std::uint64_t bytes = 0;
  return !__builtin_mul_overflow(difference, volume.sectorSize, &bytes) && bytes < kSizeSlackBytes;
}

ResultCode CMergeVolumeAndPartition::MergeAsVolume(const DeviceList& volumes, const DeviceList& partitions, DeviceList& out) {
  out = volumes;
  for (const auto& partition : partitions) {
    const auto* partitionRecord = RecordOf<IPartitionDeviceData>(partition);
    const bool covered = partitionRecord && std::any_of(volumes.begin(), volumes.end(), [&](const auto& volume) {
      const auto* volumeRecord = RecordOf<IVolumeDeviceData>(volume);
      return volumeRecord && Covers(*volumeRecord, *partitionRecord);
    });
    if (covered) continue;
    std::shared_ptr<IStorageDevice> converted;
    if (const auto result = Convert(partition, converted); result != kResultOk) {
      out.clear();
      return result;
    }
    out.push_back(std::move(converted));
  }
  return kResultOk;
}
