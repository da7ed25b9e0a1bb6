#include "DirectoryTreeBuilder/RecycleInfoFile.h"

#include <cstdint>
#include <vector>

#include "Utility/TextConvert.h"

namespace {

constexpr std::uint64_t kVersionFixedPath = 1;
constexpr std::uint64_t kVersionCountedPath = 2;
constexpr std::size_t kFixedPathOffset = 24;
constexpr std::size_t kFixedPathUnits = 260;
constexpr std::size_t kPathLengthOffset = 24;
constexpr std::size_t kCountedPathOffset = 28;
constexpr std::uint16_t kBackslash = '\\';
constexpr std::uint16_t kColon = ':';
// One UTF-16 unit gives at most three UTF-8 bytes (a surrogate pair gives four for two units).

// The path's units up to its terminator, the end of its room or the end of the buffer.
std::vector<std::uint16_t> PathUnits(quellsy::ByteSpan info, std::size_t offset, std::size_t room) {
  std::vector<std::uint16_t> units;
  for (std::size_t i = 0; i < room; ++i) {
    const auto unit = quellsy::le16(info, offset + 2 * i);
    if (!unit || *unit == 0) break;
    units.push_back(*unit);
  }
  return units;
}

}  // namespace

std::optional<std::string> CRecycleInfoFile::OriginalName(quellsy::ByteSpan info) {
  const auto version = quellsy::le64(info, 0);
  if (!version) return std::nullopt;
  std::vector<std::uint16_t> path;
  if (*version == kVersionFixedPath) {
    path = PathUnits(info, kFixedPathOffset, kFixedPathUnits);
  } else if (*version == kVersionCountedPath) {
    const auto length = quellsy::le32(info, kPathLengthOffset);
    if (!length) return std::nullopt;
    path = PathUnits(info, kCountedPathOffset, *length);  // the buffer's end bounds an absurd length
  } else {
    return std::nullopt;
  }

  std::size_t lastBackslash = path.size();
  for (std::size_t i = path.size(); i > 0; --i)
    if (path[i - 1] == kBackslash) {
      lastBackslash = i - 1;
      break;
    }
  if (lastBackslash == path.size() || lastBackslash + 1 == path.size()) return std::nullopt;
  bool driveForm = false;
  for (std::size_t i = 0; i + 1 <= lastBackslash && !driveForm; ++i)
    driveForm = path[i] == kColon && path[i + 1] == kBackslash;
  if (!driveForm) return std::nullopt;

  const std::vector<std::uint16_t> nameUnits(path.begin() + static_cast<std::ptrdiff_t>(lastBackslash) + 1, path.end());
  auto name = quellsy::Utf16LeToUtf8(nameUnits, quellsy::InvalidUtf16::kFail);
  if (!name || name->find('/') != std::string::npos || *name == "." || *name == "..") return std::nullopt;
  return name;
}
