#pragma once
// Mounts and unmounts of block devices, watched in the kernel's mount table, announced to the windows as
// "RefreshAttachDevice" and "RefreshDetachDevice" with the mount point ("NSDevicePath"), its name and device.

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Bridge/Notification.h"
#include "Platform/MountInfo.h"

namespace quellsy::bridge {

// One mounted volume as the windows see it.
struct VolumeInfo {
  std::string name;  // the mount point's last component, "/" for the root
  std::string path;  // the mount point
  std::string device;

  static VolumeInfo volumeInfoForMountWithPath(const platform::MountEntry& mount);
  // "{name = ...; path = ...; device = ...}" for the log.
  std::string description() const;
};

// Mounts of block devices (those whose source is a "/dev/" node), by mount point.
std::map<std::string, VolumeInfo> MountedVolumes(const std::vector<platform::MountEntry>& mounts);

class VolumeNotifier {
 public:
  explicit VolumeNotifier(std::filesystem::path mountInfo = "/proc/self/mountinfo");
  ~VolumeNotifier();
  VolumeNotifier(const VolumeNotifier&) = delete;
  VolumeNotifier& operator=(const VolumeNotifier&) = delete;

  // Takes the table as it is now, announcing (and logging) every volume when the "ShowExisting" setting is set,
  // then watches for changes on a thread of its own. False when the table cannot be opened.
  bool Start();
  // Stops watching and joins the thread; harmless when not started.
  void Stop();
  // Compares a new table with the last one and posts one notification per volume that came or went.
  void MountTableChanged(const std::vector<platform::MountEntry>& mounts);

 private:
  void Watch(int tableFd);

  std::filesystem::path mountInfo_;
  std::mutex lock_;
  std::map<std::string, VolumeInfo> known_;
  std::thread watcher_;
  int stopFd_ = -1;
};

// The process-wide notifier over /proc/self/mountinfo.
bool VolumeNotifier_init();
void VolumeNotifier_dealloc();

}  // namespace quellsy::bridge
