#pragma once
// A whole disk: its node ("/dev/" + kernel name) or an image file of one.

#include <vector>

#include "StorageDevice/RawDevice.h"

class CDiskDevice final : public CRawDevice {
 public:
  explicit CDiskDevice(const char* path) : CRawDevice(path) {}

  // Error 5 for a null buffer, a negative first sector or a count of 0; error 1 when any piece failed.
  bool ReadSector(void* buffer, long long first, long long count) override;
  bool ReadSectorInto(quellsy::RawReadBuffer& buffer, long long first, long long count,
                      std::size_t at) override;
  int GetType() override { return STORAGE_DEVICE_DISK; }

  // The volumes enumeration found on the disk.
  void SetVolumes(const std::vector<CCollectedVolumeDeviceInfoStruct>& volumes) { volumes_ = volumes; }
  // Replaces `out` with copies of the volume records; returns their count.
  int GetVolumes(std::vector<CCollectedVolumeDeviceInfoStruct>& out) const override;

 protected:
  quellsy::ResultCode ApplyRecord() override { return TakeGeometryFrom<IDiskDeviceData>(); }

 private:
  bool Read(const quellsy::storage::ReadTarget& target, long long first, long long count);

  std::vector<CCollectedVolumeDeviceInfoStruct> volumes_;
};
