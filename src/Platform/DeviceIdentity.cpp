#include "Platform/DeviceIdentity.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <string>
#include <system_error>

namespace quellsy::platform {

namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string DeviceName(dev_t device) { return std::to_string(major(device)) + ":" + std::to_string(minor(device)); }

}  // namespace

std::vector<dev_t> DevicesServing(const fs::path& path, const fs::path& sysRoot) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  if (S_ISBLK(info.st_mode)) return {info.st_rdev};
  if (!S_ISREG(info.st_mode)) return {};
  std::vector<dev_t> devices;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(sysRoot / "block", error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("loop", 0) != 0) continue;
    const std::string backing = FirstLine(entry.path() / "loop" / "backing_file");
    struct stat backed {};
    // The same file whatever name it was opened by: compare device and inode.
    if (backing.empty() || stat(backing.c_str(), &backed) != 0 || backed.st_dev != info.st_dev ||
        backed.st_ino != info.st_ino)
      continue;
    const std::string number = FirstLine(entry.path() / "dev");
    const std::size_t colon = number.find(':');
    if (colon == std::string::npos) continue;
    try {
      devices.push_back(makedev(std::stoul(number.substr(0, colon)), std::stoul(number.substr(colon + 1))));
    } catch (const std::exception&) {
    }
  }
  return devices;
}

bool DeviceLiesOn(dev_t fsDevice, dev_t disk, const fs::path& sysRoot) {
  if (fsDevice == disk) return true;
  std::error_code error;
  const fs::path node = fs::canonical(sysRoot / "dev" / "block" / DeviceName(fsDevice), error);
  if (error || !fs::exists(node / "partition", error)) return false;
  return FirstLine(node.parent_path() / "dev") == DeviceName(disk);
}

}  // namespace quellsy::platform
