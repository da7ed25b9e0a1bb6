#include "ImageCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

quellsy::ResultCode CheckImage(const std::string& path, std::string& kind) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return kImageMissing;
    return errno == EACCES ? kImageNotReadable : kImageCannotOpen;
  }
  if (S_ISDIR(info.st_mode)) return kImageIsFolder;
  if (!S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode)) {
    kind = S_ISFIFO(info.st_mode) ? "a FIFO" : S_ISSOCK(info.st_mode) ? "a socket" : "a character device";
    return kImageWrongKind;
  }
  // Only now is opening safe: a regular file or block device does not wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == EACCES || errno == EPERM ? kImageNotReadable : kImageCannotOpen;
  close(fd);
  return quellsy::kResultOk;
}
