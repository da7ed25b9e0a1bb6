#pragma once
// The signature search's memory of its last blocks: a ring of whole blocks in device order. Pending
// hits are sized from here while the scan goes on; reads outside the ring go to the source device.
// Each block has a slot of its own with room before and after it, and one slot more than the ring holds
// is kept free: the search fills the free slot (NextBlock), searches it in place, and then hands it to the
// ring (CommitBlock), so a block is copied once, not once for the search and again for the ring.

#include <cstdint>
#include <memory>
#include <vector>

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

  // Allocates zeroed slots for a ring of blockCount blocks, each with leadBytes before it and tailBytes
  // after it; the first block appended is firstSector's. False (and nothing held) for a zero or absurd size
  // or when memory is short.
  bool InitBufferDevice(IStorageDevice* source, unsigned long long firstSector, unsigned sectorSize,
                        unsigned sectorsPerBlock, unsigned blockCount, unsigned leadBytes = 0, unsigned tailBytes = 0);
  // The free slot's block (its lead before it, its tail after it), to be filled; null when not armed.
  unsigned char* NextBlock();
  // The newest block held, null when none: what the next block follows on.
  const unsigned char* LastBlock() const;
  // Appends the free slot's block; once the ring is full the oldest block goes and its slot is the free one.
  void CommitBlock();
  // Appends a copy of one block of sectorsPerBlock sectors.
  void AddBlockToBuffer(const char* block);
  int IsFullBuffer() const;
  long long GetDeviceStartSector() const { return firstHeld_; }
  IStorageDevice* GetSourceDevice() const { return source_; }
  // Where the data ends: the source device's size, or the end of the ring without a source.
  long long GetDeviceEndSector() override;

 private:
  std::vector<std::unique_ptr<unsigned char[]>> slots_;  // blockCount + 1
  std::vector<std::uint32_t> held_;  // slot of each block held, oldest first
  std::uint32_t free_ = 0;
  std::size_t leadBytes_ = 0;
  long long firstHeld_ = 0;
  long long sectorsHeld_ = 0;
  std::uint32_t sectorsPerBlock_ = 0;
  std::uint32_t blockCount_ = 0;
  std::uint32_t capacity_ = 0;
  bool initialised_ = false;
  IStorageDevice* source_ = nullptr;
  std::uint32_t sectorSize_ = 512;
};
