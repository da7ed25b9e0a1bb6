#include "Bridge/VolumeNotifier.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string_view>

#include "Bridge/BridgeServices.h"
#include "Bridge/MediaNotifier.h"
#include "Utility/CatchExeception.h"

namespace quellsy::bridge {
namespace {

constexpr std::size_t kMaxMountTableBytes = 4 << 20;

// The whole table read from the open descriptor (the kernel builds it anew at each read from offset 0).
std::string ReadTable(int fd) {
  std::string text;
  char chunk[8192];
  if (lseek(fd, 0, SEEK_SET) != 0) return text;
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || text.size() + static_cast<std::size_t>(n) > kMaxMountTableBytes) break;
    text.append(chunk, static_cast<std::size_t>(n));
  }
  return text;
}

Notification Announce(const char* name, const VolumeInfo& volume) {
  return {name, {{"NSDevicePath", volume.path}, {"name", volume.name}, {"device", volume.device}}, {}};
}

std::unique_ptr<VolumeNotifier>& Shared() {
  static std::unique_ptr<VolumeNotifier> shared;
  return shared;
}

}  // namespace

VolumeInfo VolumeInfo::volumeInfoForMountWithPath(const platform::MountEntry& mount) {
  const auto slash = mount.mountPoint.find_last_of('/');
  std::string name = mount.mountPoint == "/" || slash == std::string::npos ? mount.mountPoint
                                                                            : mount.mountPoint.substr(slash + 1);
  return {std::move(name), mount.mountPoint, mount.source};
}

std::string VolumeInfo::description() const {
  return "{name = " + name + "; path = " + path + "; device = " + device + "}";
}

std::map<std::string, VolumeInfo> MountedVolumes(const std::vector<platform::MountEntry>& mounts) {
  std::map<std::string, VolumeInfo> volumes;
  for (const auto& mount : mounts)
    if (std::string_view(mount.source).starts_with("/dev/"))
      volumes.emplace(mount.mountPoint, VolumeInfo::volumeInfoForMountWithPath(mount));
  return volumes;
}

VolumeNotifier::VolumeNotifier(std::filesystem::path mountInfo) : mountInfo_(std::move(mountInfo)) {}

VolumeNotifier::~VolumeNotifier() { Stop(); }

bool VolumeNotifier::Start() {
  Stop();
  const int tableFd = open(mountInfo_.c_str(), O_RDONLY | O_CLOEXEC);
  if (tableFd < 0) return false;
  stopFd_ = eventfd(0, EFD_CLOEXEC);
  if (stopFd_ < 0) {
    close(tableFd);
    return false;
  }
  const auto volumes = MountedVolumes(platform::ParseMountInfo(ReadTable(tableFd)));
  {
    std::lock_guard guard(lock_);
    known_ = volumes;
  }
  if (Settings().GetBool(kShowExistingKey))
    for (const auto& [path, volume] : volumes) {
      CatchExeception::WriteLog("mounted volume %s\r\n", volume.description().c_str());
      PostOnMainThread(Announce(kAttachNotification, volume));
    }
  watcher_ = std::thread([this, tableFd] { Watch(tableFd); });
  return true;
}

void VolumeNotifier::Stop() {
  if (watcher_.joinable()) {
    const std::uint64_t one = 1;
    (void)!write(stopFd_, &one, sizeof one);
    watcher_.join();
  }
  if (stopFd_ >= 0) close(stopFd_);
  stopFd_ = -1;
}

void VolumeNotifier::MountTableChanged(const std::vector<platform::MountEntry>& mounts) {
  auto now = MountedVolumes(mounts);
  std::vector<Notification> notes;
  {
    std::lock_guard guard(lock_);
    for (const auto& [path, volume] : known_)
      if (!now.count(path)) notes.push_back(Announce(kDetachNotification, volume));
    for (const auto& [path, volume] : now)
      if (!known_.count(path)) {
        CatchExeception::WriteLog("volume mounted: %s\r\n", volume.description().c_str());
        notes.push_back(Announce(kAttachNotification, volume));
      }
    known_ = std::move(now);
  }
  for (auto& note : notes) PostOnMainThread(std::move(note));
}

// The kernel marks the mount table with POLLPRI each time a mount comes or goes.
void VolumeNotifier::Watch(int tableFd) {
  for (;;) {
    pollfd entries[2] = {{tableFd, POLLPRI, 0}, {stopFd_, POLLIN, 0}};
    if (poll(entries, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (entries[1].revents) break;
    if (entries[0].revents & (POLLPRI | POLLERR)) MountTableChanged(platform::ParseMountInfo(ReadTable(tableFd)));
  }
  close(tableFd);
}

bool VolumeNotifier_init() {
  auto& shared = Shared();
  shared = std::make_unique<VolumeNotifier>();
  return shared->Start();
}

void VolumeNotifier_dealloc() { Shared().reset(); }

}  // namespace quellsy::bridge
