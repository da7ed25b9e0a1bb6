// Partition-table analysis of arbitrary disks: the first byte picks the sector size, the rest is the
// disk. Every listed partition must lie inside the disk, whatever the table claims.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <vector>

#include "PartitionTableAnalyze/IPartitionTableAnalyze.h"
#include "StorageDevice/DeviceDataHolder.h"

namespace {

// A whole disk over the input's bytes; reads past its end fail as a device's would.
class InputDisk final : public IStorageDevice {
 public:
  InputDisk(const std::uint8_t* data, std::size_t size, unsigned sectorSize)
      : bytes_(data, data + size / sectorSize * sectorSize), sectorSize_(sectorSize) {
    auto* record = new CCollectDiskDeviceInfoStruct;
    record->sectorSize = sectorSize;
    record->totalSectors = bytes_.size() / sectorSize;
    holder_.reset(CreateDiskDeviceData(record));
  }

  bool Open(char*) override { return true; }
  bool Close() override { return true; }
  bool ReadSector(void* buffer, long long first, long long count) override {
    const long long total = GetTotalSectors();
    if (!buffer || first < 0 || count <= 0 || first > total || count > total - first) {
      lastError_ = 0x010E000100000005ULL;
      return false;
    }
    std::memcpy(buffer, bytes_.data() + first * sectorSize_, static_cast<std::size_t>(count) * sectorSize_);
    lastError_ = 0;
    return true;
  }
  unsigned GetSectorSize() override { return sectorSize_; }
  long long GetTotalSectors() override { return static_cast<long long>(bytes_.size() / sectorSize_); }
  bool IOCtl(unsigned long long, void*) override { return false; }
  IStorageDeviceData* GetPrivateData() override { return holder_.get(); }
  void SetPrivateData(IStorageDeviceData*) override {}
  int GetType() override { return STORAGE_DEVICE_DISK; }
  unsigned long long GetLastError() override { return lastError_; }

 private:
  std::vector<std::uint8_t> bytes_;
  unsigned sectorSize_;
  std::unique_ptr<IDiskDeviceData> holder_;
  unsigned long long lastError_ = 0;
};

void CheckInside(const std::list<PartitionEntry>& entries, std::uint64_t diskSectors) {
  for (const auto& entry : entries)
    if (entry.startSector >= diskSectors || entry.sectorCount > diskSectors - entry.startSector) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static constexpr unsigned kSectorSizes[] = {512, 512, 1024, 2048, 4096, 520, 256, 512};
  InputDisk disk(data + 1, size - 1, kSectorSizes[data[0] % 8]);
  const auto diskSectors = static_cast<std::uint64_t>(disk.GetTotalSectors());
  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  std::list<PartitionEntry> entries;
  analyzer->AnalyzePartitionTable(&disk, entries);
  CheckInside(entries, diskSectors);
  analyzer->AnalyzeGPTPartitionTable(&disk, entries);
  CheckInside(entries, diskSectors);
  analyzer->AnalyzeMBRPartitionTable(&disk, entries);
  CheckInside(entries, diskSectors);
  analyzer->AnalyzeAPMPartitionTable(&disk, entries);
  CheckInside(entries, diskSectors);
  return 0;
}
