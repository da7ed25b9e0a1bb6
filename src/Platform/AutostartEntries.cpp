#include "Platform/AutostartEntries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "Platform/AtomicFile.h"
#include "Platform/UserPaths.h"

namespace quellsy::platform {
namespace {

constexpr std::size_t kMaxEntryBytes = 64 * 1024;
// Characters after which an Exec argument must be quoted.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
// Inside quotes these take a backslash.
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

// A value as the file holds it: a backslash of the value itself is doubled.
std::string FileEscaped(const std::string& value) {
  std::string out;
  for (const char c : value) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string FileUnescaped(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[++i]) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      default: out += value[i];
    }
  }
  return out;
}

std::string FirstArgument(std::string_view exec) {
  std::size_t i = exec.find_first_not_of(" \t");
  if (i == std::string_view::npos) return {};
  std::string word;
  if (exec[i] != '"') {
    const std::size_t end = exec.find_first_of(" \t", i);
    return std::string(exec.substr(i, end == std::string_view::npos ? end : end - i));
  }
  for (++i; i < exec.size() && exec[i] != '"'; ++i) {
    if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
    word += exec[i];
  }
  return word;
}

std::optional<std::string> ReadEntry(const std::filesystem::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat status {};
  std::optional<std::string> text;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && static_cast<std::size_t>(status.st_size) <= kMaxEntryBytes) {
    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    if (read(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size())) text = std::move(bytes);
  }
  close(fd);
  return text;
}

bool SameProgram(const std::string& found, const std::string& program) {
  if (found == program) return true;
  std::error_code error;
  return !found.empty() && found.front() == '/' && std::filesystem::equivalent(found, program, error);
}

}  // namespace

std::optional<std::filesystem::path> UserAutostartFolder() {
  const auto config = UserConfigDir();
  if (!config) return std::nullopt;
  return *config / "autostart";
}

std::string AutostartExecValue(const std::string& program) {
  if (program.find_first_of(kReserved) == std::string::npos) return program;
  std::string quoted = "\"";
  for (const char c : program) {
    if (kEscapedInQuotes.find(c) != std::string_view::npos) quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string AutostartProgram(std::string_view entryText) {
  bool inMainGroup = false;
  std::size_t start = 0;
  while (start < entryText.size()) {
    std::size_t end = entryText.find('\n', start);
    if (end == std::string_view::npos) end = entryText.size();
    std::string_view line = entryText.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with('[')) {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    if (!inMainGroup || !line.starts_with("Exec")) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || line.substr(4, equals - 4).find_first_not_of(" \t") != std::string_view::npos)
      continue;
    return FirstArgument(FileUnescaped(line.substr(equals + 1)));
  }
  return {};
}

bool AddAutostartEntry(const std::filesystem::path& folder, const std::string& fileName, const std::string& program,
                       const std::string& name) {
  const std::string text = "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" +
                           FileEscaped(AutostartExecValue(program)) + "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
  return WriteFileAtomically(folder / fileName, text);
}

std::size_t RemoveAutostartEntries(const std::filesystem::path& folder, const std::string& program) {
  std::error_code error;
  std::vector<std::filesystem::path> ours;
  for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
    if (item.path().extension() != ".desktop") continue;
    const auto text = ReadEntry(item.path());
    if (text && SameProgram(AutostartProgram(*text), program)) ours.push_back(item.path());
  }
  std::size_t removed = 0;
  for (const auto& path : ours)
    if (unlink(path.c_str()) == 0) ++removed;
  return removed;
}

}  // namespace quellsy::platform
