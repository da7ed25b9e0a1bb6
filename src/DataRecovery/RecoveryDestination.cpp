#include "DataRecovery/RecoveryDestination.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "DataRecovery/RecoveryName.h"
#include "Platform/DeviceIdentity.h"
#include "Platform/InvokingUser.h"

using quellsy::ResultCode;

namespace {

// Numbered names tried before giving up on a name.
constexpr int kMaxNumbered = 9999;

// Calls attempt(name), then attempt(name_0001) ... while it fails with EEXIST; the entry of the first that did not.
template <typename Attempt>
RecoveryDestination::Entry FirstFree(const std::string& name, Attempt attempt) {
  RecoveryDestination::Entry entry;
  for (int index = 0; index <= kMaxNumbered; ++index) {
    entry.name = index == 0 ? name : quellsy::NumberedName(name, index);
    entry.error = 0;
    entry.fd = attempt(entry.name);
    if (entry.fd >= 0) return entry;
    entry.error = errno;
    if (entry.error != EEXIST) return entry;
  }
  return entry;
}

}  // namespace

RecoveryDestination::~RecoveryDestination() {
  if (m_root >= 0) close(m_root);
}

ResultCode RecoveryDestination::Open(const std::string& folder, const std::string& scanned) {
  if (m_root >= 0) close(m_root);
  m_root = -1;
  m_path = folder;
  // The folder the user named may itself be reached through a link; what is made below it never is.
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return kMissing;
    if (errno == ENOTDIR) return kNotFolder;
    return kReadOnly;
  }
  struct statvfs volume {};
  struct stat info {};
  ResultCode result = quellsy::kResultOk;
  if (fstat(fd, &info) != 0) {
    result = kNotFolder;
  } else if (!scanned.empty()) {
    for (const dev_t device : quellsy::platform::DevicesServing(scanned))
      if (quellsy::platform::DeviceLiesOn(info.st_dev, device)) result = kOnScannedDevice;
  }
  // As root the permission bits do not stop a write, but a read-only mount does: ask both.
  if (result == quellsy::kResultOk && (fstatvfs(fd, &volume) != 0 || (volume.f_flag & ST_RDONLY) != 0 ||
                                       faccessat(fd, ".", W_OK | X_OK, AT_EACCESS) != 0))
    result = kReadOnly;
  if (result != quellsy::kResultOk) {
    close(fd);
    return result;
  }
  m_root = fd;
  return result;
}

RecoveryDestination::Entry RecoveryDestination::OpenFolder(int parent, const std::string& name) {
  return FirstFree(name, [parent](const std::string& candidate) {
    const bool made = mkdirat(parent, candidate.c_str(), 0777) == 0;
    if (!made && errno != EEXIST) return -1;
    const int fd = openat(parent, candidate.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      // A link (ELOOP) or a file (ENOTDIR) holds the name: try the next one.
      if (errno == ELOOP || errno == ENOTDIR) errno = EEXIST;
      return -1;
    }
    if (made) quellsy::platform::GiveOpenFileToInvokingUser(fd);
    return fd;
  });
}

RecoveryDestination::Entry RecoveryDestination::CreateFile(int parent, const std::string& name) {
  return FirstFree(name, [parent](const std::string& candidate) {
    const int fd =
        openat(parent, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) quellsy::platform::GiveOpenFileToInvokingUser(fd);
    return fd;
  });
}

std::optional<std::string> RecoveryDestination::Rename(int parent, const std::string& from, const std::string& to) {
  const Entry entry = FirstFree(to, [&](const std::string& candidate) {
    return renameat2(parent, from.c_str(), parent, candidate.c_str(), RENAME_NOREPLACE) == 0 ? 0 : -1;
  });
  if (entry.fd < 0) return std::nullopt;
  return entry.name;
}
