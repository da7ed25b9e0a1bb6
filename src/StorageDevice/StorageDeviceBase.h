#pragma once
// What every storage device shares: the last result code, the owned data holder and the refused IOCtl.

#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"
#include "Utility/ResultCode.h"

class CStorageDeviceBase : public IStorageDevice {
 public:
  CStorageDeviceBase() = default;
  ~CStorageDeviceBase() override;
  CStorageDeviceBase(const CStorageDeviceBase&) = delete;
  CStorageDeviceBase& operator=(const CStorageDeviceBase&) = delete;

  bool IOCtl(unsigned long long code, void* arg) override;
  IStorageDeviceData* GetPrivateData() override { return data_; }
  // Frees the previous holder and keeps this one; then takes the geometry from its record. A missing
  // holder, one of another kind or a null record is error 7, and the geometry stays as it was.
  void SetPrivateData(IStorageDeviceData* data) override;
  unsigned long long GetLastError() override { return lastError_; }

 protected:
  // Takes the geometry from the attached record: 0, or the failure (nothing changed then).
  virtual quellsy::ResultCode ApplyRecord() = 0;

  // The attached record of the holder kind `Data`, or null.
  template <class Data>
  typename Data::RecordType* AttachedRecord() const {
    auto* holder = dynamic_cast<Data*>(data_);
    return holder ? holder->GetRecord() : nullptr;
  }

  bool Fail(quellsy::ResultCode code) {
    lastError_ = code;
    return false;
  }
  void ClearError() { lastError_ = quellsy::kResultOk; }

 private:
  quellsy::ResultCode lastError_ = quellsy::kResultOk;
  IStorageDeviceData* data_ = nullptr;
};
