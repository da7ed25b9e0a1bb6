#include "DataRecovery/RecoveryOutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/InvokingUser.h"
#include "Platform/WriteAll.h"

RecoveryOutputFile::~RecoveryOutputFile() { Close(); }

bool RecoveryOutputFile::Fail() {
  m_error = errno;
  return false;
}

bool RecoveryOutputFile::Create(const char* path) {
  Close();
  m_error = 0;
  if (path == nullptr) return false;
  m_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (m_fd < 0) return Fail();
  m_path = path;
  quellsy::platform::GiveOpenFileToInvokingUser(m_fd);
  return true;
}

void RecoveryOutputFile::Adopt(int fd) {
  Close();
  m_error = 0;
  m_path.clear();
  m_fd = fd;
  m_adopted = fd >= 0;
}

bool RecoveryOutputFile::Reopen() {
  if (m_adopted) return m_fd >= 0;
  Close();
  if (m_path.empty()) return false;
  m_fd = open(m_path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  return m_fd >= 0 || Fail();
}

bool RecoveryOutputFile::WriteAt(std::uint64_t position, const void* bytes, std::size_t count) {
  if (m_fd < 0) return false;
  return quellsy::platform::WriteAllAt(m_fd, bytes, count, position) || Fail();
}

bool RecoveryOutputFile::Resize(std::uint64_t size) {
  return m_fd >= 0 && (ftruncate(m_fd, static_cast<off_t>(size)) == 0 || Fail());
}

bool RecoveryOutputFile::Close() {
  if (m_fd < 0) return true;
  if (m_adopted) {
    m_fd = -1;
    m_adopted = false;
    return true;
  }
  const int result = close(m_fd);
  m_fd = -1;
  return result == 0 || Fail();
}
