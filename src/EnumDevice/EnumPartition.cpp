#include "EnumDevice/EnumPartition.h"

#include "EnumDevice/DevListSortAlgorithm.h"
#include "EnumDevice/DeviceOwnership.h"
#include "EnumDevice/EnumDeviceErrors.h"
#include "EnumDevice/FileSystemIdentity.h"
#include "EnumDevice/PartitionEntries.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/StorageDeviceFactory.h"

using namespace quellsy;

ResultCode CEnumPartition::ExecEnum(const std::shared_ptr<IStorageDevice>& disk, DeviceList& out) {
  out.clear();
  auto* diskHolder = disk ? dynamic_cast<IDiskDeviceData*>(disk->GetPrivateData()) : nullptr;
  const CCollectDiskDeviceInfoStruct* diskRecord = diskHolder ? diskHolder->GetDiskInfo() : nullptr;
  if (!diskRecord) return enum_device::kNoDiskRecord;

  for (const PartitionEntry& entry : PartitionEntriesOf(disk.get())) {
    auto partition = AdoptDevice(CreatePartitionDevice(disk.get(), static_cast<long long>(entry.startSector),
                                                       static_cast<long long>(entry.sectorCount)),
                                 disk);
    if (!partition) return enum_device::kPartitionNoMemory;
    if (!partition->Open(nullptr)) return partition->GetLastError();

    auto record = std::make_unique<CCollectedPartitionDeviceInfoStruct>();
    record->diskKind = diskRecord->diskKind;
    record->sectorSize = diskRecord->sectorSize;
    record->deviceId = diskRecord->deviceId;
    record->totalSectors = entry.sectorCount;
    record->partitionIndex = entry.index;
    record->startSector = entry.startSector;
    record->parentDisk = disk.get();
    record->partitionTypeGuid = entry.typeGuid;
    record->partitionGuid = entry.uniqueGuid;
    static_assert(sizeof record->apmPartitionType == sizeof entry.apmType);
    std::copy(std::begin(entry.apmType), std::end(entry.apmType), std::begin(record->apmPartitionType));
    record->fileSystemType = IdentifyFileSystem(partition.get(), record->label);
    AttachRecord(*partition, std::move(record), CreatePartitionDeviceData);
    out.push_back(std::move(partition));
  }
  CDevListSortAlgorithm::Sort(out);
  return kResultOk;
}
