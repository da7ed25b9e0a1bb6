#pragma once
// Which block devices hold the data a path names: the device itself for a device node, the loop devices that
// serve an image file. Lets a recovery refuse a destination that lives on what it scans.

#include <sys/types.h>

#include <filesystem>
#include <vector>

namespace quellsy::platform {

// The device numbers whose contents are the contents of path: its st_rdev for a block device, every loop device
// backed by it for a regular file (found under sysRoot/block/loop*/loop/backing_file); empty otherwise.
std::vector<dev_t> DevicesServing(const std::filesystem::path& path,
                                  const std::filesystem::path& sysRoot = "/sys");

// True when a file system on device fsDevice lies on disk: the same device, or a partition of it.
bool DeviceLiesOn(dev_t fsDevice, dev_t disk, const std::filesystem::path& sysRoot = "/sys");

}  // namespace quellsy::platform
