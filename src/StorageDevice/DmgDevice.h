#pragma once
// A DMG image whose data lies uncompressed in the file, read as a flat run of sectors.

#include "StorageDevice/ImageFileDevice.h"

class CDmgDevice final : public CImageFileDevice {
 public:
  using CImageFileDevice::CImageFileDevice;
  int GetType() override { return STORAGE_DEVICE_DMG; }

 protected:
  quellsy::ResultCode ApplyRecord() override { return TakeGeometryFrom<IDmgDeviceData>(); }
};
