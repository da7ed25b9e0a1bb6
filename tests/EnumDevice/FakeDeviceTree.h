#pragma once
// A machine described by a tree of our own: sysfs entries for disks and partitions, device nodes that
// are image files (a disk's node is its image, a partition's node a copy of its bytes), and a mount
// table. Enumeration pointed at it sees these disks only.

#include <cstdint>
#include <filesystem>
#include <string>

#include "EnumDevice/IEnumDevice.h"
#include "support/TempDir.h"

namespace quellsy::test {

struct FakeDisk {
  std::string name;                 // kernel name, e.g. "sdb"
  std::filesystem::path image;      // the node's contents (linked, never written); empty: no node
  unsigned major = 8;
  unsigned minor = 16;
  unsigned logicalBlockSize = 512;
  // Where the disk hangs below sys/devices; decides its bus.
  std::string busPath = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
  std::string vendor = "Quellsy";
  std::string model = "Test Disk";
  std::uint64_t sizeBytes = 0;      // 0: the image's size
};

class FakeDeviceTree {
 public:
  FakeDeviceTree();

  EnumDeviceOptions Options(bool allowLoop = false) const;

  void AddDisk(const FakeDisk& disk);
  // A partition of `disk` as the kernel lists it: sizes and start in bytes; its node holds the
  // image's bytes from `startBytes` on (as many as the image has, up to `sizeBytes`).
  void AddPartition(const FakeDisk& disk, int number, std::uint64_t startBytes, std::uint64_t sizeBytes, unsigned minor);
  // A line of the mount table.
  void Mount(unsigned major, unsigned minor, const std::string& escapedMountPoint);

  const std::filesystem::path& root() const { return dir_.path(); }

 private:
  std::filesystem::path DiskDir(const FakeDisk& disk) const;

  TempDir dir_;
  int mountId_ = 20;
};

}  // namespace quellsy::test
