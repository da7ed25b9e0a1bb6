#include "Platform/UserPaths.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "Platform/AtomicFile.h"
#include "Platform/InvokingUser.h"

namespace quellsy::platform {

std::optional<std::filesystem::path> UserConfigDir() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return std::filesystem::path(xdg);
  if (const auto user = FindInvokingUser(); user && !user->home.empty())
    return std::filesystem::path(user->home) / ".config";
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return std::filesystem::path(home) / ".config";
  return std::nullopt;
}

std::string SafeTempFileName(const std::string& name) {
  std::string safe;
  for (const char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '-' || c == '_';
    safe.push_back(plain ? c : '_');
  }
  if (!safe.empty() && safe[0] == '.') safe[0] = '_';
  constexpr std::size_t kLongest = 64;
  if (safe.size() > kLongest) {
    const auto dot = safe.find_last_of('.');
    const std::string extension = dot != std::string::npos && safe.size() - dot <= 16 ? safe.substr(dot) : "";
    safe = safe.substr(0, kLongest - extension.size()) + extension;
  }
  return safe.empty() ? std::string("file") : safe;
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

std::optional<std::filesystem::path> PrivateTempDir::WriteFile(const std::string& name, const void* data,
                                                               std::size_t size) const {
  if (path_.empty()) return std::nullopt;
  auto file = path_ / SafeTempFileName(name);
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return std::nullopt;
  const bool whole = WriteWhole(fd, static_cast<const char*>(data), size);
  if (close(fd) != 0 || !whole) {
    std::filesystem::remove(file);
    return std::nullopt;
  }
  return file;
}

PrivateTempDir::PrivateTempDir(PrivateTempDir&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }

PrivateTempDir::~PrivateTempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace quellsy::platform
