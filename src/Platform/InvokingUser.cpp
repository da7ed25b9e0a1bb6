#include "Platform/InvokingUser.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quellsy::platform {

namespace {

std::optional<uid_t> ParseUid(const char* text) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  const char* end = text + std::strlen(text);
  unsigned long long value = 0;
  const auto [stop, error] = std::from_chars(text, end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  const auto uid = static_cast<uid_t>(value);
  if (static_cast<unsigned long long>(uid) != value || uid == static_cast<uid_t>(-1)) return std::nullopt;
  return uid;
}

}  // namespace

std::optional<InvokingUser> FindUserById(uid_t uid) {
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> scratch(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
  passwd entry{};
  passwd* found = nullptr;
  int error = 0;
  while ((error = getpwuid_r(uid, &entry, scratch.data(), scratch.size(), &found)) == ERANGE &&
         scratch.size() < (1u << 20))
    scratch.resize(scratch.size() * 2);
  if (error != 0 || found == nullptr) return std::nullopt;
  return InvokingUser{found->pw_uid, found->pw_gid, found->pw_name ? found->pw_name : "",
                      found->pw_dir ? found->pw_dir : ""};
}

std::optional<InvokingUser> FindInvokingUser() {
  const std::optional<uid_t> uid = ParseUid(std::getenv("PKEXEC_UID"));
  return uid ? FindUserById(*uid) : std::nullopt;
}

std::optional<InvokingUser> FindUserBehindRoot() {
  if (geteuid() != 0) return std::nullopt;
  if (auto user = FindInvokingUser()) return user;
  const std::optional<uid_t> uid = ParseUid(std::getenv("SUDO_UID"));
  return uid ? FindUserById(*uid) : std::nullopt;
}

bool GiveToInvokingUser(const char* path) {
  if (path == nullptr) return false;
  const std::optional<InvokingUser> user = FindInvokingUser();
  if (!user) return true;
  return fchownat(AT_FDCWD, path, user->uid, user->gid, AT_SYMLINK_NOFOLLOW) == 0;
}

bool GiveOpenFileToInvokingUser(int fd) {
  const std::optional<InvokingUser> user = FindInvokingUser();
  if (!user) return true;
  return fchown(fd, user->uid, user->gid) == 0;
}

}  // namespace quellsy::platform
