#pragma once
// A volume: a partition's node with a file system, or an image file of one. A failed read tells the
// application through the message centre.

#include <string>

#include "StorageDevice/RawDevice.h"
#include "Utility/MessageCenter.h"

class CVolumeDevice final : public CRawDevice {
 public:
  // The application's bad-sector receiver, which a volume device unregisters when it goes.
  static constexpr int kBadSectorReceiverId = 1;

  explicit CVolumeDevice(const char* path);
  ~CVolumeDevice() override;

  // As a disk's, and the first sector must lie inside the volume (error 5, no event). A failed read
  // pushes one bad-sector event with the sectors asked for and is error 1; a read refused because the
  // raw-read workers are all stalled is a device error of its own and no bad sector.
  bool ReadSector(void* buffer, long long first, long long count) override;
  bool ReadSectorInto(quellsy::RawReadBuffer& buffer, long long first, long long count,
                      std::size_t at) override;
  int GetType() override { return STORAGE_DEVICE_VOLUME; }
  void SetApfsDevicePath(char* path) override;
  const std::string& GetApfsDevicePath() const { return apfsDevicePath_; }

 protected:
  quellsy::ResultCode ApplyRecord() override { return TakeGeometryFrom<IVolumeDeviceData>(); }

 private:
  static constexpr std::size_t kApfsPathLimit = 1023;

  bool Read(const quellsy::storage::ReadTarget& target, long long first, long long count);

  CMessageCenter* messageCenter_;
  std::string apfsDevicePath_;
};
