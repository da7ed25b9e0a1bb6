// Enumeration of a real block device: a GPT image with FAT and NTFS partitions attached as a loop device, its
// partitions made by the kernel (from its own reading of the table, or added by partx), checked against what lsblk
// and blkid see there. Skips only without root, loop devices or partitions on them.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>

#include "EnumDevice/EnumDeviceEx.h"
#include "Engines/BuiltInEngines.h"
#include "PartitionTableAnalyze/PartitionImages.h"
#include "include/EngineRegistry.h"
#include "support/LoopDevice.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

std::string Output(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::array<char, 256> chunk{};
    while (fgets(chunk.data(), static_cast<int>(chunk.size()), pipe)) output += chunk.data();
    if (pclose(pipe) != 0) output.clear();
  }
  while (!output.empty() && output.back() == '\n') output.pop_back();
  return output;
}

// Waits until node exists in its folder, woken by the folder's creation events rather than by polling; false when
// it has not appeared within the limit.
bool WaitForNode(const fs::path& node, std::chrono::milliseconds limit) {
  const int events = inotify_init1(IN_CLOEXEC);
  if (events < 0) return fs::exists(node);
  // Watch first, then look: a node made in between still wakes the wait.
  inotify_add_watch(events, node.parent_path().c_str(), IN_CREATE | IN_MOVED_TO);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!fs::exists(node)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd ready{events, POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
    std::array<char, 4096> drained{};
    if (read(events, drained.data(), drained.size()) < 0) break;
  }
  close(events);
  return fs::exists(node);
}

// A read-only loop device with partition scanning, detached again however the test ends.
class PartitionedLoop {
 public:
  explicit PartitionedLoop(const fs::path& image)
      : path_(Output("losetup --find --show --read-only --partscan '" + image.string() + "' 2>/dev/null")) {}
  ~PartitionedLoop() {
    if (!path_.empty()) std::system(("losetup --detach '" + path_ + "' >/dev/null 2>&1").c_str());
  }
  PartitionedLoop(const PartitionedLoop&) = delete;
  PartitionedLoop& operator=(const PartitionedLoop&) = delete;

  // "loopN", empty when attaching failed.
  std::string name() const { return path_.empty() ? "" : fs::path(path_).filename().string(); }

 private:
  std::string path_;
};

// The file system type blkid names (TYPE, and VERSION for FAT), in the enumeration's terms.
enumFILE_SYSTEM_TYPE TypeNamedByBlkid(const std::string& type, const std::string& version) {
  if (type == "vfat") {
    if (version == "FAT12") return FILE_SYSTEM_FAT12;
    if (version == "FAT16") return FILE_SYSTEM_FAT16;
    if (version == "FAT32") return FILE_SYSTEM_FAT32;
  }
  if (type == "ntfs") return FILE_SYSTEM_NTFS;
  if (type == "exfat") return FILE_SYSTEM_EXFAT;
  if (type == "hfsplus") return FILE_SYSTEM_HFSPLUS;
  if (type == "apfs") return FILE_SYSTEM_APFS;
  return FILE_SYSTEM_UNKNOWN;
}

using ListedVolume = std::pair<std::string, enumFILE_SYSTEM_TYPE>;

// The volumes of a disk as the system's own tools see them: each partition lsblk lists for it, in the kernel's order,
// named by the label blkid reads from it (else by its kernel name) with the file system blkid finds there.
std::vector<ListedVolume> VolumesByBlkid(const std::string& disk) {
  std::vector<ListedVolume> volumes;
  std::istringstream partitions(Output("lsblk -rn -o NAME,TYPE /dev/" + disk));
  for (std::string name, type; partitions >> name >> type;) {
    if (type != "part") continue;
    std::map<std::string, std::string> tags;
    // Low-level probing of the device itself, never blkid's cache; nothing found there leaves no tags.
    std::istringstream probe(Output("blkid -p -o export /dev/" + name));
    for (std::string line; std::getline(probe, line);)
      if (const std::size_t equals = line.find('='); equals != std::string::npos)
        tags[line.substr(0, equals)] = line.substr(equals + 1);
    volumes.emplace_back(tags.count("LABEL") ? tags["LABEL"] : name, TypeNamedByBlkid(tags["TYPE"], tags["VERSION"]));
  }
  return volumes;
}

std::vector<IStorageDevice*> Copied(const std::function<ResultCode(IStorageDevice**, int&)>& list) {
  int count = 0;
  EXPECT_EQ(list(nullptr, count), kResultOk);
  std::vector<IStorageDevice*> devices(static_cast<std::size_t>(count));
  EXPECT_EQ(list(devices.data(), count), kResultOk);
  return devices;
}

IStorageDevice* FindDisk(CEnumDeviceEx& enumerator, const std::string& name) {
  for (auto* disk : Copied([&](IStorageDevice** out, int& count) { return enumerator.EnumDiskDevice(out, count); }))
    if (name == static_cast<IDiskDeviceData*>(disk->GetPrivateData())->GetDiskInfo()->bsdName) return disk;
  return nullptr;
}

std::vector<IStorageDevice*> VolumesOf(CEnumDeviceEx& enumerator, IStorageDevice* disk) {
  return Copied([&](IStorageDevice** out, int& count) { return enumerator.EnumVolumeDevice(disk, out, count); });
}

CCollectedVolumeDeviceInfoStruct* VolumeRecord(IStorageDevice* volume) {
  return static_cast<IVolumeDeviceData*>(volume->GetPrivateData())->GetVolumeInfo();
}

// An enumerator that lists loop devices, with the built-in engines registered.
std::unique_ptr<CEnumDeviceEx> LoopEnumerator() {
  EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  EnumDeviceOptions options;
  options.allowLoopDevices = true;
  return std::make_unique<CEnumDeviceEx>(options);
}


// A file system on a whole loop device: the real sysfs, node and block-size queries.
TEST(LoopEnumeration, ListsAWholeDiskFileSystemOnALoopDevice) {
  if (const std::string missing = LoopDevicesMissing(); !missing.empty()) GTEST_SKIP() << missing;
  QUELLSY_REQUIRE_FIXTURE(PartitionImages::Get().Fixture());
  TempDir dir;
  const fs::path image = dir / "whole.img";
  fs::copy_file(PartitionImages::Get().Image("whole.img"), image);
  PartitionedLoop loop(image);
  ASSERT_FALSE(loop.name().empty()) << "losetup could not attach " << image;

  auto owner = LoopEnumerator();
  CEnumDeviceEx& enumerator = *owner;
  ASSERT_EQ(enumerator.Init(), kResultOk);
  IStorageDevice* disk = FindDisk(enumerator, loop.name());
  ASSERT_NE(disk, nullptr) << loop.name() << " was not listed";
  EXPECT_EQ(disk->GetTotalSectors(), 32768);
  // Named after the image file it reads.
  EXPECT_STREQ(static_cast<IDiskDeviceData*>(disk->GetPrivateData())->GetDiskInfo()->name, "whole.img");
  const auto volumes = VolumesOf(enumerator, disk);
  ASSERT_EQ(volumes.size(), 1u);
  EXPECT_STREQ(VolumeRecord(volumes[0])->volumeName, "WHOLEDISK");
  EXPECT_EQ(VolumeRecord(volumes[0])->fileSystemType, FILE_SYSTEM_FAT16);
  EXPECT_EQ(VolumeRecord(volumes[0])->partitionNumber, -1);

  // Without the option, loop devices are not disks to scan.
  CEnumDeviceEx plain;
  if (plain.Init() == kResultOk) {
    EXPECT_EQ(FindDisk(plain, loop.name()), nullptr);
  }
  EngineRegistry::Instance().Reset();
}

TEST(LoopEnumeration, ListsTheVolumesOfAPartitionedLoopDevice) {
  if (const std::string missing = LoopDevicesMissing(); !missing.empty()) GTEST_SKIP() << missing;
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());

  TempDir dir;
  const fs::path image = dir / "disk.img";
  fs::copy_file(images.Image("gpt.img"), image);
  // The script's layout: the FAT volume in partition 2, partition 3 empty, given an NTFS volume here.
  const auto layout = images.Layout("gpt.img");
  ASSERT_EQ(layout.size(), 2u);
  const LayoutEntry& fat = layout[0];
  const LayoutEntry& third = layout[1];
  const std::string ntfs = "set -e; truncate -s " + std::to_string(third.count * 512) + " '" + (dir / "nt.img").string() +
                           "'; mkntfs -F -Q -q -L NTVOL '" + (dir / "nt.img").string() + "'; dd if='" +
                           (dir / "nt.img").string() + "' of='" + image.string() + "' bs=512 seek=" +
                           std::to_string(third.start) + " conv=notrunc status=none";
  QUELLSY_REQUIRE_FIXTURE(RunFixtureCommand(ntfs));

  PartitionedLoop loop(image);
  ASSERT_FALSE(loop.name().empty()) << "losetup could not attach " << image;
  // The kernel lists the partitions while attaching; their nodes follow shortly. A kernel that does not read the
  // table itself still takes the partitions partx reads from it.
  const std::string last = loop.name() + "p3";
  const fs::path lastInSysfs = "/sys/block/" + loop.name() + "/" + last;
  if (!fs::exists(lastInSysfs)) RunFixtureCommand("partx --add /dev/" + loop.name());
  if (!fs::exists(lastInSysfs)) GTEST_SKIP() << "the kernel here makes no partitions of " << loop.name();
  ASSERT_TRUE(WaitForNode("/dev/" + last, std::chrono::seconds(10))) << "/dev/" << last << " never appeared";

  auto owner = LoopEnumerator();
  CEnumDeviceEx& enumerator = *owner;
  ASSERT_EQ(enumerator.Init(), kResultOk);
  IStorageDevice* disk = FindDisk(enumerator, loop.name());
  ASSERT_NE(disk, nullptr) << loop.name() << " was not listed";
  const auto* diskRecord = static_cast<IDiskDeviceData*>(disk->GetPrivateData())->GetDiskInfo();
  EXPECT_EQ(diskRecord->busType, DISK_BUS_VIRTUAL);
  EXPECT_EQ(diskRecord->partitionScheme, 2u);
  EXPECT_TRUE(disk->IsPermitted());

  const auto volumes = VolumesOf(enumerator, disk);
  std::vector<ListedVolume> listed;
  for (auto* volume : volumes) {
    listed.emplace_back(VolumeRecord(volume)->volumeName, VolumeRecord(volume)->fileSystemType);
  }
  // Every partition the kernel made, under the name and file system blkid finds on it.
  const std::vector<ListedVolume> expected = VolumesByBlkid(loop.name());
  ASSERT_EQ(expected.size(), 3u) << "lsblk lists the table's three partitions";
  ASSERT_EQ(listed, expected);
  // The FAT volume (the second, as blkid says) reads the same bytes as the image at its partition's start.
  std::vector<std::uint8_t> sector(512);
  ASSERT_TRUE(volumes[1]->ReadSector(sector.data(), 0, 1));
  const auto bytes = ReadFile(image);
  EXPECT_EQ(0, std::memcmp(sector.data(), bytes.data() + fat.start * 512, 512));
  EXPECT_EQ(enumerator.Uninit(), kResultOk);
  EngineRegistry::Instance().Reset();
}

}  // namespace
}  // namespace quellsy::test
