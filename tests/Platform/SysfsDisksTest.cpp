#include "Platform/SysfsDisks.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <fstream>

#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

namespace fs = std::filesystem;

TEST(SysfsDisks, BusFromTheDevicePath) {
  const std::vector<std::tuple<std::string, std::string, DiskBus>> cases = {
      {"/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb", "sdb", DiskBus::kUsb},
      {"/sys/devices/pci0000:00/0000:00:1f.2/ata3/host2/target2:0:0/2:0:0:0/block/sda", "sda", DiskBus::kAta},
      {"/sys/devices/pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0/nvme0n1", "nvme0n1", DiskBus::kNvme},
      {"/sys/devices/pci0000:00/0000:00:04.0/virtio2/block/vda", "vda", DiskBus::kVirtio},
      {"/sys/devices/pci0000:00/0000:00:10.0/host0/target0:0:0/0:0:0:0/block/sdc", "sdc", DiskBus::kScsi},
      {"/sys/devices/virtual/block/loop3", "loop3", DiskBus::kLoop},
      {"/sys/devices/virtual/block/dm-0", "dm-0", DiskBus::kOther},
  };
  for (const auto& [path, name, bus] : cases) EXPECT_EQ(BusFromSysfsPath(path, name), bus) << path;
}

TEST(SysfsDisks, ExcludesOpticalAndMemoryDisks) {
  const std::vector<std::tuple<std::string, bool, bool>> cases = {
      {"sr0", false, true},    {"ram0", false, true}, {"zram0", false, true}, {"loop0", false, true},
      {"loop0", true, false},  {"sda", false, false}, {"nvme0n1", false, false}, {"mmcblk0", false, false}};
  for (const auto& [name, allowLoop, excluded] : cases) EXPECT_EQ(IsExcludedDiskName(name, allowLoop), excluded) << name;
}

void Attribute(const fs::path& path, const std::string& value) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << value << "\n";
}

// A small tree as the kernel lays it out: sys/block and sys/class/block link into sys/devices.
TEST(SysfsDisks, ReadsDisksAndPartitionsOfATree) {
  test::TempDir root;
  const fs::path disk = root / "sys/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda";
  Attribute(disk / "size", "2097152");
  Attribute(disk / "dev", "8:0");
  Attribute(disk / "removable", "0");
  Attribute(disk / "ro", "1");
  Attribute(disk / "queue/logical_block_size", "4096");
  Attribute(disk / "device/vendor", "ATA     ");
  Attribute(disk / "device/model", "Some SSD 1TB    ");
  for (const auto& [name, number, start] : {std::tuple{"sda2", 2, 411648}, std::tuple{"sda1", 1, 2048}}) {
    Attribute(disk / name / "partition", std::to_string(number));
    Attribute(disk / name / "start", std::to_string(start));
    Attribute(disk / name / "size", "409600");
    Attribute(disk / name / "dev", "8:" + std::to_string(number));
  }
  const fs::path other = root / "sys/devices/virtual/block/sr0";
  Attribute(other / "size", "100");
  Attribute(root / "sys/devices/virtual/block/sdz/dev", "8:240");  // no size: not a disk to list
  fs::create_directories(root / "sys/block");
  fs::create_directories(root / "sys/class/block");
  fs::create_directory_symlink(disk, root / "sys/block/sda");
  fs::create_directory_symlink(other, root / "sys/block/sr0");
  fs::create_directory_symlink(root / "sys/devices/virtual/block/sdz", root / "sys/block/sdz");
  for (const char* name : {"sda1", "sda2"}) fs::create_directory_symlink(disk / name, root / "sys/class/block" / name);
  fs::create_directory_symlink(disk, root / "sys/class/block/sda");

  const auto disks = ListWholeDisks(root / "sys", false);
  ASSERT_EQ(disks.size(), 1u);
  EXPECT_EQ(disks[0].name, "sda");
  EXPECT_EQ(disks[0].sizeBytes, 2097152ull * 512);
  EXPECT_EQ(disks[0].deviceNumber, makedev(8, 0));
  EXPECT_EQ(disks[0].logicalBlockSize, 4096u);
  EXPECT_TRUE(disks[0].readOnly);
  EXPECT_FALSE(disks[0].removable);
  EXPECT_EQ(disks[0].vendor, "ATA");
  EXPECT_EQ(disks[0].model, "Some SSD 1TB");
  EXPECT_EQ(disks[0].bus, DiskBus::kAta);

  const auto partitions = ListPartitions(root / "sys", "sda");
  ASSERT_EQ(partitions.size(), 2u);
  EXPECT_EQ(partitions[0].name, "sda1");
  EXPECT_EQ(partitions[1].number, 2);
  EXPECT_EQ(partitions[1].startBytes, 411648ull * 512);
  EXPECT_EQ(partitions[1].sizeBytes, 409600ull * 512);
  EXPECT_EQ(partitions[1].deviceNumber, makedev(8, 2));
  EXPECT_TRUE(ListPartitions(root / "sys", "sdb").empty());
  EXPECT_TRUE(ListWholeDisks(root / "nothing", false).empty());
}

// This machine's own sysfs: whatever it holds, excluded kinds never appear.
TEST(SysfsDisks, RealTreeListsNoExcludedKind) {
  if (!fs::exists("/sys/block")) GTEST_SKIP() << "no /sys/block here";
  for (const auto& disk : ListWholeDisks("/sys", false)) {
    EXPECT_FALSE(IsExcludedDiskName(disk.name, false)) << disk.name;
    EXPECT_TRUE(disk.deviceNumber.has_value()) << disk.name;
  }
}

}  // namespace
}  // namespace quellsy::platform
