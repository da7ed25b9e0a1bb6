// The volume list over a made-up sysfs tree and mount table, and the mount watcher's notifications.

#include "Bridge/CVolumeMgr.h"

#include <gtest/gtest.h>

#include <fstream>

#include "Bridge/BridgeServices.h"
#include "Bridge/VolumeNotifier.h"
#include "FakeSysfs.h"
#include "RecordingPoster.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

// mountinfo lines: id, parent, major:minor, root, mount point, options, separator, type, source, options.
constexpr const char* kMountTable =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "23 22 8:1 / /boot/efi rw shared:2 - vfat /dev/sda1 rw\n"
    "24 22 8:3 / /home/my\\040data rw shared:3 - ext4 /dev/sda3 rw\n"
    "25 22 8:17 / /media/stick rw shared:4 - vfat /dev/sdb1 rw\n"
    "26 22 8:32 / /srv rw shared:5 - xfs /dev/sdc rw\n"
    "27 22 0:5 / /proc rw shared:6 - proc proc rw\n";

class VolumeListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.AddDisk({"sda", "8:0", 1000215216, "ata1/host0/target0:0:0/0:0:0:0", "ATA", "Some SSD", false,
                  {{"sda1", 1, 2048, 1048576}, {"sda2", 2, 1050624, 500000000}, {"sda3", 3, 501050624, 4000000},
                   {"sda4", 4, 505050624, 2000000}}});
    sys_.AddDisk({"sdb", "8:16", 7813120, "usb1/1-1/1-1:1.0/host6/target6:0:0/6:0:0:0", "Generic", "Flash Disk", true,
                  {{"sdb1", 1, 2048, 7811072}}});
    sys_.AddDisk({"sdc", "8:32", 4000000, "ata2/host1/target1:0:0/1:0:0:0", "", "Data Disk", false, {}});
    std::ofstream(dir_ / "mountinfo") << kMountTable;
  }
  CVolumeMgr::Sources Sources() {
    CVolumeMgr::Sources sources;
    sources.sysRoot = sys_.Root();
    sources.mountInfo = dir_ / "mountinfo";
    sources.localDiskList = dir_ / "no-list.plist";
    // Sizes by mount point, worked out by hand into the texts below.
    sources.space = [](const std::string& mountPoint) -> std::optional<CVolumeMgr::Space> {
      if (mountPoint == "/") return CVolumeMgr::Space{250000000000, 120500000000};
      if (mountPoint == "/home/my data") return CVolumeMgr::Space{2048000000, 999999};
      if (mountPoint == "/srv") return CVolumeMgr::Space{0, 0};
      return std::nullopt;
    };
    return sources;
  }

  TempDir dir_;
  FakeSysfs sys_{dir_.path()};
};

TEST_F(VolumeListTest, LocalDisksWithTheirMountedVolumes) {
  CVolumeMgr manager(Sources());
  const auto disks = manager.enumDiskVolumesInfo();
  // sdb is removable media; sda1 is the EFI partition and sda4 is not mounted.
  ASSERT_EQ(disks.size(), 2u);
  EXPECT_EQ(disks[0].DiskName, "ATA Some SSD");
  EXPECT_EQ(disks[0].DiskPath, "sda");
  EXPECT_EQ(disks[0].DiskShow, "YES");
  ASSERT_EQ(disks[0].DiskVolume.size(), 2u);
  const auto& root = disks[0].DiskVolume[0];
  EXPECT_EQ(root.volumePath, "sda2");
  EXPECT_EQ(root.OSvolume, "YES");
  EXPECT_EQ(root.volumeName, "/");
  EXPECT_EQ(root.volumeTotalSize, "250.00 GB");
  EXPECT_EQ(root.volumeFreeSize, "120.50 GB");
  const auto& home = disks[0].DiskVolume[1];
  EXPECT_EQ(home.volumePath, "sda3");
  EXPECT_EQ(home.OSvolume, "NO");
  EXPECT_EQ(home.volumeName, "my data");
  EXPECT_EQ(home.volumeTotalSize, "2.05 GB");
  EXPECT_EQ(home.volumeFreeSize, "1000.00 KB");
  EXPECT_TRUE(manager.bFindOSDisk);
  // A file system on the whole disk.
  EXPECT_EQ(disks[1].DiskPath, "sdc");
  ASSERT_EQ(disks[1].DiskVolume.size(), 1u);
  EXPECT_EQ(disks[1].DiskVolume[0].volumeTotalSize, "0.00 KB");
}

TEST_F(VolumeListTest, TheListOfDisksToShowDecides) {
  auto sources = Sources();
  sources.localDisks = {{"sdb", "NO"}, {"sdc", "YES"}};
  sources.space = [](const std::string&) { return CVolumeMgr::Space{1000000, 0}; };
  const auto disks = CVolumeMgr(sources).enumDiskVolumesInfo();
  ASSERT_EQ(disks.size(), 2u);
  EXPECT_EQ(disks[0].DiskPath, "sdb");
  EXPECT_EQ(disks[0].DiskShow, "NO");
  EXPECT_EQ(disks[0].DiskVolume[0].volumeName, "stick");
  EXPECT_EQ(disks[0].DiskVolume[0].volumeTotalSize, "1.00 MB");
  EXPECT_EQ(disks[1].DiskPath, "sdc");
}

TEST_F(VolumeListTest, TheListCanComeFromAPropertyList) {
  std::ofstream(dir_ / "LocalDisk.plist") << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><array>
<dict><key>DiskPath</key><string>sdc</string><key>DiskShow</key><string>NO</string></dict>
<dict><key>DiskShow</key><string>YES</string></dict>
<string>not a disk</string>
</array></plist>)";
  const auto list = CVolumeMgr::LoadLocalDiskList(dir_ / "LocalDisk.plist");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].DiskPath, "sdc");
  auto sources = Sources();
  sources.localDiskList = dir_ / "LocalDisk.plist";
  const auto disks = CVolumeMgr(sources).enumDiskVolumesInfo();
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].DiskPath, "sdc");
  EXPECT_EQ(disks[0].DiskShow, "NO");
  EXPECT_TRUE(CVolumeMgr::LoadLocalDiskList(dir_ / "missing.plist").empty());
}

TEST(VolumeList, NothingWithoutSysfs) {
  CVolumeMgr::Sources sources;
  sources.sysRoot = "/nonexistent-sysfs";
  EXPECT_TRUE(CVolumeMgr(sources).enumDiskVolumesInfo().empty());
}

TEST(VolumeNotifier, AnnouncesVolumesThatCameAndWent) {
  ScopedRecordingPoster recording;
  TempDir dir;
  std::ofstream(dir / "mountinfo") << kMountTable;
  bridge::VolumeNotifier notifier(dir / "mountinfo");
  ASSERT_TRUE(notifier.Start());
  EXPECT_TRUE(recording.poster().Recorded().empty());  // existing volumes only with "ShowExisting"

  auto mounts = platform::ParseMountInfo(kMountTable);
  mounts.erase(mounts.begin() + 3);  // the stick went
  mounts.push_back(*platform::ParseMountInfo("28 22 8:33 / /media/card rw - exfat /dev/sdc1 rw\n").begin());
  notifier.MountTableChanged(mounts);
  notifier.Stop();

  const auto posted = recording.poster().Recorded();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].notification.name, "RefreshDetachDevice");
  EXPECT_EQ(posted[0].notification.info.at("NSDevicePath"), "/media/stick");
  EXPECT_EQ(posted[0].notification.info.at("device"), "/dev/sdb1");
  EXPECT_EQ(posted[1].notification.name, "RefreshAttachDevice");
  EXPECT_EQ(posted[1].notification.info.at("NSDevicePath"), "/media/card");
  EXPECT_EQ(posted[1].notification.info.at("name"), "card");
}

TEST(VolumeNotifier, ShowExistingAnnouncesEveryMountedVolume) {
  ScopedRecordingPoster recording;
  bridge::Settings().SetBool("ShowExisting", true);
  TempDir dir;
  std::ofstream(dir / "mountinfo") << kMountTable;
  bridge::VolumeNotifier notifier(dir / "mountinfo");
  ASSERT_TRUE(notifier.Start());
  notifier.Stop();
  // The five block-device mounts; /proc is none.
  EXPECT_EQ(recording.poster().Recorded().size(), 5u);
  EXPECT_FALSE(bridge::VolumeNotifier(dir / "missing").Start());
}

}  // namespace
}  // namespace quellsy::test
