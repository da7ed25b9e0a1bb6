#include "Platform/SysfsDisks.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

namespace quellsy::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kSysfsUnit = 512;

std::optional<std::string> ReadAttribute(const fs::path& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  std::string value = text.str();
  const auto isSpace = [](unsigned char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; };
  while (!value.empty() && isSpace(static_cast<unsigned char>(value.back()))) value.pop_back();
  const auto first = std::find_if_not(value.begin(), value.end(), [&](char c) { return isSpace(static_cast<unsigned char>(c)); });
  return std::string(first, value.end());
}

std::optional<std::uint64_t> ReadNumber(const fs::path& path) {
  const auto text = ReadAttribute(path);
  if (!text || text->empty()) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
  return value;
}

// "8:16" as a dev_t.
std::optional<std::uint64_t> ReadDeviceNumber(const fs::path& path) {
  const auto text = ReadAttribute(path);
  if (!text) return std::nullopt;
  const auto colon = text->find(':');
  if (colon == std::string::npos) return std::nullopt;
  unsigned major = 0;
  unsigned minor = 0;
  const char* begin = text->data();
  const char* end = begin + text->size();
  const auto majorRead = std::from_chars(begin, begin + colon, major);
  const auto minorRead = std::from_chars(begin + colon + 1, end, minor);
  if (majorRead.ec != std::errc() || majorRead.ptr != begin + colon || minorRead.ec != std::errc() || minorRead.ptr != end)
    return std::nullopt;
  return static_cast<std::uint64_t>(makedev(major, minor));
}

// Size and device number: false when the size cannot be read or overflows.
bool ReadBlockDevice(const fs::path& dir, SysfsBlockDevice& out) {
  const auto units = ReadNumber(dir / "size");
  if (!units || *units > UINT64_MAX / kSysfsUnit) return false;
  out.sizeBytes = *units * kSysfsUnit;
  out.deviceNumber = ReadDeviceNumber(dir / "dev");
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::vector<fs::directory_entry> Entries(const fs::path& dir) {
  std::vector<fs::directory_entry> entries;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) entries.push_back(*it);
  return entries;
}

}  // namespace

bool IsExcludedDiskName(std::string_view name, bool allowLoop) {
  if (StartsWith(name, "sr") || StartsWith(name, "ram") || StartsWith(name, "zram")) return true;
  return StartsWith(name, "loop") && !allowLoop;
}

DiskBus BusFromSysfsPath(std::string_view devicePath, std::string_view name) {
  if (StartsWith(name, "loop")) return DiskBus::kLoop;
  // A USB bridge to an ATA disk lies under both: the USB part comes first in the path and decides.
  const std::pair<std::string_view, DiskBus> markers[] = {{"/usb", DiskBus::kUsb},       {"/ata", DiskBus::kAta},
                                                         {"/nvme", DiskBus::kNvme},     {"/virtio", DiskBus::kVirtio},
                                                         {"/host", DiskBus::kScsi}};
  for (const auto& [marker, bus] : markers)
    if (devicePath.find(marker) != std::string_view::npos) return bus;
  return DiskBus::kOther;
}

std::vector<SysfsDisk> ListWholeDisks(const fs::path& sysRoot, bool allowLoop) {
  std::vector<SysfsDisk> disks;
  for (const auto& entry : Entries(sysRoot / "block")) {
    SysfsDisk disk;
    disk.name = entry.path().filename().string();
    if (IsExcludedDiskName(disk.name, allowLoop) || !ReadBlockDevice(entry.path(), disk)) continue;
    disk.logicalBlockSize = static_cast<unsigned>(ReadNumber(entry.path() / "queue/logical_block_size").value_or(0));
    disk.removable = ReadNumber(entry.path() / "removable").value_or(0) != 0;
    disk.readOnly = ReadNumber(entry.path() / "ro").value_or(0) != 0;
    disk.vendor = ReadAttribute(entry.path() / "device/vendor").value_or("");
    disk.model = ReadAttribute(entry.path() / "device/model").value_or("");
    std::error_code error;
    const fs::path resolved = fs::canonical(entry.path(), error);
    disk.bus = BusFromSysfsPath(error ? entry.path().string() : resolved.string(), disk.name);
    if (disk.bus == DiskBus::kLoop) disk.backingFile = ReadAttribute(entry.path() / "loop/backing_file").value_or("");
    disks.push_back(std::move(disk));
  }
  return disks;
}

std::vector<SysfsPartition> ListPartitions(const fs::path& sysRoot, std::string_view disk) {
  std::vector<SysfsPartition> partitions;
  std::error_code error;
  const fs::path diskDir = fs::canonical(sysRoot / "block" / disk, error);
  if (error) return partitions;
  for (const auto& entry : Entries(sysRoot / "class/block")) {
    const auto number = ReadNumber(entry.path() / "partition");
    if (!number || *number > INT32_MAX) continue;
    const fs::path resolved = fs::canonical(entry.path(), error);
    if (error || resolved.parent_path() != diskDir) continue;
    SysfsPartition partition;
    partition.name = entry.path().filename().string();
    partition.number = static_cast<int>(*number);
    const auto start = ReadNumber(entry.path() / "start");
    if (!start || *start > UINT64_MAX / kSysfsUnit || !ReadBlockDevice(entry.path(), partition)) continue;
    partition.startBytes = *start * kSysfsUnit;
    partitions.push_back(std::move(partition));
  }
  std::sort(partitions.begin(), partitions.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
  return partitions;
}

}  // namespace quellsy::platform
