#include "DirectoryTreeBuilder/UserHome.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr long kPasswdBufferFallback = 16384;

std::optional<std::string> HomeOfUid(const char* text) {
  uid_t uid = 0;
  const char* end = text + std::strlen(text);
  const auto [last, error] = std::from_chars(text, end, uid);
  if (error != std::errc() || last != end || last == text) return std::nullopt;
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<std::size_t>(suggested > 0 ? suggested : kPasswdBufferFallback));
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return std::nullopt;
  if (found->pw_dir == nullptr || found->pw_dir[0] == '\0') return std::nullopt;
  return std::string(found->pw_dir);
}

}  // namespace

std::optional<std::string> UserHomeFolder() {
  // Under pkexec HOME is root's, not the user's: an unknown PKEXEC_UID must not fall back to it.
  if (const char* uid = std::getenv("PKEXEC_UID"); uid != nullptr) return HomeOfUid(uid);
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return std::nullopt;
  return std::string(home);
}
