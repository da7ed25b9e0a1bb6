#pragma once
// Hand-built partition tables on an in-memory disk: one structure or one corruption at a time.

#include <cstring>
#include <memory>
#include <string>

#include "PartitionTableAnalyze/PartitionEntry.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "Utility/ByteReader.h"
#include "support/MemoryDevice.h"

namespace quellsy::test {

// An in-memory whole disk with its disk record.
class TableDisk {
 public:
  explicit TableDisk(long long sectors, unsigned sectorSize = 512)
      : device_(sectors, sectorSize, STORAGE_DEVICE_DISK) {
    auto* record = new CCollectDiskDeviceInfoStruct;
    record->sectorSize = sectorSize;
    record->totalSectors = static_cast<std::uint64_t>(sectors);
    holder_.reset(CreateDiskDeviceData(record));
    device_.SetPrivateData(holder_.get());
  }

  MemoryDevice& device() { return device_; }
  CCollectDiskDeviceInfoStruct& record() { return *holder_->GetDiskInfo(); }

  // Writes at byte `offset` of sector `sector`.
  FieldWriter At(std::uint64_t sector, std::size_t offset = 0) {
    return FieldWriter(MutableByteSpan(device_.bytes()).subspan(sector * device_.GetSectorSize() + offset));
  }

  void Signature(std::uint64_t sector) {
    auto w = At(sector, 510);
    w.u8(0, 0x55);
    w.u8(1, 0xAA);
  }
  // MBR or EBR slot k (0-3).
  void Slot(std::uint64_t sector, int k, std::uint8_t type, std::uint32_t lead, std::uint32_t total,
            std::uint8_t status = 0) {
    auto w = At(sector, 446 + 16 * static_cast<std::size_t>(k));
    w.u8(0, status);
    w.u8(4, type);
    w.le32(8, lead);
    w.le32(12, total);
  }
  // A protective MBR and GPT entry `index` (from 1) of the given type byte pattern.
  void GptEntry(int index, std::uint8_t typeByte, std::uint64_t first, std::uint64_t last) {
    Signature(0);
    Slot(0, 0, 0xEE, 1, 0xFFFFFFFF);
    const std::size_t offset = 2 * 512 + (static_cast<std::size_t>(index) - 1) * 128;
    auto w = FieldWriter(MutableByteSpan(device_.bytes()).subspan(offset));
    for (std::size_t i = 0; i < 16; ++i) w.u8(i, typeByte);
    w.le64(32, first);
    w.le64(40, last);
  }
  // The driver descriptor with the map's block size, and map entry `index` at that block size.
  void ApmHead(std::uint16_t blockSize) {
    auto w = At(0);
    w.u8(0, 'E');
    w.u8(1, 'R');
    w.be16(2, blockSize);
  }
  void ApmEntry(std::size_t byteOffset, std::uint32_t mapEntries, std::uint32_t start, std::uint32_t count,
                const std::string& type) {
    auto w = FieldWriter(MutableByteSpan(device_.bytes()).subspan(byteOffset));
    w.u8(0, 'P');
    w.u8(1, 'M');
    w.be32(4, mapEntries);
    w.be32(8, start);
    w.be32(12, count);
    for (std::size_t i = 0; i < type.size(); ++i) w.u8(48 + i, static_cast<std::uint8_t>(type[i]));
  }

 private:
  MemoryDevice device_;
  std::unique_ptr<IDiskDeviceData> holder_;
};

}  // namespace quellsy::test
