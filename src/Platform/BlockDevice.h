#pragma once
// Read-only access to Linux block devices and to image files standing in for them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quellsy::platform {

constexpr unsigned kDefaultSectorSize = 512;

struct BlockGeometry {
  unsigned sectorSize = kDefaultSectorSize;
  long long totalSectors = 0;
  // False for an image file, whose sector size the kernel cannot know.
  bool blockDevice = false;
};

// The node of a kernel block device name ("sdb", "nvme0n1p2"): Linux has no separate raw nodes.
std::string RawDevicePath(std::string_view kernelName);

// Opens read-only (never anything else: nothing is written to a scanned device). Returns the
// descriptor, or -1 with errno preserved.
int OpenReadOnly(const char* path);

// EACCES and EPERM both mean the caller lacks the rights, not that the device is bad.
bool IsPermissionError(int error);

// Logical sector size (BLKSSZGET) and size (BLKGETSIZE64) of an open block device. A regular file
// acts as a device of 512-byte sectors covering its whole sectors. What cannot be asked is 512 and 0.
BlockGeometry QueryBlockGeometry(int fd);

// Size in bytes of an open regular file or block device; nullopt when it cannot be told.
std::optional<std::uint64_t> QuerySizeInBytes(int fd);

// The device number (st_rdev) of a block device node; nullopt for anything else.
std::optional<std::uint64_t> BlockDeviceNumber(const char* path);

}  // namespace quellsy::platform
