#include "Platform/MountInfo.h"

#include <sys/sysmacros.h>

#include <charconv>
#include <fstream>
#include <sstream>

namespace quellsy::platform {

namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos < line.size()) {
    const std::size_t start = line.find_first_not_of(' ', pos);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find(' ', start), line.size());
    fields.push_back(line.substr(start, end - start));
    pos = end;
  }
  return fields;
}

// The kernel writes space, tab, newline and backslash as three octal digits after a backslash.
std::string Unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const auto isOctal = [&](std::size_t at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
    if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
      out.push_back(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

std::optional<std::uint64_t> ParseDeviceNumber(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  unsigned major = 0;
  unsigned minor = 0;
  const auto majorRead = std::from_chars(text.data(), text.data() + colon, major);
  const auto minorRead = std::from_chars(text.data() + colon + 1, text.data() + text.size(), minor);
  if (majorRead.ec != std::errc() || majorRead.ptr != text.data() + colon || minorRead.ec != std::errc() ||
      minorRead.ptr != text.data() + text.size())
    return std::nullopt;
  return static_cast<std::uint64_t>(makedev(major, minor));
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> mounts;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    const auto fields = SplitFields(text.substr(pos, end - pos));
    pos = end + 1;
    // id, parent, major:minor, root, mount point, options, optional fields..., "-", type, source, ...
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (fields.size() < 6 || separator + 2 >= fields.size()) continue;
    const auto device = ParseDeviceNumber(fields[2]);
    if (!device) continue;
    mounts.push_back({*device, Unescape(fields[3]), Unescape(fields[4]), Unescape(fields[separator + 1]),
                      Unescape(fields[separator + 2])});
  }
  return mounts;
}

std::vector<MountEntry> ReadMountInfo(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ParseMountInfo(text.str());
}

std::optional<std::string> FindMountPoint(const std::vector<MountEntry>& mounts, std::uint64_t deviceNumber) {
  const MountEntry* first = nullptr;
  for (const auto& mount : mounts) {
    if (mount.deviceNumber != deviceNumber) continue;
    if (mount.root == "/") return mount.mountPoint;
    if (!first) first = &mount;
  }
  if (first) return first->mountPoint;
  return std::nullopt;
}

}  // namespace quellsy::platform
