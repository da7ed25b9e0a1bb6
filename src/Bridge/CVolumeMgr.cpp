#include "Bridge/CVolumeMgr.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cstdio>

#include "Platform/MountInfo.h"
#include "Platform/StringPlist.h"
#include "Platform/SysfsDisks.h"
#include "Utility/CatchExeception.h"
#include "Utility/WorkPath.h"

namespace {

using quellsy::platform::DiskBus;

std::optional<CVolumeMgr::Space> StatVolume(const std::string& mountPoint) {
  struct statvfs st {};
  if (statvfs(mountPoint.c_str(), &st) != 0) return std::nullopt;
  return CVolumeMgr::Space{static_cast<std::uint64_t>(st.f_blocks) * st.f_frsize,
                           static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize};
}

// Removable media, disk images and composed devices (RAID, device mapper) are not local disks to list.
bool IsLocalDisk(const quellsy::platform::SysfsDisk& disk) {
  if (disk.bus == DiskBus::kUsb || disk.bus == DiskBus::kLoop || disk.removable) return false;
  return disk.name.rfind("md", 0) != 0 && disk.name.rfind("dm-", 0) != 0;
}

bool IsBootArea(const std::string& mountPoint) {
  return mountPoint == "/boot/efi" || mountPoint == "/efi" || mountPoint == "/boot";
}

std::string VolumeName(const std::string& mountPoint) {
  if (mountPoint == "/") return "/";
  const auto slash = mountPoint.find_last_of('/');
  return slash == std::string::npos ? mountPoint : mountPoint.substr(slash + 1);
}

}  // namespace

std::vector<LocalDiskEntry> CVolumeMgr::LoadLocalDiskList(const std::filesystem::path& path) {
  std::vector<LocalDiskEntry> list;
  const auto document = quellsy::platform::ReadSettingsPlist(path);
  if (!document) return list;
  const auto root = document->Root();
  for (std::uint32_t i = 0; i < root.Size(); ++i) {
    const auto disk = root.At(i).Get("DiskPath").Text();
    if (!disk || disk->empty()) continue;
    list.push_back({*disk, root.At(i).Get("DiskShow").Text().value_or("YES")});
  }
  return list;
}

std::string CVolumeMgr::convertVolSpace(std::uint64_t bytes) {
  char text[64];
  if (bytes < 1000000)
    std::snprintf(text, sizeof text, "%0.2f KB", static_cast<double>(static_cast<float>(bytes / 1000.0)));
  else if (bytes < 1000000000)
    std::snprintf(text, sizeof text, "%0.2f MB", static_cast<double>(static_cast<float>(bytes / 1e6)));
  else
    std::snprintf(text, sizeof text, "%0.2f GB", static_cast<double>(static_cast<float>(bytes / 1e9)));
  return text;
}

std::vector<DiskEntry> CVolumeMgr::enumDiskVolumesInfo() {
  const SpaceProbe space = sources_.space ? sources_.space : SpaceProbe(StatVolume);
  const auto mounts = quellsy::platform::ReadMountInfo(sources_.mountInfo);
  auto localDisks = sources_.localDisks;
  if (localDisks.empty()) {
    const char* folder = GetAppWorkPath();
    const auto listPath = !sources_.localDiskList.empty() ? sources_.localDiskList
                          : folder                        ? std::filesystem::path(folder) / "LocalDisk.plist"
                                                          : std::filesystem::path();
    if (!listPath.empty()) localDisks = LoadLocalDiskList(listPath);
  }
  std::vector<DiskEntry> disks;
  auto wholeDisks = quellsy::platform::ListWholeDisks(sources_.sysRoot, false);
  std::sort(wholeDisks.begin(), wholeDisks.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const auto& disk : wholeDisks) {
    DiskEntry entry{disk.vendor.empty() ? disk.model : disk.vendor + " " + disk.model, disk.name, "YES", {}};
    if (!localDisks.empty()) {
      const auto listed = std::find_if(localDisks.begin(), localDisks.end(),
                                       [&](const LocalDiskEntry& local) { return local.DiskPath == disk.name; });
      if (listed == localDisks.end()) continue;
      entry.DiskShow = listed->DiskShow;
    } else if (!IsLocalDisk(disk)) {
      continue;
    }
    // A file system on the whole disk counts as its one volume.
    std::vector<quellsy::platform::SysfsBlockDevice> volumes;
    for (const auto& partition : quellsy::platform::ListPartitions(sources_.sysRoot, disk.name))
      volumes.push_back(partition);
    if (volumes.empty()) volumes.push_back(disk);
    for (const auto& volume : volumes) {
      if (!volume.deviceNumber) continue;
      const auto mountPoint = quellsy::platform::FindMountPoint(mounts, *volume.deviceNumber);
      if (!mountPoint || IsBootArea(*mountPoint)) continue;
      const auto sizes = space(*mountPoint);
      if (!sizes) continue;
      const bool system = *mountPoint == "/";
      bFindOSDisk = bFindOSDisk || system;
      entry.DiskVolume.push_back({system ? "YES" : "NO", VolumeName(*mountPoint), volume.name, *mountPoint,
                                  convertVolSpace(sizes->total), convertVolSpace(sizes->free)});
    }
    if (!entry.DiskVolume.empty()) disks.push_back(std::move(entry));
  }
  if (disks.empty()) CatchExeception::WriteLog("volume list: no local disk with a mounted volume\r\n");
  return disks;
}
