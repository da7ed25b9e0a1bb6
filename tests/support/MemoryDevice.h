#pragma once
// An in-memory IStorageDevice for tests: chosen sector size and type, a read counter,
// sector ranges whose reads fail (the failed sectors read as zeros, as a real device's do), and a device that
// stops answering (pulled out).

#include <cstdint>
#include <vector>

#include "include/IStorageDevice.h"

namespace quellsy::test {

class MemoryDevice : public IStorageDevice {
 public:
  MemoryDevice(std::vector<std::uint8_t> bytes, unsigned sectorSize = 512, int type = STORAGE_DEVICE_VOLUME);
  // A zero-filled device of `sectors` sectors.
  MemoryDevice(long long sectors, unsigned sectorSize, int type = STORAGE_DEVICE_VOLUME);
  ~MemoryDevice() override;

  bool Open(char*) override { return true; }
  bool Close() override { return true; }
  bool ReadSector(void* buffer, long long first, long long count) override;
  unsigned GetSectorSize() override { return sectorSize_; }
  long long GetTotalSectors() override { return static_cast<long long>(bytes_.size() / sectorSize_); }
  bool IOCtl(unsigned long long, void*) override { return false; }
  IStorageDeviceData* GetPrivateData() override { return data_; }
  // Kept, not owned: tests hold their records themselves.
  void SetPrivateData(IStorageDeviceData* data) override;
  int GetType() override { return type_; }
  unsigned long long GetLastError() override { return lastError_; }
  long long GetStartSector() override { return startSector_; }
  bool StoppedAnswering() override { return stoppedAnswering_; }

  // Reads of any sector in [first, first + count) fail.
  void FailSectors(long long first, long long count);
  // A failed read leaves zeros in every sector it asked for, as the raw-read routine does with a failed piece,
  // instead of only in the failing sectors.
  void ZeroWholeFailedReads() { zeroWholeFailedReads_ = true; }
  void SetStartSector(long long start) { startSector_ = start; }
  // From now on every read fails with zeros, and the device says it stopped answering.
  void StopAnswering() { stoppedAnswering_ = true; }

  std::vector<std::uint8_t>& bytes() { return bytes_; }
  // Places bytes at a byte offset, growing nothing: the caller sizes the device.
  void Put(std::size_t offset, const std::vector<std::uint8_t>& blob);

  int ReadCalls() const { return readCalls_; }
  long long SectorsRead() const { return sectorsRead_; }
  void ResetCounters() { readCalls_ = 0; sectorsRead_ = 0; }

 private:
  std::vector<std::uint8_t> bytes_;
  unsigned sectorSize_;
  int type_;
  IStorageDeviceData* data_ = nullptr;
  unsigned long long lastError_ = 0;
  long long startSector_ = 0;
  std::vector<std::pair<long long, long long>> failures_;
  bool zeroWholeFailedReads_ = false;
  bool stoppedAnswering_ = false;
  int readCalls_ = 0;
  long long sectorsRead_ = 0;
};

}  // namespace quellsy::test
