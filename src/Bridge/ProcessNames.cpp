#include "Bridge/ProcessNames.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <fstream>
#include <string>
#include <system_error>

namespace quellsy::bridge {
namespace {

// The kernel keeps 15 characters and a newline; anything longer is not a command name.
constexpr std::size_t kMaxCommLength = 64;

std::string ReadComm(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return "";
  std::array<char, kMaxCommLength> buffer{};
  in.read(buffer.data(), buffer.size());
  std::string name(buffer.data(), static_cast<std::size_t>(in.gcount()));
  while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
  return name;
}

bool IsPrefixIgnoringCase(std::string_view prefix, std::string_view text) {
  if (prefix.size() > text.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

bool IsProcessRunning(std::string_view name, const std::filesystem::path& procRoot, pid_t self) {
  std::error_code error;
  std::filesystem::directory_iterator it(procRoot, error);
  if (error) return false;
  for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
    if (error) return false;
    const std::string entry = it->path().filename().string();
    pid_t pid = 0;
    const auto [rest, parsed] = std::from_chars(entry.data(), entry.data() + entry.size(), pid);
    if (parsed != std::errc() || rest != entry.data() + entry.size() || pid <= 0 || pid == self) continue;
    const std::string comm = ReadComm(it->path() / "comm");
    if (!comm.empty() && IsPrefixIgnoringCase(comm, name)) return true;
  }
  return false;
}

bool IsProcessRunning(std::string_view name) { return IsProcessRunning(name, "/proc", getpid()); }

}  // namespace quellsy::bridge
