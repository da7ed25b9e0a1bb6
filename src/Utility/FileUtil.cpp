#include "Utility/FileUtil.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

bool isValidString(const char* text) {
  if (!text) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p) {
    const unsigned char lead = *p;
    int trailing = 0;
    std::uint32_t code = 0;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      trailing = 1;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trailing = 2;
      code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trailing = 3;
      code = lead & 0x07;
    } else {
      return false;
    }
    ++p;
    for (int i = 0; i < trailing; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      code = (code << 6) | (*p & 0x3F);
    }
    const bool overlong = (trailing == 2 && code < 0x800) || (trailing == 3 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  }
  return true;
}

std::uint64_t GetFileSize(const char* path) {
  if (!path) return 0;
  struct stat info {};
  if (stat(path, &info) != 0 || info.st_size <= 0) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

int CopyFileA(const char* from, const char* to, int) {
  if (!from || !to) {
    errno = EINVAL;
    return -1;
  }
  namespace fs = std::filesystem;
  std::error_code error;
  fs::copy(from, to,
           fs::copy_options::recursive | fs::copy_options::copy_symlinks | fs::copy_options::overwrite_existing,
           error);
  if (error) {
    errno = error.value();
    return -1;
  }
  // Keep the times of every copied entry, as a recovery copy should.
  auto keepTimes = [](const fs::path& source, const fs::path& target) {
    struct stat info {};
    if (lstat(source.c_str(), &info) != 0) return;
    const timespec times[2] = {info.st_atim, info.st_mtim};
    utimensat(AT_FDCWD, target.c_str(), times, AT_SYMLINK_NOFOLLOW);
  };
  if (fs::is_directory(from, error)) {
    for (const auto& entry : fs::recursive_directory_iterator(from, error))
      keepTimes(entry.path(), fs::path(to) / fs::relative(entry.path(), from, error));
  }
  keepTimes(from, to);
  return 0;
}
