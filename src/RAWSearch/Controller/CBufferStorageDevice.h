#pragma once
// The signature search's memory of its last blocks: a ring of whole blocks in device order. Pending
// hits are sized from here while the scan goes on; reads outside the ring go to the source device.

#include <cstdint>
#include <memory>

#include "RAWSearch/Framework/IDeviceEndSource.h"
#include "include/IStorageDevice.h"

class CBufferStorageDevice : public IStorageDevice, public IDeviceEndSource {
 public:
  static constexpr unsigned kDefaultBlockCount = 20;
  // A ring larger than this is refused: it could only come from an absurd block or sector size.
  static constexpr std::uint64_t kMaxRingBytes = 1ULL << 30;

  CBufferStorageDevice() = default;
  ~CBufferStorageDevice() override = default;
  CBufferStorageDevice(const CBufferStorageDevice&) = delete;
  CBufferStorageDevice& operator=(const CBufferStorageDevice&) = delete;

  bool Open(char*) override { return true; }
  // Frees the ring; it holds nothing until InitBufferDevice arms it again.
  bool Close() override;
  bool ReadSector(void* buffer, long long first, long long count) override;
  unsigned GetSectorSize() override { return sectorSize_ ? sectorSize_ : 512; }
  // The sectors held, not the source device's size.
  long long GetTotalSectors() override { return sectorsHeld_; }
  bool IOCtl(unsigned long long, void*) override { return false; }
  IStorageDeviceData* GetPrivateData() override { return nullptr; }
  void SetPrivateData(IStorageDeviceData*) override {}
  int GetType() override { return STORAGE_DEVICE_CACHE; }
  unsigned long long GetLastError() override { return 0; }

  // Allocates a zeroed ring of blockCount blocks; the first block appended is firstSector's. False
  // (and nothing held) for a zero or absurd size or when memory is short.
  bool InitBufferDevice(IStorageDevice* source, unsigned long long firstSector, unsigned sectorSize,
                        unsigned sectorsPerBlock, unsigned blockCount);
  // Appends one block of sectorsPerBlock sectors; once the ring is full the oldest block goes.
  void AddBlockToBuffer(const char* block);
  int IsFullBuffer() const;
  long long GetDeviceStartSector() const { return firstHeld_; }
  IStorageDevice* GetSourceDevice() const { return source_; }
  // Where the data ends: the source device's size, or the end of the ring without a source.
  long long GetDeviceEndSector() override;

 private:
  std::unique_ptr<unsigned char[]> ring_;
  long long firstHeld_ = 0;
  long long sectorsHeld_ = 0;
  std::uint32_t writeSlot_ = 0;
  std::uint32_t sectorsPerBlock_ = 0;
  std::uint32_t blockCount_ = 0;
  std::uint32_t capacity_ = 0;
  bool initialised_ = false;
  IStorageDevice* source_ = nullptr;
  std::uint32_t sectorSize_ = 512;
};
