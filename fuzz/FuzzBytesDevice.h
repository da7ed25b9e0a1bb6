#pragma once
// A read-only device over a fuzz input's bytes, for targets that read through IStorageDevice.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "include/IStorageDevice.h"

class FuzzBytesDevice : public IStorageDevice {
 public:
  // The bytes are cut to whole sectors.
  FuzzBytesDevice(std::vector<std::uint8_t> bytes, unsigned sectorSize)
      : bytes_(std::move(bytes)), sectorSize_(sectorSize) {
    bytes_.resize(bytes_.size() / sectorSize_ * sectorSize_);
  }

  bool Open(char*) override { return true; }
  bool Close() override { return true; }
  bool ReadSector(void* buffer, long long first, long long count) override {
    if (first < 0 || count <= 0 || first > GetTotalSectors() || count > GetTotalSectors() - first) return false;
    std::memcpy(buffer, bytes_.data() + first * sectorSize_, static_cast<std::size_t>(count) * sectorSize_);
    return true;
  }
  unsigned GetSectorSize() override { return sectorSize_; }
  long long GetTotalSectors() override { return static_cast<long long>(bytes_.size() / sectorSize_); }
  bool IOCtl(unsigned long long, void*) override { return false; }
  IStorageDeviceData* GetPrivateData() override { return nullptr; }
  void SetPrivateData(IStorageDeviceData*) override {}
  int GetType() override { return STORAGE_DEVICE_VOLUME; }
  unsigned long long GetLastError() override { return 0; }

  std::vector<std::uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  unsigned sectorSize_;
};
