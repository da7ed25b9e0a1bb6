#include "StorageDevice/StorageDeviceBase.h"

#include "StorageDevice/StorageDeviceErrors.h"

CStorageDeviceBase::~CStorageDeviceBase() { delete data_; }

bool CStorageDeviceBase::IOCtl(unsigned long long, void*) { return Fail(quellsy::storage::kIOCtlUnsupported); }

void CStorageDeviceBase::SetPrivateData(IStorageDeviceData* data) {
  ClearError();
  // Attaching the holder already attached must not free it under the device.
  if (data != data_) {
    delete data_;
    data_ = data;
  }
  if (const auto result = ApplyRecord(); result != quellsy::kResultOk) Fail(result);
}
