#include "Platform/WriteAll.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

namespace quellsy::platform {
namespace {

// One loop for both: write is pwrite without an offset.
template <typename Put>
bool WriteEvery(const void* bytes, std::size_t length, Put put) {
  const auto* next = static_cast<const char*>(bytes);
  std::uint64_t done = 0;
  while (length > 0) {
    const ssize_t written = put(next, length, done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return false;
    if (written == 0) {
      errno = ENOSPC;  // nothing taken and nothing said: the file system is full
      return false;
    }
    next += written;
    length -= static_cast<std::size_t>(written);
    done += static_cast<std::uint64_t>(written);
  }
  return true;
}

}  // namespace

bool WriteAll(int fd, const void* bytes, std::size_t length) {
  return WriteEvery(bytes, length,
                    [fd](const char* at, std::size_t count, std::uint64_t) { return ::write(fd, at, count); });
}

bool WriteAllAt(int fd, const void* bytes, std::size_t length, std::uint64_t offset) {
  return WriteEvery(bytes, length, [fd, offset](const char* at, std::size_t count, std::uint64_t done) {
    return ::pwrite(fd, at, count, static_cast<off_t>(offset + done));
  });
}

}  // namespace quellsy::platform
