#include "FATLib/CFatVolumeAnalyze.h"

#include <gtest/gtest.h>

#include <cstring>

#include "FATLib/CFATVolume.h"
#include "FatImageHelpers.h"
#include "FatTestBytes.h"
#include "support/PublicFixture.h"

namespace quellsy::test {
namespace {

std::string LabelOf(IVolumeAnalyze& analyser) {
  char label[CFatVolumeAnalyze::kLabelSize + 1] = {};
  analyser.GetLabel(label, CFatVolumeAnalyze::kLabelSize);
  return label;
}

struct ImageCase {
  const char* image;  // generated image, or "public:" and a PublicFixture path
  unsigned sectorSize;
  enumFILE_SYSTEM_TYPE type;
  unsigned long long totalSectors;
  const char* label;
};

class ProbeImages : public ::testing::TestWithParam<ImageCase> {};

TEST_P(ProbeImages, TypeTotalAndLabelAtAnyStart) {
  const auto& c = GetParam();
  std::filesystem::path path;
  const std::string name = c.image;
  if (name.rfind("public:", 0) == 0) {
    path = PublicFixture(name.substr(7));
    ASSERT_TRUE(std::filesystem::exists(path));
  } else {
    const auto* images = FatImages::Get();
    QUELLSY_REQUIRE_FIXTURE(images->Fixture());
    path = images->Image(name);
  }
  auto volume = ReadFile(path);
  // The same volume at the device's start and further in, as a partition of a disk would be.
  for (const long long start : {0LL, 63LL}) {
    std::vector<std::uint8_t> disk(static_cast<std::size_t>(start) * c.sectorSize, 0xEE);
    disk.insert(disk.end(), volume.begin(), volume.end());
    MemoryDevice device(std::move(disk), c.sectorSize);
    std::unique_ptr<IVolumeAnalyze> analyser(CreateFatVolumeAnalyze(&device, static_cast<unsigned long long>(start)));
    ASSERT_NE(analyser, nullptr);
    EXPECT_EQ(analyser->GetFileSystemType(), c.type) << "start " << start;
    EXPECT_EQ(analyser->GetTotalSector(), c.totalSectors) << "start " << start;
    EXPECT_EQ(LabelOf(*analyser), c.label) << "start " << start;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProbeImages,
    ::testing::Values(ImageCase{"fat16.img", 512, FILE_SYSTEM_FAT16, 65536, "MY DISK"},
                      ImageCase{"fat16-4k.img", 4096, FILE_SYSTEM_FAT16, 8192, "SECT4K"},
                      ImageCase{"fat32.img", 512, FILE_SYSTEM_FAT32, 131072, "QUELLSY 32"},
                      ImageCase{"fat32-nolabel.img", 512, FILE_SYSTEM_FAT32, 131072, ""},
                      // The root chain points to itself: the label walk must stop, not spin.
                      ImageCase{"fat32-rootloop.img", 512, FILE_SYSTEM_FAT32, 131072, ""},
                      ImageCase{"fat12.img", 512, FILE_SYSTEM_UNKNOWN, 0, ""},
                      ImageCase{"fat16-zeroboot.img", 512, FILE_SYSTEM_UNKNOWN, 0, ""},
                      ImageCase{"fat16-badfat1.img", 512, FILE_SYSTEM_FAT16, 65536, "MY DISK"},
                      ImageCase{"public:rust-fatfs/fat16.img", 512, FILE_SYSTEM_FAT16, 5000, "Test!"},
                      ImageCase{"public:rust-fatfs/floppy.img", 512, FILE_SYSTEM_UNKNOWN, 0, ""},
                      // A truncated FAT32 volume whose boot sector names one FAT: the probe wants two.
                      ImageCase{"public:dfvfs/bdetogo.raw", 512, FILE_SYSTEM_UNKNOWN, 0, ""}),
    [](const auto& p) {
      std::string name = p.param.image;
      for (char& ch : name) if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// A small FAT32 volume: boot sector at 0, FATs of one sector at 2 and 3, cluster c at sector 4 + c - 2.
struct TinyFat32 {
  std::unique_ptr<MemoryDevice> device = std::make_unique<MemoryDevice>(40, 512);

  TinyFat32() {
    BootSectorFields f = Fat32Fields();
    f.reservedSectors = 2;
    f.sectorsPerFat32 = 1;
    f.totalSectors32 = 40;
    device->Put(0, MakeBootSector(f));
    SetFat(0, 0x0FFFFFF8);
    SetFat(1, 0x0FFFFFFF);
  }
  void SetFat(std::uint32_t cluster, std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    FieldWriter(bytes).le32(0, value);
    device->Put(2 * 512 + cluster * 4, bytes);
  }
  // Fills a cluster with 16 live files (no label).
  void FillWithFiles(std::uint32_t cluster) {
    for (std::uint32_t i = 0; i < 16; ++i) {
      const std::string name = "F" + std::to_string(cluster * 100 + i) + std::string(10, ' ');
      Put(cluster, i, MakeEntry({name.substr(0, 8) + "TXT", 0x20, 30 + i, 10}));
    }
  }
  void Put(std::uint32_t cluster, std::uint32_t index, const std::array<std::uint8_t, 32>& entry) {
    device->Put((4 + cluster - 2) * 512 + index * 32, AsVector(entry));
  }
  std::string Label() {
    std::unique_ptr<IVolumeAnalyze> analyser(CreateFatVolumeAnalyze(device.get(), 0));
    EXPECT_EQ(analyser->GetFileSystemType(), FILE_SYSTEM_FAT32);
    return LabelOf(*analyser);
  }
};

TEST(CFatVolumeAnalyze, Fat32RootChainWalk) {
  TinyFat32 twoClusterLoop;
  twoClusterLoop.SetFat(2, 3);
  twoClusterLoop.SetFat(3, 2);
  twoClusterLoop.FillWithFiles(2);
  twoClusterLoop.FillWithFiles(3);
  EXPECT_EQ(twoClusterLoop.Label(), "");

  twoClusterLoop.Put(3, 15, MakeEntry({"LOOPED     ", 0x08}));
  EXPECT_EQ(twoClusterLoop.Label(), "LOOPED");  // found in the chain's second cluster

  TinyFat32 beyondTable;  // one FAT sector holds 128 entries
  beyondTable.SetFat(2, 500);
  beyondTable.FillWithFiles(2);
  EXPECT_EQ(beyondTable.Label(), "");

  TinyFat32 unreadable;
  unreadable.SetFat(2, 0x0FFFFFFF);
  unreadable.Put(2, 0, MakeEntry({"HIDDEN     ", 0x08}));
  EXPECT_EQ(unreadable.Label(), "HIDDEN");
  unreadable.device->FailSectors(4, 1);
  EXPECT_EQ(unreadable.Label(), "");
}

TEST(CFatVolumeAnalyze, LabelEntryRulesInTheRoot) {
  struct Case {
    const char* name;
    std::vector<std::array<std::uint8_t, 32>> entries;
    const char* label;
  };
  const auto lfn = MakeLongNameEntry(0x41, u"notalabel.txt");
  const auto file = MakeEntry({"NOTALA~1TXT", 0x20, 5, 10});
  const auto label = MakeEntry({"REAL LABEL ", 0x08});
  const std::vector<Case> cases = {
      {"LongNameBeforeLabel", {lfn, file, label}, "REAL LABEL"},
      {"ErasedLabelSkipped", {MakeEntry({"\xE5OLD LABEL ", 0x08}), label}, "REAL LABEL"},
      {"ZeroNamedLabelEnds", {MakeEntry({std::string(11, '\0'), 0x08}), label}, ""},
      {"InvalidEntryEnds", {MakeEntry({"BAD*NAME   ", 0x20}), label}, ""},
      {"StrictTestEnds", {MakeEntry({"SIZED   TXT", 0x20, 0, 99}), label}, ""},
  };
  for (const auto& c : cases) {
    BootSectorFields f;  // FAT16: 1 reserved, 2 x 32 sectors of FAT, root at 65, 32 root sectors
    MemoryDevice device(200, 512);
    device.Put(0, MakeBootSector(f));
    for (std::size_t i = 0; i < c.entries.size(); ++i)
      device.Put(65 * 512 + i * 32, AsVector(c.entries[i]));
    std::unique_ptr<IVolumeAnalyze> analyser(CreateFatVolumeAnalyze(&device, 0));
    EXPECT_EQ(analyser->GetFileSystemType(), FILE_SYSTEM_FAT16) << c.name;
    EXPECT_EQ(LabelOf(*analyser), c.label) << c.name;
  }
}

TEST(CFatVolumeAnalyze, LabelInALaterRootClusterStep) {
  MemoryDevice device(200, 512);
  device.Put(0, MakeBootSector(BootSectorFields{}));
  // Root steps are one cluster (4 sectors) each; a step that ends at a free entry does not end the search.
  device.Put(65 * 512 + 4 * 512, AsVector(MakeEntry({"LATER      ", 0x08})));
  std::unique_ptr<IVolumeAnalyze> analyser(CreateFatVolumeAnalyze(&device, 0));
  EXPECT_EQ(LabelOf(*analyser), "LATER");
}

TEST(CFatVolumeAnalyze, GetLabelCopiesAtMostTheField) {
  MemoryDevice device(200, 512);
  device.Put(0, MakeBootSector(BootSectorFields{}));
  device.Put(65 * 512, AsVector(MakeEntry({"LABEL12345 ", 0x08})));
  std::unique_ptr<IVolumeAnalyze> analyser(CreateFatVolumeAnalyze(&device, 0));

  std::vector<char> big(200, 'x');
  analyser->GetLabel(big.data(), 200);
  EXPECT_STREQ(big.data(), "LABEL12345");
  EXPECT_EQ(big[99], '\0');
  EXPECT_EQ(big[100], 'x');  // 100 bytes copied, no more

  std::vector<char> small(8, 'x');
  analyser->GetLabel(small.data(), 5);
  EXPECT_EQ(std::string(small.data(), 6), "LABELx");  // 5 bytes, no terminator
  analyser->GetLabel(small.data(), 0);
  analyser->GetLabel(nullptr, 10);
}

TEST(CFatVolumeAnalyze, UnreadableOrAbsurdDevicesAreUnknown) {
  // An unreadable boot sector hides the volume; another of the four sectors read at the start does not.
  for (const long long bad : {0, 2}) {
    MemoryDevice failing(200, 512);
    failing.Put(0, MakeBootSector(BootSectorFields{}));
    failing.ZeroWholeFailedReads();
    failing.FailSectors(bad, 1);
    std::unique_ptr<IVolumeAnalyze> a(CreateFatVolumeAnalyze(&failing, 0));
    EXPECT_EQ(a->GetFileSystemType() == FILE_SYSTEM_UNKNOWN, bad == 0) << bad;
    if (bad == 0) {
      EXPECT_EQ(a->GetTotalSector(), 0u);
    }
  }

  MemoryDevice tiny(3, 512);  // fewer than the four sectors read
  std::unique_ptr<IVolumeAnalyze> b(CreateFatVolumeAnalyze(&tiny, 0));
  EXPECT_EQ(b->GetFileSystemType(), FILE_SYSTEM_UNKNOWN);

  MemoryDevice huge(1, 1u << 20);
  std::unique_ptr<IVolumeAnalyze> c(CreateFatVolumeAnalyze(&huge, 0));
  EXPECT_EQ(c->GetFileSystemType(), FILE_SYSTEM_UNKNOWN);
  EXPECT_EQ(huge.ReadCalls(), 0);

  std::unique_ptr<IVolumeAnalyze> d(CreateFatVolumeAnalyze(nullptr, 0));
  EXPECT_EQ(d->GetFileSystemType(), FILE_SYSTEM_UNKNOWN);
  EXPECT_EQ(LabelOf(*d), "");
}

TEST(CFATVolume, ClusterToSector) {
  BootSectorFields f16;  // reserved 1, 2 x 32 FAT sectors, 512 root entries (32 sectors), 4 sectors a cluster
  const auto boot16 = MakeBootSector(f16);
  const auto boot32 = MakeBootSector(Fat32Fields());  // reserved 32, 2 x 1009, 1 sector a cluster
  const CTempFATDBR dbr16(boot16, 512);
  const CTempFATDBR dbr32(boot32, 512);
  MemoryDevice device(1, 512);
  CFATVolume volume(&device);
  EXPECT_EQ(volume.ConvertClusterToSector(1000, dbr16, 2), 1000u + 1 + 64 + 32);
  EXPECT_EQ(volume.ConvertClusterToSector(1000, dbr16, 5), 1000u + 1 + 64 + 32 + 12);
  EXPECT_EQ(volume.ConvertClusterToSector(0, dbr32, 70000), 32u + 2018 + 69998);
  EXPECT_EQ(volume.ConvertClusterToSector(0, dbr32, 1), CFATVolume::kNoSector);
  const auto unknown = MakeBootSector(BootSectorFields{.signature = false});
  EXPECT_EQ(volume.ConvertClusterToSector(0, CTempFATDBR(unknown, 512), 9), CFATVolume::kNoSector);
}

}  // namespace
}  // namespace quellsy::test
