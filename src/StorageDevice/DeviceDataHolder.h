#pragma once
// The data holders: each owns the one record it was given and deletes it with itself.

#include "include/IStorageDeviceData.h"

template <class Interface>
class CDeviceDataHolder final : public Interface {
 public:
  using Record = typename Interface::RecordType;

  explicit CDeviceDataHolder(Record* record = nullptr) : record_(record) {}
  ~CDeviceDataHolder() override { delete record_; }
  CDeviceDataHolder(const CDeviceDataHolder&) = delete;
  CDeviceDataHolder& operator=(const CDeviceDataHolder&) = delete;

  Record* GetRecord() override { return record_; }
  void SetRecord(Record* record) override { record_ = record; }

 private:
  Record* record_;
};

using CDiskDeviceData = CDeviceDataHolder<IDiskDeviceData>;
using CVolumeDeviceData = CDeviceDataHolder<IVolumeDeviceData>;
using CPartitionDeviceData = CDeviceDataHolder<IPartitionDeviceData>;
using CDmgDeviceData = CDeviceDataHolder<IDmgDeviceData>;
using CQimDeviceData = CDeviceDataHolder<IQIMDeviceData>;

// Each returns a holder that owns `record` (null only when memory is short).
IDiskDeviceData* CreateDiskDeviceData(CCollectDiskDeviceInfoStruct* record);
IVolumeDeviceData* CreateVolumeDeviceData(CCollectedVolumeDeviceInfoStruct* record);
IPartitionDeviceData* CreatePartitionDeviceData(CCollectedPartitionDeviceInfoStruct* record);
IDmgDeviceData* CreateDMGDeviceData(CDMGDeviceInfoStruct* record);
IQIMDeviceData* CreateQIMDeviceData(CQIMDeviceInfoStruct* record);
