#pragma once
// The device one searcher of a complete scan reads through: reads inside the block it was last handed come from
// that block's memory, every other read goes to the read-ahead device. Each searcher has one of its own, so
// searchers on different threads may work on different blocks at once.

#include <memory>

#include "include/IStorageDevice.h"

class CHeldBlockDevice final : public IStorageDevice {
 public:
  // outside is not owned and must outlive this device.
  explicit CHeldBlockDevice(IStorageDevice* outside);

  // The block reads are served from from now on (null: none); the one before is let go.
  void Hold(std::shared_ptr<const SharedSectorBlock> block) { m_block = std::move(block); }

  bool Open(char*) override { return m_outside != nullptr; }
  bool Close() override { return m_outside != nullptr; }
  bool ReadSector(void* buffer, long long first, long long count) override;
  // Inside the held block: a view of its memory, valid until the next Hold.
  const unsigned char* HeldSectors(long long first, long long count) override;
  // The held block, when it starts at `first` and holds exactly `count` sectors.
  std::shared_ptr<const SharedSectorBlock> ShareHeldBlock(long long first, long long count) override;
  unsigned GetSectorSize() override { return m_sectorSize; }
  long long GetTotalSectors() override { return m_outside->GetTotalSectors(); }
  bool IOCtl(unsigned long long, void*) override { return false; }
  IStorageDevice* GetInnerDevice() const override { return m_outside->GetInnerDevice(); }
  // The block held says nothing about the device: a searcher asks the one it reads through.
  bool StoppedAnswering() override { return m_outside && m_outside->StoppedAnswering(); }
  IStorageDeviceData* GetPrivateData() override { return m_outside->GetPrivateData(); }
  // Kept by the device read outside the block, not here.
  void SetPrivateData(IStorageDeviceData*) override {}
  int GetType() override { return STORAGE_DEVICE_CACHE; }
  unsigned long long GetLastError() override { return m_outside->GetLastError(); }

 private:
  IStorageDevice* m_outside;
  unsigned m_sectorSize;
  std::shared_ptr<const SharedSectorBlock> m_block;
};
