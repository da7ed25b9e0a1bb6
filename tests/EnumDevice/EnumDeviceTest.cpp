// Enumeration against a machine described by a tree of our own: the disks, their partition tables and
// the kernel's partitions are real images made by the usual tools.

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <cstring>
#include <functional>

#include "EnumDevice/DevListSortAlgorithm.h"
#include "EnumDevice/EnumDeviceEx.h"
#include "EnumDevice/FakeDeviceTree.h"
#include "EnumDevice/MergeVolumeAndPartition.h"
#include "Engines/BuiltInEngines.h"
#include "PartitionTableAnalyze/BaseGPTAnalyzer.h"
#include "PartitionTableAnalyze/PartitionImages.h"
#include "StorageDevice/DiskDevice.h"
#include "include/EngineRegistry.h"

namespace quellsy::test {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

template <class Data>
auto* RecordOf(IStorageDevice* device) {
  auto* holder = device ? dynamic_cast<Data*>(device->GetPrivateData()) : nullptr;
  return holder ? holder->GetRecord() : nullptr;
}

std::string Text(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }
#define TEXT(field) Text(field, sizeof(field))

using Lister = std::function<ResultCode(IStorageDevice**, int&)>;

// Counts, then copies, through the count-and-copy protocol.
std::vector<IStorageDevice*> Listed(const Lister& list) {
  int count = 0;
  EXPECT_EQ(list(nullptr, count), kResultOk);
  std::vector<IStorageDevice*> devices(static_cast<std::size_t>(count));
  if (count > 0) {
    EXPECT_EQ(list(devices.data(), count), kResultOk);
  }
  return devices;
}

class Enumeration : public ::testing::Test {
 protected:
  void SetUp() override {
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }
  void TearDown() override { EngineRegistry::Instance().Reset(); }

  std::vector<IStorageDevice*> Disks() {
    return Listed([&](IStorageDevice** out, int& count) { return enumerator.EnumDiskDevice(out, count); });
  }
  std::vector<IStorageDevice*> Partitions(IStorageDevice* disk) {
    return Listed([&](IStorageDevice** out, int& count) { return enumerator.EnumPartitionDevice(disk, out, count); });
  }
  std::vector<IStorageDevice*> Volumes(IStorageDevice* disk) {
    return Listed([&](IStorageDevice** out, int& count) { return enumerator.EnumVolumeDevice(disk, out, count); });
  }

  // A disk of zeros (no table, no file system) of `bytes`.
  std::filesystem::path Blank(const std::string& name, std::uint64_t bytes = 16 * kMiB) {
    const auto path = scratch / name;
    std::filesystem::resize_file((std::ofstream(path), path), bytes);
    return path;
  }

  TempDir scratch;
  FakeDeviceTree tree;
  CEnumDeviceEx enumerator;
};

// Machines with nothing to scan: no disk, only excluded kinds, a medium under 8 MiB, a disk whose node
// cannot be opened.
TEST_F(Enumeration, NoDiskIsErrorOneAndLeavesItUninitialised) {
  const std::vector<std::pair<std::string, std::function<void(FakeDeviceTree&)>>> machines = {
      {"empty", [](FakeDeviceTree&) {}},
      {"excluded kinds",
       [&](FakeDeviceTree& t) {
         unsigned minor = 0;
         for (const char* name : {"sr0", "loop0", "zram0", "ram0"}) t.AddDisk({name, Blank(name), 11, minor++});
       }},
      {"too small", [&](FakeDeviceTree& t) { t.AddDisk({"sdb", Blank("small", 4 * kMiB)}); }},
      {"no node", [](FakeDeviceTree& t) { t.AddDisk({"sdb", {}, 8, 16, 512, "ata1/host0", "V", "M", 64 * kMiB}); }},
  };
  for (const auto& [name, build] : machines) {
    SCOPED_TRACE(name);
    FakeDeviceTree machine;
    build(machine);
    CEnumDeviceEx fresh(machine.Options());
    const ResultCode result = fresh.Init();
    EXPECT_EQ(ModuleOf(result), module::kEnumDevice);
    EXPECT_EQ(ErrorOf(result), error::kFailure);
    EXPECT_FALSE(fresh.IsInitialised());
    int count = 0;
    EXPECT_EQ(ErrorOf(fresh.EnumDiskDevice(nullptr, count)), error::kNotInitialised);
    EXPECT_EQ(ErrorOf(fresh.Uninit()), error::kNotInitialised);
  }
}

TEST_F(Enumeration, CountsAndCopiesByTheProtocol) {
  for (unsigned i = 0; i < 3; ++i) {
    const std::string name = std::string("sd") + static_cast<char>('a' + i);
    tree.AddDisk({name, Blank(name), 8, 16 * i});
  }
  enumerator.SetOptions(tree.Options());
  int count = 0;
  EXPECT_EQ(ErrorOf(enumerator.EnumDiskDevice(nullptr, count)), error::kNotInitialised);
  ASSERT_EQ(enumerator.Init(), kResultOk);

  EXPECT_EQ(enumerator.EnumDiskDevice(nullptr, count), kResultOk);
  EXPECT_EQ(count, 3);
  std::vector<IStorageDevice*> disks(3, nullptr);
  count = 0;
  EXPECT_EQ(enumerator.EnumDiskDevice(disks.data(), count), kResultOk);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(disks, std::vector<IStorageDevice*>(3, nullptr));
  count = 2;
  EXPECT_EQ(ErrorOf(enumerator.EnumDiskDevice(disks.data(), count)), error::kArrayTooSmall);
  EXPECT_EQ(disks, std::vector<IStorageDevice*>(3, nullptr));
  count = 3;
  EXPECT_EQ(enumerator.EnumDiskDevice(disks.data(), count), kResultOk);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(disks, Disks());
  EXPECT_EQ(TEXT(RecordOf<IDiskDeviceData>(disks[2])->bsdName), "sdc");

  // Partitions and volumes: a null disk, and one the enumerator does not hold.
  CDiskDevice stranger("/dev/null");
  EXPECT_EQ(ErrorOf(enumerator.EnumPartitionDevice(nullptr, nullptr, count)), error::kNoPrivateData);
  EXPECT_EQ(ErrorOf(enumerator.EnumVolumeDevice(nullptr, nullptr, count)), error::kNoPrivateData);
  EXPECT_EQ(ErrorOf(enumerator.EnumPartitionDevice(&stranger, nullptr, count)), error::kBadArgument);
  EXPECT_EQ(ErrorOf(enumerator.EnumVolumeDevice(&stranger, nullptr, count)), error::kBadArgument);
  // A blank disk: the whole disk as one pseudo partition, scanned as a partition without a volume.
  const auto partitions = Partitions(disks[0]);
  ASSERT_EQ(partitions.size(), 1u);
  EXPECT_EQ(RecordOf<IPartitionDeviceData>(partitions[0])->partitionIndex, -1);
  std::vector<IStorageDevice*> one(1, nullptr);
  count = 1;
  EXPECT_EQ(enumerator.EnumPartitionDevice(disks[0], one.data(), count), kResultOk);
  EXPECT_EQ(one, partitions);
}

// The kernel's own order, where a byte order would put sdaa before sdb and disk10 before disk2.
TEST_F(Enumeration, SortsDisksInKernelOrder) {
  unsigned minor = 0;
  for (const char* name : {"sdaa", "sdb", "nvme0n10", "sda", "nvme0n2"}) tree.AddDisk({name, Blank(name), 8, minor += 16});
  enumerator.SetOptions(tree.Options());
  ASSERT_EQ(enumerator.Init(), kResultOk);
  std::vector<std::string> names;
  for (auto* disk : Disks()) names.push_back(TEXT(RecordOf<IDiskDeviceData>(disk)->bsdName));
  EXPECT_EQ(names, (std::vector<std::string>{"nvme0n2", "nvme0n10", "sda", "sdb", "sdaa"}));

  const std::vector<std::tuple<std::string, std::string, int>> pairs = {
      {"sdb", "sdaa", -1}, {"sdz", "sdaa", -1}, {"disk2", "disk10", -1}, {"nvme1n1", "nvme0n9", 1},
      {"sda", "sda", 0},   {"sda", "sda1", -1}, {"disk02", "disk2", 0},  {"mmcblk0", "mmcblk0p1", -1},
      {"nvme0n1", "sdaa", -1}, {"md0", "mmcblk0", -1}, {"s", "sda", -1}, {"", "sda", -1}};
  for (const auto& [a, b, sign] : pairs) {
    const int order = CDevListSortAlgorithm::CompareDiskNames(a, b);
    EXPECT_EQ((order > 0) - (order < 0), sign) << a << " vs " << b;
    EXPECT_EQ((order > 0) - (order < 0), -((CDevListSortAlgorithm::CompareDiskNames(b, a) > 0) -
                                           (CDevListSortAlgorithm::CompareDiskNames(b, a) < 0)));
  }
}

TEST_F(Enumeration, WholeDiskFileSystemIsOnePseudoPartitionAndOneVolume) {
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());
  tree.AddDisk({"sdb", images.Image("whole.img"), 8, 16, 512, "pci0000:00/0000:00:1f.2/ata3/host2/target2:0:0/2:0:0:0"});
  enumerator.SetOptions(tree.Options());
  ASSERT_EQ(enumerator.Init(), kResultOk);
  auto* disk = Disks().at(0);
  const auto* diskRecord = RecordOf<IDiskDeviceData>(disk);
  EXPECT_EQ(diskRecord->partitionScheme, 0u);
  EXPECT_EQ(diskRecord->busType, DISK_BUS_ATA);
  EXPECT_EQ(TEXT(diskRecord->name), "Quellsy Test Disk");
  EXPECT_EQ(diskRecord->deviceId, makedev(8, 16));
  EXPECT_EQ(diskRecord->totalSectors, 32768u);

  const auto partitions = Partitions(disk);
  ASSERT_EQ(partitions.size(), 1u);
  const auto* partition = RecordOf<IPartitionDeviceData>(partitions[0]);
  EXPECT_EQ(partition->partitionIndex, -1);
  EXPECT_EQ(partition->totalSectors, 32768u);
  EXPECT_EQ(partition->fileSystemType, FILE_SYSTEM_FAT16);

  const auto volumes = Volumes(disk);
  ASSERT_EQ(volumes.size(), 1u);
  EXPECT_EQ(volumes[0]->GetType(), STORAGE_DEVICE_VOLUME);
  const auto* volume = RecordOf<IVolumeDeviceData>(volumes[0]);
  EXPECT_EQ(volume->partitionNumber, -1);
  EXPECT_EQ(volume->fileSystemType, FILE_SYSTEM_FAT16);
  EXPECT_EQ(TEXT(volume->volumeName), "WHOLEDISK");
  EXPECT_EQ(TEXT(volume->bsdName), "sdb");
  EXPECT_EQ(volume->parentDisk, disk);
}

// GPT: the kernel lists all three partitions; the table lists the two over 8 MiB. Names come from
// the label, else the mount point, else the kernel name.
TEST_F(Enumeration, GptDiskVolumesWithNamesGuidsAndMounts) {
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());
  const FakeDisk disk{"sdc", images.Image("gpt.img"), 8, 32};
  tree.AddDisk(disk);
  tree.AddPartition(disk, 1, 2048 * 512, 2048 * 512, 33);
  tree.AddPartition(disk, 2, 4096 * 512, 40960 * 512, 34);
  tree.AddPartition(disk, 3, 45056 * 512, 74945ull * 512, 35);
  tree.Mount(8, 35, "/media/linux\\040data");
  enumerator.SetOptions(tree.Options());
  ASSERT_EQ(enumerator.Init(), kResultOk);
  auto* diskDevice = Disks().at(0);
  EXPECT_EQ(RecordOf<IDiskDeviceData>(diskDevice)->partitionScheme, 2u);
  EXPECT_EQ(RecordOf<IDiskDeviceData>(diskDevice)->busType, DISK_BUS_USB);

  std::vector<int> indices;
  for (auto* partition : Partitions(diskDevice)) indices.push_back(RecordOf<IPartitionDeviceData>(partition)->partitionIndex);
  EXPECT_EQ(indices, (std::vector<int>{2, 3}));

  // Every partition has its volume, so nothing is added as a partition without one.
  const auto volumes = Volumes(diskDevice);
  ASSERT_EQ(volumes.size(), 3u);
  struct Expected {
    int number;
    std::uint64_t start;
    std::string name;
    std::string type;
    enumFILE_SYSTEM_TYPE fileSystem;
    std::uint32_t mounted;
  };
  const Expected expected[] = {
      {1, 2048, "sdc1", "21686148-6449-6E6F-744E-656564454649", FILE_SYSTEM_UNKNOWN, 0},
      {2, 4096, "GPTDATA", "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", FILE_SYSTEM_FAT16, 0},
      {3, 45056, "linux data", "0FC63DAF-8483-4772-8E79-3D69D8477DE4", FILE_SYSTEM_UNKNOWN, 1},
  };
  for (std::size_t i = 0; i < volumes.size(); ++i) {
    SCOPED_TRACE(i);
    const auto* record = RecordOf<IVolumeDeviceData>(volumes[i]);
    ASSERT_NE(record, nullptr);
    char type[37];
    CBaseGPTAnalyzer::GUIDToStr(record->partitionTypeGuid, type);
    EXPECT_EQ(record->partitionNumber, expected[i].number);
    EXPECT_EQ(record->startSector, expected[i].start);
    EXPECT_EQ(TEXT(record->volumeName), expected[i].name);
    EXPECT_EQ(type, expected[i].type);
    EXPECT_EQ(record->fileSystemType, expected[i].fileSystem);
    EXPECT_EQ(record->mounted, expected[i].mounted);
    EXPECT_EQ(record->deviceId, makedev(8, 33 + i));
  }
  // The disk keeps copies of its volumes' records.
  std::vector<CCollectedVolumeDeviceInfoStruct> copies;
  EXPECT_EQ(static_cast<CDiskDevice*>(diskDevice)->GetVolumes(copies), 3);
  EXPECT_EQ(TEXT(copies[1].label), "GPTDATA");
}

// A partition is covered only by a volume of the same start whose size is within 10 MiB; the others
// are listed again as partitions without a volume, after the volumes.
TEST_F(Enumeration, MergeAddsPartitionsNoVolumeCovers) {
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());
  const FakeDisk disk{"sdd", images.Image("mbr.img"), 8, 48};
  tree.AddDisk(disk);
  tree.AddPartition(disk, 1, 2048 * 512, 20480 * 512, 49);                   // as the table says
  tree.AddPartition(disk, 2, 22528 * 512, 1024, 50);                         // the extended container
  tree.AddPartition(disk, 5, 24576 * 512, 20480 * 512 - 5 * kMiB, 53);       // 5 MiB short: covered
  tree.AddPartition(disk, 6, 47104 * 512, 20480 * 512 + 20 * kMiB, 54);      // 20 MiB over: not covered
  tree.AddPartition(disk, 7, 69632 * 512 + kMiB, 20480 * 512, 55);           // starts elsewhere: not covered
  enumerator.SetOptions(tree.Options());
  ASSERT_EQ(enumerator.Init(), kResultOk);
  auto* diskDevice = Disks().at(0);

  std::vector<std::tuple<int, std::string, std::uint64_t>> listed;
  for (auto* volume : Volumes(diskDevice)) {
    const auto* record = RecordOf<IVolumeDeviceData>(volume);
    ASSERT_NE(record, nullptr);
    listed.emplace_back(record->partitionNumber, TEXT(record->bsdName), record->startSector);
  }
  EXPECT_EQ(listed, (std::vector<std::tuple<int, std::string, std::uint64_t>>{
                        {1, "sdd1", 2048}, {5, "sdd5", 24576}, {6, "sdd6", 47104}, {7, "sdd7", 71680}, {6, "", 47104}, {7, "", 69632}}));

  // The partitions without a volume read the disk at their table entry's start.
  const auto volumes = Volumes(diskDevice);
  std::vector<std::uint8_t> sector(512);
  std::vector<std::uint8_t> expected(512);
  ASSERT_TRUE(volumes[5]->ReadSector(sector.data(), 0, 1));
  std::ifstream image(images.Image("mbr.img"), std::ios::binary);
  image.seekg(69632 * 512);
  image.read(reinterpret_cast<char*>(expected.data()), 512);
  EXPECT_EQ(sector, expected);
  EXPECT_EQ(volumes[5]->GetTotalSectors(), 20480);
}

// With 4096-byte sectors every start and count is in those sectors.
TEST_F(Enumeration, FourKibibyteSectorDisk) {
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());
  FakeDisk disk{"sde", images.Image("mbr4k.img"), 8, 64};
  disk.logicalBlockSize = 4096;
  tree.AddDisk(disk);
  tree.AddPartition(disk, 1, 256 * 4096, 2560 * 4096, 65);
  tree.AddPartition(disk, 5, 3328 * 4096, 2560 * 4096, 69);
  tree.AddPartition(disk, 6, 6144 * 4096, 2560 * 4096, 70);
  enumerator.SetOptions(tree.Options());
  ASSERT_EQ(enumerator.Init(), kResultOk);
  auto* diskDevice = Disks().at(0);
  EXPECT_EQ(diskDevice->GetSectorSize(), 4096u);
  std::vector<std::tuple<int, std::uint64_t, std::uint64_t>> partitions;
  for (auto* partition : Partitions(diskDevice)) {
    const auto* record = RecordOf<IPartitionDeviceData>(partition);
    partitions.emplace_back(record->partitionIndex, record->startSector, record->totalSectors);
    EXPECT_EQ(record->sectorSize, 4096u);
  }
  EXPECT_EQ(partitions, (std::vector<std::tuple<int, std::uint64_t, std::uint64_t>>{{1, 256, 2560}, {5, 3328, 2560}, {6, 6144, 2560}}));
  const auto volumes = Volumes(diskDevice);
  ASSERT_EQ(volumes.size(), 3u);
  EXPECT_EQ(RecordOf<IVolumeDeviceData>(volumes[1])->startSector, 3328u);
  EXPECT_EQ(volumes[1]->GetSectorSize(), 4096u);
}

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

// Listing again makes no new devices; a refresh releases every device and descriptor, except those a
// reader still holds, which stay readable with their disk.
TEST_F(Enumeration, RefreshLeaksNothingAndFreesNothingStillRead) {
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());
  const FakeDisk disk{"sdd", images.Image("mbr.img"), 8, 48};
  tree.AddDisk(disk);
  tree.AddPartition(disk, 1, 2048 * 512, 20480 * 512, 49);
  enumerator.SetOptions(tree.Options());

  const std::size_t before = OpenDescriptors();
  std::vector<std::weak_ptr<IStorageDevice>> released;
  for (int round = 0; round < 5; ++round) {
    ASSERT_EQ(enumerator.Init(), kResultOk);
    auto* diskDevice = Disks().at(0);
    const auto first = Volumes(diskDevice);
    EXPECT_EQ(Volumes(diskDevice), first);  // the same devices, not new ones
    ASSERT_EQ(first.size(), 4u);            // sdd1, then partitions 5, 6, 7 without a volume
    for (auto* device : first) released.push_back(enumerator.ShareDevice(device));
    released.push_back(enumerator.ShareDevice(diskDevice));
    ASSERT_EQ(enumerator.Uninit(), kResultOk);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  for (std::size_t i = 0; i < released.size(); ++i) EXPECT_TRUE(released[i].expired()) << i << " uses " << released[i].use_count();

  // A scan holds a partition without a volume across a refresh: it and its disk stay readable.
  ASSERT_EQ(enumerator.Init(), kResultOk);
  const auto held = enumerator.ShareDevice(Volumes(Disks().at(0)).back());
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(enumerator.ShareDevice(reinterpret_cast<IStorageDevice*>(&released)), nullptr);
  ASSERT_EQ(enumerator.Uninit(), kResultOk);
  ASSERT_EQ(enumerator.Init(), kResultOk);
  std::vector<std::uint8_t> sector(512);
  std::vector<std::uint8_t> expected(512);
  ASSERT_TRUE(held->ReadSector(sector.data(), 0, 1));
  std::ifstream image(images.Image("mbr.img"), std::ios::binary);
  image.seekg(69632 * 512);
  image.read(reinterpret_cast<char*>(expected.data()), 512);
  EXPECT_EQ(sector, expected);
}


// The cover rule at its edges: the same start and sector size, and less than 10 MiB apart in size.
TEST(MergeRule, CoverNeedsSameStartSectorSizeAndNearSize) {
  struct Case {
    std::uint64_t volumeStart, volumeSectors, volumeSectorSize;
    bool covered;
  };
  const std::uint64_t kSlackSectors = CMergeVolumeAndPartition::kSizeSlackBytes / 512;  // 20480 sectors and a byte
  const Case cases[] = {
      {2048, 100000, 512, true},
      {2048, 100000 - kSlackSectors, 512, true},
      {2048, 100000 + kSlackSectors, 512, true},
      {2048, 100000 - kSlackSectors - 1, 512, false},
      {2048, 100000 + kSlackSectors + 1, 512, false},
      {2049, 100000, 512, false},
      {0, 100000, 512, false},
      {2048, 100000, 4096, false},
      {2048, ~0ULL, 512, false},
  };
  CCollectedPartitionDeviceInfoStruct partition;
  partition.sectorSize = 512;
  partition.startSector = 2048;
  partition.totalSectors = 100000;
  for (const auto& c : cases) {
    CCollectedVolumeDeviceInfoStruct volume;
    volume.startSector = c.volumeStart;
    volume.totalSectors = c.volumeSectors;
    volume.sectorSize = c.volumeSectorSize;
    EXPECT_EQ(CMergeVolumeAndPartition::Covers(volume, partition), c.covered)
        << c.volumeStart << " " << c.volumeSectors << " " << c.volumeSectorSize;
  }
}

}  // namespace
}  // namespace quellsy::test
