#include "StorageDevice/DeviceDataHolder.h"

#include <new>

IDiskDeviceData* CreateDiskDeviceData(CCollectDiskDeviceInfoStruct* record) {
  return new (std::nothrow) CDiskDeviceData(record);
}

IVolumeDeviceData* CreateVolumeDeviceData(CCollectedVolumeDeviceInfoStruct* record) {
  return new (std::nothrow) CVolumeDeviceData(record);
}

IPartitionDeviceData* CreatePartitionDeviceData(CCollectedPartitionDeviceInfoStruct* record) {
  return new (std::nothrow) CPartitionDeviceData(record);
}

IDmgDeviceData* CreateDMGDeviceData(CDMGDeviceInfoStruct* record) { return new (std::nothrow) CDmgDeviceData(record); }

IQIMDeviceData* CreateQIMDeviceData(CQIMDeviceInfoStruct* record) { return new (std::nothrow) CQimDeviceData(record); }
