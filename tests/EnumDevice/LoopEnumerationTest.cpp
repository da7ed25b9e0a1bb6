// Enumeration of a real block device: a GPT image with FAT and NTFS partitions attached as a loop
// device with its partitions scanned by the kernel. Skips without root, loop devices or partition scanning.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

#include "EnumDevice/EnumDeviceEx.h"
#include "Engines/BuiltInEngines.h"
#include "PartitionTableAnalyze/PartitionImages.h"
#include "include/EngineRegistry.h"

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
  if (geteuid() != 0) GTEST_SKIP() << "loop devices need root";
  QUELLSY_REQUIRE_FIXTURE(PartitionImages::Get().Fixture());
  TempDir dir;
  const fs::path image = dir / "whole.img";
  fs::copy_file(PartitionImages::Get().Image("whole.img"), image);
  PartitionedLoop loop(image);
  if (loop.name().empty()) GTEST_SKIP() << "no loop device could be attached";

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
  if (geteuid() != 0) GTEST_SKIP() << "loop devices need root";
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());

  TempDir dir;
  const fs::path image = dir / "disk.img";
  fs::copy_file(images.Image("gpt.img"), image);
  const std::string ntfs = "set -e; truncate -s 36M '" + (dir / "nt.img").string() + "'; mkntfs -F -Q -q -L NTVOL '" +
                           (dir / "nt.img").string() + "'; dd if='" + (dir / "nt.img").string() + "' of='" +
                           image.string() + "' bs=512 seek=45056 conv=notrunc status=none";
  QUELLSY_REQUIRE_FIXTURE(RunFixtureCommand(ntfs));

  PartitionedLoop loop(image);
  if (loop.name().empty()) GTEST_SKIP() << "no loop device could be attached";
  // The kernel lists the partitions while attaching; their nodes follow shortly.
  const std::string last = loop.name() + "p3";
  if (!fs::exists("/sys/block/" + loop.name() + "/" + last))
    GTEST_SKIP() << "the kernel here does not scan the partitions of " << loop.name();
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
  std::vector<std::pair<std::string, enumFILE_SYSTEM_TYPE>> listed;
  for (auto* volume : volumes) {
    listed.emplace_back(VolumeRecord(volume)->volumeName, VolumeRecord(volume)->fileSystemType);
  }
  // NTFS is named by its label; no engine identifies it yet.
  EXPECT_EQ(listed, (std::vector<std::pair<std::string, enumFILE_SYSTEM_TYPE>>{
                        {loop.name() + "p1", FILE_SYSTEM_UNKNOWN}, {"GPTDATA", FILE_SYSTEM_FAT16}, {"NTVOL", FILE_SYSTEM_UNKNOWN}}));
  // The FAT volume reads the same bytes as the image at its partition's start.
  std::vector<std::uint8_t> sector(512);
  ASSERT_TRUE(volumes[1]->ReadSector(sector.data(), 0, 1));
  const auto bytes = ReadFile(image);
  EXPECT_EQ(0, std::memcmp(sector.data(), bytes.data() + 4096 * 512, 512));
  EXPECT_EQ(enumerator.Uninit(), kResultOk);
  EngineRegistry::Instance().Reset();
}

}  // namespace
}  // namespace quellsy::test
