#pragma once
// A run of sectors on a parent device (not owned): the base of partitions and of partitions
// without a mounted volume.

#include "StorageDevice/ReadTarget.h"
#include "StorageDevice/StorageDeviceBase.h"

class CSectorRangeDevice : public CStorageDeviceBase {
 public:
  CSectorRangeDevice(IStorageDevice* parent, long long start, long long total, unsigned sectorSize);

  // Takes the sector size of the parent's disk record (error 7 without parent or record).
  bool Open(char* path) override;
  bool Close() override;
  // Error 7 without a parent; error 5 for a null buffer, a first sector outside the range or a count
  // of 0 or above the range's size. A read running past the end gets the sectors inside and zeros
  // for the rest; a parent's failure passes its error through.
  bool ReadSector(void* buffer, long long first, long long count) override;
  // Forwards to the parent's ReadSectorInto with the range's start applied.
  bool ReadSectorInto(quellsy::RawReadBuffer& buffer, long long first, long long count,
                      std::size_t at) override;
  unsigned GetSectorSize() override { return sectorSize_; }
  long long GetTotalSectors() override { return totalSectors_; }
  long long GetStartSector() override { return startSector_; }
  IStorageDevice* GetParent() const { return parent_; }
  // The range lies on the parent: the parent answers.
  bool StoppedAnswering() override { return parent_ && parent_->StoppedAnswering(); }

 protected:
  // Open's answer for a parent that carries no disk record: the failure, or 0 to go on.
  virtual quellsy::ResultCode OpenWithoutDiskRecord();
  void SetGeometry(unsigned sectorSize, long long totalSectors);

 private:
  bool Read(const quellsy::storage::ReadTarget& target, long long first, long long count);

  IStorageDevice* parent_;
  long long startSector_;
  long long totalSectors_;
  unsigned sectorSize_;
};
