#pragma once
// What libblkid reads from a device or image file (opened read-only): the file system's label and
// the partition table's kind.

#include <optional>
#include <string>

namespace quellsy::platform {

// The file system's label; nothing when there is no file system, no label, or the path cannot be read.
std::optional<std::string> ProbeFilesystemLabel(const std::string& path);

// The partition table's kind as libblkid names it ("gpt", "dos", "mac", ...); nothing without one.
// A file system on the whole disk (a FAT boot sector also ends in 0x55 0xAA) is not a table.
std::optional<std::string> ProbePartitionTableType(const std::string& path);

}  // namespace quellsy::platform
