#pragma once
// The signature search's memory of its last blocks: a ring of whole blocks in device order. Pending
// hits are sized from here while the scan goes on; reads outside the ring go to the source device.
// Blocks may be let go early (ReleaseBefore): the ring goes on counting them, and a read that touches one goes to
// the source device too, which gives the sectors as the block held them (an unreadable one as zeros, the read
// still a success unless the source stopped answering).
// The ring keeps references to shared blocks, the read-ahead device's own when it shares them: a block is
// searched where it was read and kept without a copy. A block the source does not share is made here
// (MakeBlock) with the same room before and after it, filled, searched and appended the same way.

#include <cstdint>
#include <deque>
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

  // Arms an empty ring of blockCount blocks of sectorsPerBlock sectors; blocks made here have leadBytes before
  // them and tailBytes after them. The first block appended is firstSector's. False (and nothing held) for a
  // zero or absurd size.
  bool InitBufferDevice(IStorageDevice* source, unsigned long long firstSector, unsigned sectorSize,
                        unsigned sectorsPerBlock, unsigned blockCount, unsigned leadBytes = 0, unsigned tailBytes = 0);
  // A zeroed block of the ring's shape for `sectors` sectors from `first`, and its bytes to fill before it is
  // appended; an empty block when not armed or memory is short.
  struct MadeBlock {
    std::shared_ptr<const SharedSectorBlock> block;
    unsigned char* bytes = nullptr;  // the block's data, writable until it is appended
  };
  MadeBlock MakeBlock(long long first, long long sectors) const;
  // The newest block held, null when none: what the next block follows on.
  const SharedSectorBlock* LastBlock() const;
  // Appends a block holding sectorsPerBlock sectors' bytes; once the ring is full the oldest block goes.
  void AppendBlock(std::shared_ptr<const SharedSectorBlock> block);
  // Appends a copy of one block of sectorsPerBlock sectors.
  void AddBlockToBuffer(const char* block);
  // Lets go of the data of every held block that ends at or before `sector`, the newest excepted, so that its
  // memory can be read into again.
  void ReleaseBefore(long long sector);
  int IsFullBuffer() const;
  long long GetDeviceStartSector() const { return firstHeld_; }
  IStorageDevice* GetSourceDevice() const { return source_; }
  // Where the data ends: the source device's size, or the end of the ring without a source.
  long long GetDeviceEndSector() override;

 private:
  // True when every block holding a sector of [first, first + count) still has its data; the range is held.
  bool HasData(long long first, long long count) const;
  // Reads sectors the ring counts but let go of from the source, salvaging them: those that stay unreadable are
  // zeros, as in the block the read-ahead made of them. False when the source refused the read or stopped
  // answering.
  bool ReadPassedSectors(unsigned char* buffer, long long first, long long count);

  std::deque<std::shared_ptr<const SharedSectorBlock>> held_;  // oldest first; null once let go
  std::size_t leadBytes_ = 0;
  std::size_t tailBytes_ = 0;
  long long firstHeld_ = 0;
  long long sectorsHeld_ = 0;
  std::uint32_t sectorsPerBlock_ = 0;
  std::uint32_t blockCount_ = 0;
  std::uint32_t capacity_ = 0;
  bool initialised_ = false;
  IStorageDevice* source_ = nullptr;
  std::uint32_t sectorSize_ = 512;
};
