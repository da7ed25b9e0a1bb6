#include "DataRecovery/RecoveryOutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/InvokingUser.h"

RecoveryOutputFile::~RecoveryOutputFile() { Close(); }

bool RecoveryOutputFile::Create(const char* path) {
  Close();
  if (path == nullptr) return false;
  m_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (m_fd < 0) return false;
  m_path = path;
  quellsy::platform::GiveToInvokingUser(path);
  return true;
}

bool RecoveryOutputFile::Reopen() {
  Close();
  if (m_path.empty()) return false;
  m_fd = open(m_path.c_str(), O_RDWR | O_CLOEXEC);
  return m_fd >= 0;
}

bool RecoveryOutputFile::WriteAt(std::uint64_t position, const void* bytes, std::size_t count) {
  if (m_fd < 0) return false;
  const auto* next = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t written = pwrite(m_fd, next, count, static_cast<off_t>(position));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    next += written;
    count -= static_cast<std::size_t>(written);
    position += static_cast<std::uint64_t>(written);
  }
  return true;
}

bool RecoveryOutputFile::Resize(std::uint64_t size) {
  return m_fd >= 0 && ftruncate(m_fd, static_cast<off_t>(size)) == 0;
}

bool RecoveryOutputFile::Close() {
  if (m_fd < 0) return true;
  const int result = close(m_fd);
  m_fd = -1;
  return result == 0;
}
