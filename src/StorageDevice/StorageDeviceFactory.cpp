#include "StorageDevice/StorageDeviceFactory.h"

#include <memory>
#include <new>

#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/DiskDevice.h"
#include "StorageDevice/DmgDevice.h"
#include "StorageDevice/DmgRecordFormat.h"
#include "StorageDevice/PartitionDevice.h"
#include "StorageDevice/PartitionVirtualVolumeDevice.h"
#include "StorageDevice/QimDevice.h"
#include "StorageDevice/QimImageFormat.h"
#include "StorageDevice/VolumeDevice.h"

using namespace quellsy;

namespace {

// Opens the image and attaches the holder; null (everything freed) when either fails.
template <class Device, class Holder>
IStorageDevice* OpenImage(const char* path, std::unique_ptr<typename Holder::Record> record) {
  if (!path || !record) return nullptr;
  std::unique_ptr<Device> device(new (std::nothrow) Device(path));
  if (!device || !device->Open(nullptr)) return nullptr;
  std::unique_ptr<Holder> holder(new (std::nothrow) Holder(record.get()));
  if (!holder) return nullptr;
  record.release();
  device->SetPrivateData(holder.release());
  if (device->GetLastError() != kResultOk) return nullptr;
  return device.release();
}

}  // namespace

IStorageDevice* CreateDiskDevice(const char* path) { return new (std::nothrow) CDiskDevice(path); }

IStorageDevice* CreateVolumeDevice(const char* path) { return new (std::nothrow) CVolumeDevice(path); }

IStorageDevice* CreatePartitionDevice(IStorageDevice* parent, long long start, long long total) {
  return new (std::nothrow) CPartitionDevice(parent, start, total);
}

IStorageDevice* CreatePartitionVirtualVolumeDevice(IStorageDevice* partitionDevice) {
  auto* holder = partitionDevice ? dynamic_cast<IPartitionDeviceData*>(partitionDevice->GetPrivateData()) : nullptr;
  const auto* record = holder ? holder->GetPartitionInfo() : nullptr;
  if (!record || record->diskKind != 0 || !record->parentDisk) return nullptr;
  return new (std::nothrow) CPartitionVirtualVolumeDevice(
      record->parentDisk, static_cast<long long>(record->startSector), static_cast<long long>(record->totalSectors));
}

IStorageDevice* CreateQimDevice(const char* path) {
  auto record = std::make_unique<CQIMDeviceInfoStruct>();
  if (!path || KdFillQimFileInfo(record.get(), path) != 0) return nullptr;
  return OpenImage<CQimDevice, CQimDeviceData>(path, std::move(record));
}

IStorageDevice* CreateQimDeviceByQimInfo(const void* record, int length, const char* path) {
  CQIMDeviceInfoStruct stored;
  if (!record || length != static_cast<int>(kQimRecordSize) ||
      !ReadQimRecord(ByteSpan(static_cast<const std::uint8_t*>(record), kQimRecordSize), stored))
    return nullptr;
  std::unique_ptr<IStorageDevice> device(CreateQimDevice(path ? path : stored.imagePath));
  auto* holder = device ? dynamic_cast<IQIMDeviceData*>(device->GetPrivateData()) : nullptr;
  if (!holder || !SameQimImage(*holder->GetQIMInfo(), stored)) return nullptr;
  return device.release();
}

IStorageDevice* CreateDmgDevice(const char* path, const CDMGDeviceInfoStruct* record) {
  if (!record) return nullptr;
  auto copy = std::make_unique<CDMGDeviceInfoStruct>(*record);
  copy->name[sizeof copy->name - 1] = '\0';
  copy->imagePath[sizeof copy->imagePath - 1] = '\0';
  return OpenImage<CDmgDevice, CDmgDeviceData>(path, std::move(copy));
}

IStorageDevice* CreateDmgDeviceByDmgInfo(const void* record, int length, const char*) {
  if (!record || length <= 0) return nullptr;
  CDMGDeviceInfoStruct stored;
  ReadDmgRecord(ByteSpan(static_cast<const std::uint8_t*>(record), static_cast<std::size_t>(length)), stored);
  return CreateDmgDevice(stored.imagePath, &stored);
}
