#pragma once
// Hand-built partition tables on an in-memory disk: one structure or one corruption at a time.

#include <zlib.h>

#include <algorithm>
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
  // Where the GPT's entry array lies and how its entries are sized; GptEntry writes there.
  void GptLayout(std::uint64_t arraySector, std::uint32_t entries, std::uint32_t entrySize) {
    gptArraySector_ = arraySector;
    gptEntries_ = entries;
    gptEntrySize_ = entrySize;
  }
  // A protective MBR and GPT entry `index` (from 1) of the given type byte pattern, then both headers and
  // the backup array written to match.
  void GptEntry(int index, std::uint8_t typeByte, std::uint64_t first, std::uint64_t last) {
    Signature(0);
    Slot(0, 0, 0xEE, 1, 0xFFFFFFFF);
    auto w = At(gptArraySector_, (static_cast<std::size_t>(index) - 1) * gptEntrySize_);
    for (std::size_t i = 0; i < 16; ++i) w.u8(i, typeByte);
    w.le64(32, first);
    w.le64(40, last);
    SealGpt();
  }
  // Both headers with their CRCs over the array at the chosen place; the backup array is a copy just
  // before the last sector, as the tools write it.
  void SealGpt() {
    const std::size_t sectorSize = device_.GetSectorSize();
    const std::size_t arrayBytes = static_cast<std::size_t>(gptEntries_) * gptEntrySize_;
    const std::uint64_t last = static_cast<std::uint64_t>(device_.GetTotalSectors()) - 1;
    const std::uint64_t backupArray = last - (arrayBytes + sectorSize - 1) / sectorSize;
    auto& bytes = device_.bytes();
    const auto primary = bytes.begin() + static_cast<std::ptrdiff_t>(gptArraySector_ * sectorSize);
    std::copy(primary, primary + static_cast<std::ptrdiff_t>(arrayBytes),
              bytes.begin() + static_cast<std::ptrdiff_t>(backupArray * sectorSize));
    const auto arrayCrc = Crc(gptArraySector_ * sectorSize, arrayBytes);
    GptHeader(1, last, gptArraySector_, arrayCrc);
    GptHeader(last, 1, backupArray, arrayCrc);
  }
  // Flips one byte at `offset` of `sector`, leaving every CRC as it was.
  void Corrupt(std::uint64_t sector, std::size_t offset) {
    device_.bytes()[sector * device_.GetSectorSize() + offset] ^= 0x5A;
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
  static constexpr std::uint32_t kGptHeaderSize = 92;

  std::uint32_t Crc(std::size_t offset, std::size_t length) {
    return static_cast<std::uint32_t>(crc32(0, device_.bytes().data() + offset, static_cast<uInt>(length)));
  }
  void GptHeader(std::uint64_t sector, std::uint64_t other, std::uint64_t arraySector, std::uint32_t arrayCrc) {
    const std::uint64_t last = static_cast<std::uint64_t>(device_.GetTotalSectors()) - 1;
    auto w = At(sector);
    const char signature[] = "EFI PART";
    for (std::size_t i = 0; i < 8; ++i) w.u8(i, static_cast<std::uint8_t>(signature[i]));
    w.le32(8, 0x00010000);
    w.le32(12, kGptHeaderSize);
    w.le32(16, 0);
    w.le64(24, sector);
    w.le64(32, other);
    w.le64(40, 34);
    w.le64(48, last - 34);
    w.le64(72, arraySector);
    w.le32(80, gptEntries_);
    w.le32(84, gptEntrySize_);
    w.le32(88, arrayCrc);
    w.le32(16, Crc(sector * device_.GetSectorSize(), kGptHeaderSize));
  }

  MemoryDevice device_;
  std::unique_ptr<IDiskDeviceData> holder_;
  std::uint64_t gptArraySector_ = 2;
  std::uint32_t gptEntries_ = 128;
  std::uint32_t gptEntrySize_ = 128;
};

}  // namespace quellsy::test
