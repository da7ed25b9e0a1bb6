// Which devices hold what a path names, read from a sysfs tree the test lays out.

#include "Platform/DeviceIdentity.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>

#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

namespace fs = std::filesystem;

void Put(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text << "\n";
}

TEST(DeviceIdentity, LoopDevicesServingAnImageFile) {
  quellsy::test::TempDir dir;
  const fs::path sys = dir / "sys";
  const fs::path image = dir / "card.img";
  const fs::path other = dir / "other.img";
  Put(image, "image");
  Put(other, "other");
  // loop3 serves the image by another name for the same file; loop4 serves another file; sda is no loop device.
  fs::create_directories(dir / "again");
  Put(sys / "block" / "loop3" / "loop" / "backing_file", (dir / "again" / ".." / "card.img").string());
  Put(sys / "block" / "loop3" / "dev", "7:3");
  Put(sys / "block" / "loop4" / "loop" / "backing_file", other.string());
  Put(sys / "block" / "loop4" / "dev", "7:4");
  Put(sys / "block" / "sda" / "dev", "8:0");
  EXPECT_EQ(DevicesServing(image, sys), std::vector<dev_t>{makedev(7, 3)});
  EXPECT_EQ(DevicesServing(other, sys), std::vector<dev_t>{makedev(7, 4)});
  EXPECT_TRUE(DevicesServing(dir / "missing.img", sys).empty());
  EXPECT_TRUE(DevicesServing(dir.path(), sys).empty()) << "a folder is served by nothing";
}

TEST(DeviceIdentity, AFileSystemOnAPartitionLiesOnItsDisk) {
  quellsy::test::TempDir dir;
  const fs::path sys = dir / "sys";
  const fs::path disk = sys / "devices" / "pci0" / "block" / "sda";
  Put(disk / "dev", "8:0");
  Put(disk / "sda1" / "dev", "8:1");
  Put(disk / "sda1" / "partition", "1");
  Put(sys / "devices" / "pci0" / "block" / "sdb" / "dev", "8:16");
  fs::create_directories(sys / "dev" / "block");
  fs::create_directory_symlink("../../devices/pci0/block/sda/sda1", sys / "dev" / "block" / "8:1");
  fs::create_directory_symlink("../../devices/pci0/block/sda", sys / "dev" / "block" / "8:0");
  struct Case {
    dev_t fileSystem;
    dev_t disk;
    bool on;
  };
  const std::vector<Case> cases = {
      {makedev(8, 1), makedev(8, 0), true},    // a partition of the scanned disk
      {makedev(8, 1), makedev(8, 1), true},    // the scanned partition itself
      {makedev(8, 0), makedev(8, 1), false},   // the disk is not on one of its partitions
      {makedev(8, 1), makedev(8, 16), false},  // another disk
      {makedev(9, 9), makedev(8, 0), false},   // a device sysfs does not list
  };
  for (const Case& c : cases)
    EXPECT_EQ(DeviceLiesOn(c.fileSystem, c.disk, sys), c.on) << major(c.fileSystem) << ":" << minor(c.fileSystem);
}

}  // namespace
}  // namespace quellsy::platform
