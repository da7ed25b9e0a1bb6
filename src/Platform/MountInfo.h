#pragma once
// Mount points of block devices from the kernel's mount table (/proc/self/mountinfo).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellsy::platform {

struct MountEntry {
  std::uint64_t deviceNumber = 0;  // major:minor as a dev_t
  std::string root;                // the part of the file system mounted ("/" unless a bind mount)
  std::string mountPoint;          // with the table's octal escapes (\040 for a space) decoded
  std::string fsType;
  std::string source;
};

// Parses the table's lines; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);
// The table at `path`; empty when it cannot be read.
std::vector<MountEntry> ReadMountInfo(const std::filesystem::path& path);
// Where the device is mounted: its first mount of the whole file system, else its first mount.
std::optional<std::string> FindMountPoint(const std::vector<MountEntry>& mounts, std::uint64_t deviceNumber);

}  // namespace quellsy::platform
