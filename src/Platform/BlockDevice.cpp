#include "Platform/BlockDevice.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>

namespace quellsy::platform {

std::string RawDevicePath(std::string_view kernelName) { return "/dev/" + std::string(kernelName); }

int OpenReadOnly(const char* path) {
  if (!path) {
    errno = EINVAL;
    return -1;
  }
  int fd;
  do {
    fd = open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool IsPermissionError(int error) { return error == EACCES || error == EPERM; }

std::optional<std::uint64_t> QuerySizeInBytes(int fd) {
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) return std::nullopt;
  if (S_ISREG(info.st_mode)) return static_cast<std::uint64_t>(info.st_size);
  std::uint64_t bytes = 0;
  if (S_ISBLK(info.st_mode) && ioctl(fd, BLKGETSIZE64, &bytes) == 0) return bytes;
  return std::nullopt;
}

BlockGeometry QueryBlockGeometry(int fd) {
  BlockGeometry geometry;
  struct stat info {};
  if (fd < 0 || fstat(fd, &info) != 0) return geometry;
  if (S_ISBLK(info.st_mode)) {
    geometry.blockDevice = true;
    int sectorSize = 0;
    if (ioctl(fd, BLKSSZGET, &sectorSize) == 0 && sectorSize > 0)
      geometry.sectorSize = static_cast<unsigned>(sectorSize);
  }
  if (const auto bytes = QuerySizeInBytes(fd))
    geometry.totalSectors = static_cast<long long>(*bytes / geometry.sectorSize);
  return geometry;
}

std::optional<std::uint64_t> BlockDeviceNumber(const char* path) {
  struct stat info {};
  if (!path || stat(path, &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_rdev);
}

}  // namespace quellsy::platform
