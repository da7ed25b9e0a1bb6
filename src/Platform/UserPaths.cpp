#include "Platform/UserPaths.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "Platform/InvokingUser.h"

namespace quellsy::platform {

std::optional<std::filesystem::path> UserConfigDir() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return std::filesystem::path(xdg);
  if (const auto user = FindInvokingUser(); user && !user->home.empty())
    return std::filesystem::path(user->home) / ".config";
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return std::filesystem::path(home) / ".config";
  return std::nullopt;
}

std::optional<UserStateFolder> UserStateDir() {
  std::optional<InvokingUser> owner = FindUserBehindRoot();
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && xdg[0] == '/')
    return UserStateFolder{std::filesystem::path(xdg), {}, std::move(owner)};
  const std::filesystem::path below = std::filesystem::path(".local") / "state";
  if (owner && owner->home.rfind('/', 0) == 0) return UserStateFolder{owner->home, below, std::move(owner)};
  owner.reset();
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return UserStateFolder{home, below, {}};
  if (const auto self = FindUserById(geteuid()); self && self->home.rfind('/', 0) == 0)
    return UserStateFolder{self->home, below, {}};
  return std::nullopt;
}

int OpenOrMakeFolder(const std::filesystem::path& base, const std::filesystem::path& below,
                     const std::optional<InvokingUser>& owner) {
  int folder = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (const std::filesystem::path& part : below) {
    if (folder < 0) return -1;
    const std::string name = part.string();
    if (name.empty() || name == "." || name == ".." || name == "/") {
      close(folder);
      errno = EINVAL;
      return -1;
    }
    if (mkdirat(folder, name.c_str(), 0700) == 0 && owner &&
        fchownat(folder, name.c_str(), owner->uid, owner->gid, AT_SYMLINK_NOFOLLOW) != 0) {
      const int error = errno;
      close(folder);
      errno = error;
      return -1;
    }
    const int inner = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int error = errno;
    close(folder);
    errno = error;
    folder = inner;
  }
  return folder;
}

std::optional<std::filesystem::path> MakePrivateTempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = (base && base[0] == '/' ? std::string(base) : std::string("/tmp")) + "/quellsy-XXXXXX";
  if (!mkdtemp(pattern.data())) return std::nullopt;
  return std::filesystem::path(pattern);
}

std::optional<PrivateTempDir> PrivateTempDir::Make() {
  auto path = MakePrivateTempDir();
  if (!path) return std::nullopt;
  return PrivateTempDir(std::move(*path));
}

PrivateTempDir::PrivateTempDir(PrivateTempDir&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }

PrivateTempDir::~PrivateTempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace quellsy::platform
