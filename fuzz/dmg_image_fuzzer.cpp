// The disk-image check on arbitrary files: it never crashes, and an image it accepts is served flat from the
// file, so the sectors it promises lie inside the file.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Bridge/DmgImageParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The check reads a path; an anonymous in-memory file keeps the disk out of the loop.
  const int fd = memfd_create("dmg-fuzz", 0);
  if (fd < 0) return 0;
  std::size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, data + written, size - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  CDMGDeviceInfoStruct record;
  std::string reason;
  const int accepted = quellsy::ParseDmgFile("/proc/self/fd/" + std::to_string(fd), record, &reason);
  close(fd);
  if (written != size) return 0;
  if (accepted == 1) {
    if (record.fileSize != size) std::abort();
    if (record.sectorCount > size / 512) std::abort();
  } else if (reason.empty()) {
    std::abort();  // a refusal always says why
  }
  return 0;
}
