#pragma once
// A test image kept as written pages only, so volumes of many GiB cost what was written; unwritten bytes read
// as zeros. A device over it reads like a disk, and it can be written out as a sparse file for other tools.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "include/IStorageDevice.h"

namespace quellsy::test {

class SparseImage {
 public:
  explicit SparseImage(std::uint64_t size) : size_(size) {}

  std::uint64_t size() const { return size_; }
  // Throws when the range runs past the image's end.
  void Write(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  void Read(std::uint64_t offset, std::uint8_t* out, std::uint64_t length) const;
  std::vector<std::uint8_t> Read(std::uint64_t offset, std::uint64_t length) const;
  // The whole image in memory: for small images only.
  std::vector<std::uint8_t> Flatten() const { return Read(0, size_); }
  // A sparse file: only written pages take space.
  void WriteFile(const std::filesystem::path& path) const;

 private:
  static constexpr std::uint64_t kPage = 65536;
  std::uint64_t size_;
  std::map<std::uint64_t, std::vector<std::uint8_t>> pages_;
};

// A read-only device over an image. A reported sector size of 0 reads in 512-byte sectors, as a device that
// does not know its sector size is read.
class SparseDevice : public IStorageDevice {
 public:
  SparseDevice(std::shared_ptr<const SparseImage> image, unsigned reportedSectorSize);

  bool Open(char*) override { return true; }
  bool Close() override { return true; }
  bool ReadSector(void* buffer, long long first, long long count) override;
  unsigned GetSectorSize() override { return reported_; }
  long long GetTotalSectors() override { return static_cast<long long>(image_->size() / sectorSize_); }
  bool IOCtl(unsigned long long, void*) override { return false; }
  IStorageDeviceData* GetPrivateData() override { return nullptr; }
  void SetPrivateData(IStorageDeviceData*) override {}
  int GetType() override { return STORAGE_DEVICE_VOLUME; }
  unsigned long long GetLastError() override { return 0; }

  long long SectorsRead() const { return sectorsRead_; }
  void ResetCounters() { sectorsRead_ = 0; }

 private:
  std::shared_ptr<const SparseImage> image_;
  unsigned reported_;
  unsigned sectorSize_;
  long long sectorsRead_ = 0;
};

}  // namespace quellsy::test
