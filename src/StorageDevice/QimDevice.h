#pragma once
// The program's own raw disk image, opened as a device of its recorded geometry.

#include "StorageDevice/ImageFileDevice.h"

class CQimDevice final : public CImageFileDevice {
 public:
  using CImageFileDevice::CImageFileDevice;
  int GetType() override { return STORAGE_DEVICE_QIM; }

 protected:
  quellsy::ResultCode ApplyRecord() override { return TakeGeometryFrom<IQIMDeviceData>(); }
};
