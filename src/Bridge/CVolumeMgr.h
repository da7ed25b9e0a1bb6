#pragma once
// The local disks with their usable volumes, described without opening any device: disks and partitions from
// sysfs, mount points from the mount table, sizes from the mounted file systems. Optionally restricted to a list
// of disks to show.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct VolumeEntry {
  std::string OSvolume;  // "YES" for the volume mounted at "/", else "NO"
  std::string volumeName;
  std::string volumePath;  // kernel name, e.g. "sda2"
  std::string mountPoint;
  std::string volumeTotalSize;
  std::string volumeFreeSize;
};

struct DiskEntry {
  std::string DiskName;
  std::string DiskPath;  // kernel name, e.g. "sda"
  std::string DiskShow;  // "YES", or the value of the disk's entry in the list of disks to show
  std::vector<VolumeEntry> DiskVolume;
};

// One entry of the list of disks to show.
struct LocalDiskEntry {
  std::string DiskPath;
  std::string DiskShow;
};

class CVolumeMgr {
 public:
  struct Space {
    std::uint64_t total = 0;
    std::uint64_t free = 0;
  };
  // Size and free space of the file system mounted at a path; nothing when it cannot be asked.
  using SpaceProbe = std::function<std::optional<Space>(const std::string& mountPoint)>;

  struct Sources {
    std::filesystem::path sysRoot = "/sys";
    std::filesystem::path mountInfo = "/proc/self/mountinfo";
    SpaceProbe space;  // empty: statvfs
    // Empty: the list in `localDiskList`, and without one every local disk that is not removable media, a disk
    // image or a RAID or mapper device.
    std::vector<LocalDiskEntry> localDisks;
    // A property list of disks to show: an array of dictionaries with "DiskPath" and "DiskShow". Empty: the
    // "LocalDisk.plist" installed beside the program.
    std::filesystem::path localDiskList;
  };

  CVolumeMgr() = default;
  explicit CVolumeMgr(Sources sources) : sources_(std::move(sources)) {}

  // Disks with at least one usable volume, by kernel name; a volume is usable when it is mounted and not the EFI system
  // partition or the boot folder.
  std::vector<DiskEntry> enumDiskVolumesInfo();
  // The entries of such a list that name a disk; empty when there is no list.
  static std::vector<LocalDiskEntry> LoadLocalDiskList(const std::filesystem::path& path);
  // "0.00 KB" for 0, then KB below 10^6, MB below 10^9, else GB (decimal units).
  static std::string convertVolSpace(std::uint64_t bytes);

  bool bFindOSDisk = false;

 private:
  Sources sources_;
};
