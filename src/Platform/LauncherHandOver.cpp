#include "Platform/LauncherHandOver.h"

#include <spawn.h>

#include <algorithm>

extern char** environ;

namespace quellsy::platform {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsSafeLanguageCode(std::string_view code) {
  if (code.empty() || code.size() > kMaxLanguageCodeBytes || !IsAsciiLetter(code.front())) return false;
  return std::all_of(code.begin(), code.end(),
                     [](char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_'; });
}

bool ShouldStartLauncher(int argc, const char* const* argv, uid_t effectiveUid) {
  if (effectiveUid == 0) return false;
  if (argc < 2 || argv == nullptr || argv[1] == nullptr) return true;
  const std::string_view first(argv[1]);
  // A first argument that is not ASCII cannot name a language and counts as empty.
  return first.empty() || std::any_of(first.begin(), first.end(), [](char c) { return (c & 0x80) != 0; });
}

std::optional<pid_t> StartLauncher(const char* launcher) {
  if (launcher == nullptr) return std::nullopt;
  char* const argv[] = {const_cast<char*>(launcher), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, launcher, nullptr, nullptr, argv, environ) != 0) return std::nullopt;
  return pid;
}

}  // namespace quellsy::platform
