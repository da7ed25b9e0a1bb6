#include "Bridge/KDPublicUtilities.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "Platform/PrivateDataFiles.h"
#include "Platform/SpawnProgram.h"
#include "Platform/SysfsDisks.h"
#include "Platform/UserLocale.h"
#include "Utility/WorkPath.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProductNameKey = "PRODUCTNAME";
constexpr const char* kInstallVersionKey = "INSTALL_VERSION";
constexpr const char* kUpdateTimeKey = "upDataTimeStr";
constexpr const char* kBootableKey = "isBootable";
constexpr int kProbeTimeoutMs = 5000;
constexpr std::size_t kMaxDiskNameBytes = 63;

struct PrivateDataPaths {
  std::mutex lock;
  fs::path installed;
  fs::path user;
};

PrivateDataPaths& Paths() {
  static PrivateDataPaths paths;
  return paths;
}

// Whole bytes, or two decimals of a larger unit.
std::string Format(float value, const char* unit) {
  char text[64];
  if (std::strcmp(unit, "byte") == 0)
    std::snprintf(text, sizeof text, "%.0f byte", static_cast<double>(value));
  else
    std::snprintf(text, sizeof text, "%0.2f %s", static_cast<double>(value), unit);
  return text;
}

// Units from bytes up to `units` (KB, MB, GB, TB in turn), each 1000 times the one before.
std::string DecimalSize(long double bytes, int units) {
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
  if (bytes < 1000) return Format(static_cast<float>(bytes), "byte");
  long double scale = 1000;
  int unit = 0;
  while (unit + 1 < units && bytes >= scale * 1000) {
    scale *= 1000;
    ++unit;
  }
  return Format(static_cast<float>(bytes / scale), kUnits[unit]);
}

std::optional<std::string> PrivateValue(const char* key) {
  const auto values = quellsy::platform::ReadPrivateData(KDPublicUtilities::InstalledPrivateDataPath(),
                                                         KDPublicUtilities::UserPrivateDataPath());
  if (!values) return std::nullopt;
  const auto found = values->find(key);
  if (found == values->end()) return std::nullopt;
  return found->second;
}

const char* BusName(quellsy::platform::DiskBus bus) {
  using quellsy::platform::DiskBus;
  switch (bus) {
    case DiskBus::kAta: return "ATA";
    case DiskBus::kScsi: return "SCSI";
    case DiskBus::kUsb: return "USB";
    case DiskBus::kNvme: return "NVMe";
    case DiskBus::kVirtio: return "Virtio";
    case DiskBus::kLoop: return "Loop";
    case DiskBus::kOther: break;
  }
  return "Other";
}

// Waits for the socket to become ready for `events`; false on time-out or error.
bool WaitFor(int fd, short events) {
  pollfd entry{fd, events, 0};
  int ready = 0;
  do {
    ready = poll(&entry, 1, kProbeTimeoutMs);
  } while (ready < 0 && errno == EINTR);
  return ready == 1 && (entry.revents & events) != 0;
}

bool ProbeAddress(const addrinfo& address, const std::string& host) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
  if (fd < 0) return false;
  bool answered = false;
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0 || errno == EINPROGRESS) {
    int error = 0;
    socklen_t size = sizeof error;
    if (WaitFor(fd, POLLOUT) && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0) {
      const std::string request = "HEAD / HTTP/1.0\r\nHost: " + host + "\r\nCache-Control: no-cache\r\n\r\n";
      char reply[64];
      answered = send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()) &&
                 WaitFor(fd, POLLIN) && recv(fd, reply, sizeof reply, 0) > 0;
    }
  }
  close(fd);
  return answered;
}

}  // namespace

std::string KDPublicUtilities::convertVolSpace(std::uint64_t bytes) { return DecimalSize(bytes, 3); }

std::string KDPublicUtilities::longlongDiskSize(std::int64_t bytes) { return DecimalSize(bytes, 4); }

std::string KDPublicUtilities::longlongConvertVolSpace(std::int64_t bytes) { return longlongDiskSize(bytes); }

bool KDPublicUtilities::isMoreThan2GB(std::int64_t bytes) { return bytes >= 1000000 && bytes / 1000000 > 2048; }

std::int64_t KDPublicUtilities::volSpaceFromString(const char* text) {
  if (!text) return 0;
  const std::size_t length = std::strlen(text);
  if (length < 2) return 0;
  const std::string number(text, length - 2);
  const std::string unit(text + length - 2);
  const float value = std::strtof(number.c_str(), nullptr);
  float scale = 0;
  if (unit == "KB") {
    if (value <= 0) return static_cast<std::int64_t>(value);
    scale = 1000.0f;
  } else if (unit == "MB") {
    scale = 1e6f;
  } else if (unit == "GB") {
    scale = 1e9f;
  } else if (unit == "TB") {
    scale = 999999995904.0f;
  } else {
    return 0;
  }
  return static_cast<std::int64_t>(value * scale);
}

std::string KDPublicUtilities::fileSystemTypeForInt(int code, bool isDmg, bool) {
  static const char* const kNames[] = {"FAT12", "FAT16", "FAT32", "NTFS", "EXT2",   "EXT3",
                                       "RAW",   "EXFAT", "HFS+",  "APFS", "Unknown"};
  if (isDmg) return "Disk Image";
  if (code < 0 || code >= static_cast<int>(std::size(kNames))) return "Disk";
  return kNames[code];
}

std::optional<std::string> KDPublicUtilities::getProductName() { return PrivateValue(kProductNameKey); }

std::optional<std::string> KDPublicUtilities::getInstallVersion() { return PrivateValue(kInstallVersionKey); }

std::optional<std::string> KDPublicUtilities::getUpDataTimeStr() { return PrivateValue(kUpdateTimeKey); }

bool KDPublicUtilities::writeUpDataTimeStr(const std::string& text) {
  const auto user = UserPrivateDataPath();
  if (!user) return false;
  return quellsy::platform::WritePrivateDataText(InstalledPrivateDataPath(), *user, kUpdateTimeKey, text);
}

quellsy::platform::SettingsFile KDPublicUtilities::LoadPrivateData() {
  return quellsy::platform::LoadPrivateDataFile(InstalledPrivateDataPath(), UserPrivateDataPath());
}

bool KDPublicUtilities::SavePrivateData(const quellsy::platform::SettingsFile& values) {
  const auto user = UserPrivateDataPath();
  return user && values.Save(*user);
}

bool KDPublicUtilities::isBootable() { return PrivateValue(kBootableKey) == std::optional<std::string>("YES"); }

void KDPublicUtilities::SetPrivateDataPathsForTesting(const fs::path& installed, const fs::path& user) {
  auto& paths = Paths();
  std::lock_guard guard(paths.lock);
  paths.installed = installed;
  paths.user = user;
}

fs::path KDPublicUtilities::InstalledPrivateDataPath() {
  auto& paths = Paths();
  {
    std::lock_guard guard(paths.lock);
    if (!paths.installed.empty()) return paths.installed;
  }
  return fs::path(GetAppDataPath()) / quellsy::platform::kPrivateDataFileName;
}

std::optional<fs::path> KDPublicUtilities::UserPrivateDataPath() {
  auto& paths = Paths();
  {
    std::lock_guard guard(paths.lock);
    if (!paths.user.empty()) return paths.user;
  }
  return quellsy::platform::UserPrivateDataPath();
}

std::optional<std::int64_t> KDPublicUtilities::convertDateFromString(const std::string& text) {
  std::tm local{};
  const char* end = strptime(text.c_str(), "%e %B %Y %H:%M", &local);
  if (!end || *end != '\0') return std::nullopt;
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<std::int64_t>(seconds);
}

bool KDPublicUtilities::isCanBeUseNetWork() { return isCanBeUseNetWork("example.com", "80"); }

bool KDPublicUtilities::isCanBeUseNetWork(const std::string& host, const std::string& port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return false;
  bool answered = false;
  for (const addrinfo* address = found; address && !answered; address = address->ai_next)
    answered = ProbeAddress(*address, host);
  freeaddrinfo(found);
  return answered;
}

int KDPublicUtilities::SystemVersionFromRelease(const char* release, unsigned* major, unsigned* minor,
                                                unsigned* bugFix) {
  unsigned parts[3] = {10, 0, 0};
  unsigned a = 0, b = 0, c = 0;
  const int matched = release ? std::sscanf(release, "%u.%u.%u", &a, &b, &c) : 0;
  if (matched >= 2) {
    parts[0] = a;
    parts[1] = b;
    parts[2] = matched == 3 ? c : 0;
  }
  if (major) *major = parts[0];
  if (minor) *minor = parts[1];
  if (bugFix) *bugFix = parts[2];
  return matched >= 2 ? 0 : -1;
}

void KDPublicUtilities::getSystemVersionMajor(unsigned* major, unsigned* minor, unsigned* bugFix) {
  utsname name{};
  if (uname(&name) != 0 ||
      SystemVersionFromRelease(name.release, major, minor, bugFix) != 0)
    std::fprintf(stderr, "Unable to obtain system version: %ld\n", static_cast<long>(errno));
}

int KDPublicUtilities::getSystemVersion() {
  unsigned major = 0, minor = 0;
  getSystemVersionMajor(&major, &minor, nullptr);
  return static_cast<int>(major * 100 + minor);
}

std::string KDPublicUtilities::GetCurrentLanaguage() {
  const std::string locale = quellsy::platform::PreferredLocaleName();
  const std::string first = locale.substr(0, locale.find_first_of("_.@"));
  if (first.empty() || first == "C" || first == "POSIX") return "en";
  return first;
}

std::optional<KDCommandOutput> KDExecCommand(const std::vector<std::string>& argv) {
  if (argv.empty()) return std::nullopt;
  auto folder = quellsy::platform::PrivateTempDir::Make();
  if (!folder) return std::nullopt;
  const auto file = folder->path() / "output";
  const int status = quellsy::platform::RunProgramToFile(argv, file);
  return KDCommandOutput{std::move(*folder), file, status};
}

std::optional<std::map<std::string, std::string>> KDGetDiskInfo(const char* name, const fs::path& sysRoot) {
  if (!name || !*name || std::strlen(name) > kMaxDiskNameBytes) return std::nullopt;
  for (const auto& disk : quellsy::platform::ListWholeDisks(sysRoot, true)) {
    if (disk.name == name)
      return std::map<std::string, std::string>{{"DeviceIdentifier", disk.name},
                                                {"MediaName", disk.vendor.empty() ? disk.model
                                                                                  : disk.vendor + " " + disk.model},
                                                {"TotalSize", std::to_string(disk.sizeBytes)},
                                                {"DeviceBlockSize", std::to_string(disk.logicalBlockSize)},
                                                {"Removable", disk.removable ? "YES" : "NO"},
                                                {"BusProtocol", BusName(disk.bus)}};
    for (const auto& partition : quellsy::platform::ListPartitions(sysRoot, disk.name))
      if (partition.name == name)
        return std::map<std::string, std::string>{{"DeviceIdentifier", partition.name},
                                                  {"ParentWholeDisk", disk.name},
                                                  {"PartitionNumber", std::to_string(partition.number)},
                                                  {"TotalSize", std::to_string(partition.sizeBytes)}};
  }
  return std::nullopt;
}
