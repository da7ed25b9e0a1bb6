#include "FXRLoader/DisplayEnvironment.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace quellsy::launcher {
namespace {

constexpr std::size_t kMaxValueBytes = 4096;
constexpr std::size_t kMaxWordBytes = 512;
constexpr std::size_t kMaxSessionTypeBytes = 16;

bool HasControlCharacter(std::string_view value) {
  return std::any_of(value.begin(), value.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
  });
}

// Printable ASCII without blanks.
bool IsWord(std::string_view value, std::size_t maxBytes) {
  return value.size() <= maxBytes &&
         std::all_of(value.begin(), value.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

bool IsSessionType(std::string_view value) {
  return value.size() <= kMaxSessionTypeBytes && std::all_of(value.begin(), value.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
         });
}

// Why the path is refused, or empty when it is absolute and names a thing of `type` (S_IFREG, ...) the user owns.
std::string CheckOwnedPath(const std::string& path, mode_t type, uid_t user) {
  if (path.empty() || path.front() != '/') return "is not an absolute path";
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return "does not exist";
  if ((status.st_mode & S_IFMT) != type) return "is not of the expected kind";
  if (status.st_uid != user) return "is not owned by the invoking user";
  return {};
}

// Why the value is refused for this variable, or empty when it is accepted.
std::string CheckValue(std::string_view name, const std::string& value, uid_t user) {
  if (value.empty() || value.size() > kMaxValueBytes || HasControlCharacter(value))
    return "is empty, too long or holds control characters";
  if (name == "DISPLAY" || name == "DESKTOP_STARTUP_ID" || name == "XDG_ACTIVATION_TOKEN")
    return IsWord(value, kMaxWordBytes) ? "" : "is not one word of printable ASCII";
  if (name == "XDG_SESSION_TYPE") return IsSessionType(value) ? "" : "is not a session type";
  if (name == "XAUTHORITY") return CheckOwnedPath(value, S_IFREG, user);
  if (name == "XDG_RUNTIME_DIR") return CheckOwnedPath(value, S_IFDIR, user);
  // WAYLAND_DISPLAY: a socket's path, or a name inside the runtime folder.
  if (value.front() == '/') return CheckOwnedPath(value, S_IFSOCK, user);
  return value.find('/') == std::string::npos ? "" : "is neither an absolute path nor a plain name";
}

}  // namespace

bool IsDisplayVariable(std::string_view name) {
  return std::find(std::begin(kDisplayVariables), std::end(kDisplayVariables), name) != std::end(kDisplayVariables);
}

std::vector<std::string> CollectDisplayEnvironment(const EnvironmentLookup& lookup) {
  std::vector<std::string> assignments;
  for (const char* name : kDisplayVariables) {
    const char* value = lookup(name);
    std::string text = value ? value : "";
    if (text.empty() && std::string_view(name) == "XAUTHORITY" && lookup("DISPLAY") && *lookup("DISPLAY")) {
      const char* home = lookup("HOME");
      std::error_code error;
      const auto file = std::filesystem::path(home && home[0] == '/' ? home : "") / ".Xauthority";
      if (file.is_absolute() && std::filesystem::is_regular_file(file, error)) text = file.string();
    }
    if (!text.empty()) assignments.push_back(std::string(name) + "=" + text);
  }
  return assignments;
}

AcceptedEnvironment AcceptDisplayEnvironment(const std::vector<std::string>& assignments, uid_t invokingUser) {
  AcceptedEnvironment result;
  std::set<std::string, std::less<>> seen;
  for (const std::string& assignment : assignments) {
    const auto equals = assignment.find('=');
    const std::string name = assignment.substr(0, equals);
    // Other names are not repeated in the message: they may hold anything.
    if (equals == std::string::npos || !IsDisplayVariable(name)) {
      result.refused.push_back("an argument that assigns no display variable");
      continue;
    }
    const std::string why = seen.insert(name).second ? CheckValue(name, assignment.substr(equals + 1), invokingUser)
                                                     : "is given more than once";
    if (why.empty())
      result.accepted.push_back(assignment);
    else
      result.refused.push_back(name + " " + why);
  }
  return result;
}

}  // namespace quellsy::launcher
