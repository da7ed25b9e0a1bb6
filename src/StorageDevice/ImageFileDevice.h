#pragma once
// An image file read as a flat run of sectors from a data offset on: the base of qim and DMG devices.
// The geometry comes from the image's record, checked against the file before it is used.

#include <string>

#include "StorageDevice/ImageRecordCheck.h"
#include "StorageDevice/ReadTarget.h"
#include "StorageDevice/StorageDeviceBase.h"
#include "StorageDevice/StorageDeviceErrors.h"

class CImageFileDevice : public CStorageDeviceBase {
 public:
  explicit CImageFileDevice(const char* path);
  ~CImageFileDevice() override;

  bool Open(char* path) override;
  bool Close() override;
  // Error 5 for a null buffer, a negative first sector or a count of 0; error 1 when any piece failed.
  bool ReadSector(void* buffer, long long first, long long count) override;
  bool ReadSectorInto(quellsy::RawReadBuffer& buffer, long long first, long long count,
                      std::size_t at) override;
  unsigned GetSectorSize() override { return sectorSize_; }
  long long GetTotalSectors() override { return totalSectors_; }

  long long GetDataOffset() const { return dataOffset_; }
  const std::string& GetImagePath() const { return path_; }

 protected:
  // Sector size, sector count and data offset of the attached image record; a record that does not
  // fit the open file (or names an unsupported sector size) is error 6 and changes nothing.
  template <class Data>
  quellsy::ResultCode TakeGeometryFrom() {
    const auto* record = AttachedRecord<Data>();
    if (!record) return quellsy::storage::kNoPrivateData;
    if (!Acceptable(record->sectorSize, record->sectorCount, record->dataOffset))
      return quellsy::storage::kImageBadRecord;
    sectorSize_ = static_cast<unsigned>(record->sectorSize);
    totalSectors_ = static_cast<long long>(record->sectorCount);
    dataOffset_ = static_cast<long long>(record->dataOffset);
    return quellsy::kResultOk;
  }

 private:
  bool Read(const quellsy::storage::ReadTarget& target, long long first, long long count);
  bool Acceptable(std::uint64_t sectorSize, std::uint64_t sectorCount, std::uint64_t dataOffset) const;

  std::string path_;
  int fd_ = -1;
  unsigned sectorSize_ = 512;
  long long totalSectors_ = 0;
  long long dataOffset_ = 0;
};
