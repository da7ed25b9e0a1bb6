#pragma once
// A made-up sysfs tree of whole disks and their partitions, laid out as the kernel does: the device folders
// under devices/, linked from block/ and class/block/.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quellsy::test {

struct FakeSysfsPartition {
  std::string name;
  int number = 1;
  std::uint64_t start = 0;    // 512-byte units
  std::uint64_t sectors = 0;  // 512-byte units
};

struct FakeSysfsDisk {
  std::string name;
  std::string dev;            // "8:16"
  std::uint64_t sectors = 0;  // 512-byte units
  std::string busPath;        // below devices/pci0000:00/, e.g. "ata1/host0/target0:0:0/0:0:0:0"
  std::string vendor;
  std::string model;
  bool removable = false;
  std::vector<FakeSysfsPartition> partitions;
};

class FakeSysfs {
 public:
  explicit FakeSysfs(const std::filesystem::path& folder);
  void AddDisk(const FakeSysfsDisk& disk);
  // What ListWholeDisks and ListPartitions take as their root.
  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
};

}  // namespace quellsy::test
