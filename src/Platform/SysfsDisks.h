#pragma once
// Whole disks and their partitions as the kernel lists them in sysfs. The sysfs root is a parameter
// so that tests can describe a machine with a tree of their own.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellsy::platform {

enum class DiskBus { kOther, kAta, kScsi, kUsb, kNvme, kVirtio, kLoop };

struct SysfsBlockDevice {
  std::string name;                           // kernel name, also the node's name under /dev
  std::uint64_t sizeBytes = 0;                // "size" counts 512-byte units whatever the sector size
  std::optional<std::uint64_t> deviceNumber;  // "dev" (major:minor) as a dev_t, comparable with st_rdev
};

struct SysfsDisk : SysfsBlockDevice {
  unsigned logicalBlockSize = 512;  // queue/logical_block_size
  bool removable = false;
  bool readOnly = false;
  std::string vendor;  // device/vendor, trimmed
  std::string model;   // device/model, trimmed
  DiskBus bus = DiskBus::kOther;
  std::string backingFile;  // a loop device's image file (loop/backing_file), empty for every other disk
};

struct SysfsPartition : SysfsBlockDevice {
  int number = 0;                  // "partition"
  std::uint64_t startBytes = 0;    // "start" (512-byte units) in bytes from the disk's start
};

// Optical drives and RAM-backed devices are never disks to scan; loop devices only when asked for.
bool IsExcludedDiskName(std::string_view name, bool allowLoop);

// The bus a disk hangs on, from its resolved sysfs path (".../usb1/...", ".../ata2/...", ...).
DiskBus BusFromSysfsPath(std::string_view devicePath, std::string_view name);

// The whole disks under <sysRoot>/block that are not excluded, in directory order. A disk whose
// size cannot be read is left out.
std::vector<SysfsDisk> ListWholeDisks(const std::filesystem::path& sysRoot, bool allowLoop);

// The partitions of `disk` among <sysRoot>/class/block, by partition number.
std::vector<SysfsPartition> ListPartitions(const std::filesystem::path& sysRoot, std::string_view disk);

}  // namespace quellsy::platform
