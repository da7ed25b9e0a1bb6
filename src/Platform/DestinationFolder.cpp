#include "Platform/DestinationFolder.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "Platform/InvokingUser.h"
#include "Platform/MountInfo.h"

namespace quellsy::platform {
namespace {

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The user's groups, its primary one included.
std::vector<gid_t> GroupsOf(const InvokingUser& user) {
  int count = 32;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  int listed = -1;
  while ((listed = getgrouplist(user.name.c_str(), user.gid, groups.data(), &count)) < 0 && count < 65536)
    groups.resize(static_cast<std::size_t>(count > static_cast<int>(groups.size()) ? count : count * 2));
  // A list too long to take leaves only the primary group: never slots of zeros, which would be root's group.
  if (listed < 0) return {user.gid};
  groups.resize(static_cast<std::size_t>(count > 0 ? count : 0));
  if (groups.empty()) groups.push_back(user.gid);
  return groups;
}

}  // namespace

bool InvokingUserCanWrite(const std::string& folder) {
  if (folder.empty() || !IsFolder(folder)) return false;
  const std::optional<InvokingUser> user = FindInvokingUser();
  if (!user || geteuid() != 0) return faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
  // Everything the child needs is prepared here: after fork only system calls run.
  const std::vector<gid_t> groups = GroupsOf(*user);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    const bool becameUser = setgroups(groups.size(), groups.data()) == 0 && setgid(user->gid) == 0 &&
                            setuid(user->uid) == 0;
    _exit(becameUser && access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : 1);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::optional<std::uint64_t> FreeBytes(const std::string& folder) {
  struct statvfs volume {};
  if (folder.empty() || statvfs(folder.c_str(), &volume) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(volume.f_bavail) * static_cast<std::uint64_t>(volume.f_frsize);
}

FolderDevice DeviceOfFolder(const std::string& folder) {
  FolderDevice device{folder, std::nullopt, {}};
  struct stat info {};
  if (folder.empty() || stat(folder.c_str(), &info) != 0) return device;
  device.deviceNumber = static_cast<std::uint64_t>(info.st_dev);
  for (const auto& mount : ReadMountInfo("/proc/self/mountinfo"))
    if (mount.deviceNumber == *device.deviceNumber) device.mountSources.push_back(mount.source);
  return device;
}

}  // namespace quellsy::platform
