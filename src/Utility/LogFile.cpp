#include "Utility/LogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

void LogFile::Use(int folder, std::optional<Owner> owner) {
  Close();
  folder_ = folder;
  owner_ = owner;
}

void LogFile::Close() {
  if (file_ >= 0) close(file_);
  if (folder_ >= 0) close(folder_);
  file_ = -1;
  folder_ = -1;
  size_ = 0;
}

bool LogFile::OpenFile() {
  if (folder_ < 0) {
    errno = EBADF;
    return false;
  }
  // Never through a link: the folder may belong to the user we act for, and we may be root.
  file_ = openat(folder_, kName, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (file_ < 0) return false;
  struct stat status {};
  if (fstat(file_, &status) != 0 || !S_ISREG(status.st_mode)) {
    const int error = errno != 0 ? errno : EINVAL;
    close(file_);
    file_ = -1;
    errno = error;
    return false;
  }
  if (owner_ && (status.st_uid != owner_->uid || status.st_gid != owner_->gid) &&
      fchown(file_, owner_->uid, owner_->gid) != 0) {
    const int error = errno;
    close(file_);
    file_ = -1;
    errno = error;
    return false;
  }
  size_ = static_cast<std::uint64_t>(status.st_size);
  return true;
}

bool LogFile::Rotate() {
  close(file_);
  file_ = -1;
  // Should the old file stay where it is, the log starts again rather than grow.
  if (renameat(folder_, kName, folder_, kOldName) != 0 && unlinkat(folder_, kName, 0) != 0) return false;
  return OpenFile();
}

bool LogFile::Append(const char* line, std::size_t length) {
  if (file_ < 0 && !OpenFile()) return false;
  if (size_ > 0 && size_ + length > limit_ && !Rotate()) return false;
  for (std::size_t done = 0; done < length;) {
    const ssize_t written = write(file_, line + done, length - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(written);
    size_ += static_cast<std::uint64_t>(written);
  }
  return true;
}
