#include "FileArchive/CStdFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/InvokingUser.h"
#include "Platform/WriteAll.h"

CStdFile::~CStdFile() { Close(); }

bool CStdFile::Open(const char* path, int mode) {
  Close();
  if (path == nullptr || mode < kReadOnly || mode > kLastMode) return false;
  path_ = path;
  // Non-blocking only for the open itself: a FIFO in the way must not hang us, and is refused below.
  int flags = O_CLOEXEC | O_NONBLOCK;
  if (mode == kReadOnly)
    flags |= O_RDONLY;
  else
    flags |= O_RDWR | O_CREAT | O_NOFOLLOW | (mode == kCreateTruncate ? O_TRUNC : 0);
  do fd_ = ::open(path, flags, S_IRUSR | S_IWUSR);
  while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) return false;
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || ::fcntl(fd_, F_SETFL, 0) != 0) {
    Close();
    return false;
  }
  if (mode != kReadOnly) quellsy::platform::GiveOpenFileToInvokingUser(fd_);
  return true;
}

void CStdFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::uint64_t CStdFile::Read(void* buffer, std::uint64_t length) {
  if (fd_ < 0 || buffer == nullptr) return 0;
  auto* at = static_cast<char*>(buffer);
  std::uint64_t done = 0;
  while (done < length) {
    const ssize_t got = ::read(fd_, at + done, length - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::uint64_t>(got);
  }
  return done;
}

bool CStdFile::Write(const void* buffer, std::uint64_t length) {
  if (fd_ < 0 || (buffer == nullptr && length != 0)) return false;
  return quellsy::platform::WriteAll(fd_, buffer, length);
}

bool CStdFile::GetFileLength(std::uint64_t* length) const {
  struct stat info {};
  if (fd_ < 0 || length == nullptr || ::fstat(fd_, &info) != 0) return false;
  *length = static_cast<std::uint64_t>(info.st_size);
  return true;
}

std::uint64_t CStdFile::GetPosition() const {
  if (fd_ < 0) return 0;
  const off_t at = ::lseek(fd_, 0, SEEK_CUR);
  return at < 0 ? 0 : static_cast<std::uint64_t>(at);
}

bool CStdFile::Seek(std::uint64_t position) {
  return fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) == static_cast<off_t>(position);
}

bool CStdFile::SeekToEnd() { return fd_ >= 0 && ::lseek(fd_, 0, SEEK_END) >= 0; }
