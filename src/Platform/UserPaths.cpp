#include "Platform/UserPaths.h"

#include <stdlib.h>

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
