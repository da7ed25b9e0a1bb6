// Media events from udev's "block" subsystem. A pipe ends the wait when the listener stops.

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Platform/MediaEvents.h"

namespace quellsy::platform {
namespace {

constexpr std::int64_t kKernelSector = 512;  // sysfs "size" counts 512-byte units whatever the disk's sectors

std::string Text(const char* value) { return value ? value : ""; }

std::int64_t SizeOf(udev_device* device) {
  const char* sectors = udev_device_get_sysattr_value(device, "size");
  if (!sectors) return 0;
  char* end = nullptr;
  const long long count = std::strtoll(sectors, &end, 10);
  return end != sectors && count > 0 && count <= INT64_MAX / kKernelSector ? count * kKernelSector : 0;
}

// What a person calls the medium: a disk's model (udev writes its blanks as '_'), a partition's volume label.
std::string NameOf(udev_device* device, bool whole) {
  std::string name = Text(udev_device_get_property_value(device, whole ? "ID_MODEL" : "ID_FS_LABEL"));
  if (whole) std::replace(name.begin(), name.end(), '_', ' ');
  return name;
}

// Whole disks and partitions only; the rest of the subsystem (for example "dm" mappings' holders)
// carries no DEVTYPE the list understands.
bool ToEvent(udev_device* device, MediaEvent::Action action, MediaEvent& out) {
  const std::string type = Text(udev_device_get_devtype(device));
  if (type != "disk" && type != "partition") return false;
  out.action = action;
  out.devNode = Text(udev_device_get_devnode(device));
  out.whole = type == "disk";
  out.sizeBytes = action == MediaEvent::Action::kAdd ? SizeOf(device) : 0;
  out.name = action == MediaEvent::Action::kAdd ? NameOf(device, out.whole) : std::string();
  return !out.devNode.empty();
}

class UdevMediaSource final : public IMediaEventSource {
 public:
  UdevMediaSource(udev* context, udev_monitor* monitor, std::array<int, 2> wake)
      : udev_(context), monitor_(monitor), wake_(wake) {}
  ~UdevMediaSource() override {
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
    close(wake_[0]);
    close(wake_[1]);
  }

  std::vector<MediaEvent> Existing() override {
    std::vector<MediaEvent> events;
    udev_enumerate* scan = udev_enumerate_new(udev_);
    if (!scan) return events;
    udev_enumerate_add_match_subsystem(scan, "block");
    udev_enumerate_scan_devices(scan);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan)) {
      udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
      if (!device) continue;
      MediaEvent event;
      if (ToEvent(device, MediaEvent::Action::kAdd, event)) events.push_back(std::move(event));
      udev_device_unref(device);
    }
    udev_enumerate_unref(scan);
    return events;
  }

  std::vector<MediaEvent> Wait() override {
    std::vector<MediaEvent> events;
    // Blocks for the first event, then takes whatever came with it.
    int timeout = -1;
    while (!stopped_) {
      pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
      const int ready = poll(fds, 2, timeout);
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0 || stopped_ || !(fds[0].revents & POLLIN)) break;
      if (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const std::string action = Text(udev_device_get_action(device));
        MediaEvent event;
        if ((action == "add" && ToEvent(device, MediaEvent::Action::kAdd, event)) ||
            (action == "remove" && ToEvent(device, MediaEvent::Action::kRemove, event)))
          events.push_back(std::move(event));
        udev_device_unref(device);
      }
      if (!events.empty()) timeout = 0;
    }
    if (stopped_) events.clear();
    return events;
  }

  void Stop() override {
    stopped_ = true;
    const char byte = 1;
    [[maybe_unused]] const auto written = write(wake_[1], &byte, 1);
  }

 private:
  udev* udev_;
  udev_monitor* monitor_;
  std::array<int, 2> wake_;
  std::atomic<bool> stopped_{false};
};

}  // namespace

std::unique_ptr<IMediaEventSource> CreateUdevMediaSource() {
  udev* context = udev_new();
  if (!context) return nullptr;
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  std::array<int, 2> wake{-1, -1};
  if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "block", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0 || pipe(wake.data()) != 0) {
    if (monitor) udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<UdevMediaSource>(context, monitor, wake);
}

}  // namespace quellsy::platform
