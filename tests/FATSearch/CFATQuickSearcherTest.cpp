// The FAT quick scan over mkfs.fat + mtools images: every manifest file found with its size and deleted flag,
// the partition record, every refusal with its code, stops, and the final record on every path.

#include "FATSearch/CFATQuickSearcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "FATLib/FatNodeImages.h"
#include "FATSearch/CFATSearchedPartitionInfo.h"
#include "FATSearch/FATSearchErrors.h"
#include "FATSearch/QuickScanTestSupport.h"
#include "support/PublicFixture.h"
#include "support/fixtures/FatImages.h"

namespace {

using namespace quellsy::test;
namespace fatsearch = quellsy::fatsearch;

std::vector<std::uint8_t> ImageBytes(const std::string& name,
                                     const std::function<void(std::vector<std::uint8_t>&)>& damage = {}) {
  std::vector<std::uint8_t> bytes = ReadFile(FatTestImage(name));
  if (damage) damage(bytes);
  return bytes;
}

void Zero(std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t count) {
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), count, std::uint8_t{0});
}

struct Scan {
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  CFATQuickSearcher searcher;
  quellsy::ResultCode result = 1;

  void Run(IStorageDevice* device) {
    searcher.SetDirecotryTreeBuilder(&builder);
    result = searcher.QuickSearchFiles(device, &progress);
  }
  // The last report is the final record: state 3, 100 of 100, the result.
  void ExpectFinalRecord() const {
    ASSERT_FALSE(progress.reports.empty());
    const _PROGRESS_INFO& last = progress.reports.back();
    EXPECT_EQ(last.status, PROGRESS_STATUS_FINISHED);
    EXPECT_EQ(last.total, 100u);
    EXPECT_EQ(last.current, 100u);
    EXPECT_EQ(last.result, result);
    EXPECT_EQ(last.text[0], '\0');
  }
};

struct ManifestCase {
  const char* name;
  const char* image;
  enumFILE_SYSTEM_TYPE type;
  unsigned sectorSize;
  std::function<void(std::vector<std::uint8_t>&)> damage;
};

class QuickScanManifestTest : public testing::TestWithParam<ManifestCase> {};

TEST_P(QuickScanManifestTest, FindsEveryManifestFileWithSizeAndDeletedFlag) {
  const ManifestCase& c = GetParam();
  QUELLSY_REQUIRE_FIXTURE(FatTestFixture(c.image));
  QuickVolume volume(ImageBytes(c.image, c.damage), c.type, c.sectorSize);
  Scan scan;
  scan.Run(&volume.device);
  EXPECT_EQ(scan.result, quellsy::kResultOk);
  scan.ExpectFinalRecord();

  const auto paths = NodesByPath(scan.builder);
  std::size_t files = 0;
  for (const auto& [path, node] : paths) files += node->directory ? 0 : 1;
  const std::vector<ExpectedFile> expected = ExpectedFiles(c.image);
  ASSERT_FALSE(expected.empty());
  for (const ExpectedFile& file : expected) {
    const auto found = paths.find(file.shownPath);
    ASSERT_NE(found, paths.end()) << file.shownPath;
    EXPECT_EQ(static_cast<std::uint64_t>(found->second->size), file.size) << file.shownPath;
    EXPECT_EQ(found->second->deleted, file.deleted) << file.shownPath;
    EXPECT_EQ(found->second->searcher, SEARCHER_FAT);
  }
  EXPECT_EQ(files, expected.size()) << "files beyond the manifest";

  // One tree: announced, then built once with the volume's record and the device.
  EXPECT_EQ(scan.builder.searchers(), (std::vector<std::pair<_tagSearcherType, long long>>{{SEARCHER_FAT, 0}}));
  EXPECT_EQ(scan.builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_FAT});
  ASSERT_EQ(scan.builder.partitionDevices().size(), 1u);
  EXPECT_NE(scan.builder.partitionDevices()[0].first, nullptr);
  EXPECT_EQ(scan.builder.partitionDevices()[0].second, &volume.device);

  // The walk's reports: state 2, out of 100, never going back, ending at 100.
  std::uint64_t last = 0;
  for (std::size_t i = 0; i + 1 < scan.progress.reports.size(); ++i) {
    const _PROGRESS_INFO& report = scan.progress.reports[i];
    EXPECT_EQ(report.status, PROGRESS_STATUS_RUNNING);
    EXPECT_EQ(report.total, 100u);
    EXPECT_GE(report.current, last);
    last = report.current;
  }
  EXPECT_EQ(last, 100u);
}

INSTANTIATE_TEST_SUITE_P(
    Images, QuickScanManifestTest,
    testing::Values(ManifestCase{"Fat16", "fat16.img", FILE_SYSTEM_FAT16, 512, {}},
                    ManifestCase{"Fat16FourKSectors", "fat16-4k.img", FILE_SYSTEM_FAT16, 4096, {}},
                    ManifestCase{"Fat16FirstFatDamaged", "fat16-badfat1.img", FILE_SYSTEM_FAT16, 512, {}},
                    ManifestCase{"Fat32", "fat32.img", FILE_SYSTEM_FAT32, 512, {}},
                    ManifestCase{"NodesFat16", "nodes16.img", FILE_SYSTEM_FAT16, 512, {}},
                    // Deleted entries whose high cluster word was cleared, as Windows leaves them.
                    ManifestCase{"NodesFat32", "nodes32.img", FILE_SYSTEM_FAT32, 512, {}},
                    // Sector 0 gone: the backup boot sector at 6 describes the same volume.
                    ManifestCase{"Fat32BootSectorZeroed", "fat32.img", FILE_SYSTEM_FAT32, 512,
                                 [](std::vector<std::uint8_t>& bytes) { Zero(bytes, 0, 512); }}),
    [](const testing::TestParamInfo<ManifestCase>& param) { return std::string(param.param.name); });

struct RefusalCase {
  const char* name;
  quellsy::ResultCode expected;
  bool treeBuilt;  // the volume was taken as FAT16/32, so the builder still builds (an empty) tree
  // Makes the device to scan (null for none); may leave the scan without builder or progress.
  std::function<IStorageDevice*(std::unique_ptr<QuickVolume>&, Scan&, bool& withProgress)> setup;
};

IStorageDevice* Volume(std::unique_ptr<QuickVolume>& volume, std::vector<std::uint8_t> bytes,
                       enumFILE_SYSTEM_TYPE type, unsigned sectorSize = 512) {
  volume = std::make_unique<QuickVolume>(std::move(bytes), type, sectorSize);
  return &volume->device;
}

class QuickScanRefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(QuickScanRefusalTest, RefusesWithItsCodeAndStillSendsTheFinalRecord) {
  QUELLSY_REQUIRE_FIXTURE(FatImages::Get()->Fixture());
  const RefusalCase& c = GetParam();
  std::unique_ptr<QuickVolume> volume;
  Scan scan;
  bool withProgress = true;
  IStorageDevice* device = c.setup(volume, scan, withProgress);
  if (scan.result == 1) scan.searcher.SetDirecotryTreeBuilder(&scan.builder);
  scan.result = scan.searcher.QuickSearchFiles(device, withProgress ? &scan.progress : nullptr);
  EXPECT_EQ(scan.result, c.expected);
  if (withProgress) {
    ASSERT_EQ(scan.progress.reports.size(), 1u);
    scan.ExpectFinalRecord();
  }
  EXPECT_TRUE(scan.builder.nodes().empty());
  EXPECT_TRUE(scan.builder.searchers().empty());
  if (c.treeBuilt) {
    EXPECT_EQ(scan.builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_FAT});
    ASSERT_EQ(scan.builder.partitionDevices().size(), 1u);
    EXPECT_EQ(scan.builder.partitionDevices()[0].first, nullptr);
  } else {
    EXPECT_TRUE(scan.builder.flushes().empty());
  }
  EXPECT_EQ(scan.searcher.GetSearchedPartitionInfo(nullptr, 0), 0);
}

// For refusals that come before any read.
std::vector<std::uint8_t> Blank() { return std::vector<std::uint8_t>(64 * 512); }

INSTANTIATE_TEST_SUITE_P(
    Codes, QuickScanRefusalTest,
    testing::Values(
        RefusalCase{"NoDevice", fatsearch::kQuickMissingArgument, false,
                    [](auto&, Scan&, bool&) -> IStorageDevice* { return nullptr; }},
        RefusalCase{"NoProgress", fatsearch::kQuickMissingArgument, false,
                    [](auto& v, Scan&, bool& withProgress) {
                      withProgress = false;
                      return Volume(v, Blank(), FILE_SYSTEM_FAT16);
                    }},
        RefusalCase{"NoTreeBuilder", fatsearch::kQuickNoTreeBuilder, false,
                    [](auto& v, Scan& scan, bool&) {
                      scan.result = 0;  // leaves the builder unset
                      return Volume(v, Blank(), FILE_SYSTEM_FAT16);
                    }},
        RefusalCase{"WholeDisk", fatsearch::kQuickNotVolume, false,
                    [](auto& v, Scan&, bool&) {
                      v = std::make_unique<QuickVolume>(Blank(), FILE_SYSTEM_FAT16, 512, STORAGE_DEVICE_DISK);
                      return &v->device;
                    }},
        RefusalCase{"NoVolumeData", fatsearch::kQuickNoVolumeData, false,
                    [](auto& v, Scan&, bool&) {
                      IStorageDevice* device = Volume(v, Blank(), FILE_SYSTEM_FAT16);
                      v->device.SetPrivateData(nullptr);
                      return device;
                    }},
        RefusalCase{"NoVolumeRecord", fatsearch::kQuickNoVolumeRecord, false,
                    [](auto& v, Scan&, bool&) {
                      IStorageDevice* device = Volume(v, Blank(), FILE_SYSTEM_FAT16);
                      delete v->holder->GetRecord();
                      v->holder->SetRecord(nullptr);
                      return device;
                    }},
        RefusalCase{"Fat12", fatsearch::kQuickUnsupportedType, false,
                    [](auto& v, Scan&, bool&) { return Volume(v, ImageBytes("fat12.img"), FILE_SYSTEM_FAT12); }},
        RefusalCase{"Ntfs", fatsearch::kQuickUnsupportedType, false,
                    [](auto& v, Scan&, bool&) { return Volume(v, Blank(), FILE_SYSTEM_NTFS); }},
        RefusalCase{"AbsurdSectorSize", fatsearch::kQuickNoSectorBuffer, true,
                    [](auto& v, Scan&, bool&) {
                      return Volume(v, std::vector<std::uint8_t>(1 << 20), FILE_SYSTEM_FAT16, 1 << 20);
                    }},
        RefusalCase{"Fat16BootSectorZeroed", fatsearch::kQuickNoBootSector, true,
                    [](auto& v, Scan&, bool&) {
                      return Volume(v, ImageBytes("fat16-zeroboot.img"), FILE_SYSTEM_FAT16);
                    }},
        RefusalCase{"Fat32BothBootSectorsZeroed", fatsearch::kQuickNoBootSector, true,
                    [](auto& v, Scan&, bool&) {
                      return Volume(v, ImageBytes("fat32-nolabel.img", [](auto& bytes) {
                                      Zero(bytes, 0, 512);
                                      Zero(bytes, 6 * 512, 512);
                                    }),
                                    FILE_SYSTEM_FAT32);
                    }},
        // Total sectors of 64 (16-bit field, 32-bit field cleared): the two FATs alone are larger.
        RefusalCase{"FatsLargerThanVolume", fatsearch::kQuickNoBootSector, true,
                    [](auto& v, Scan&, bool&) {
                      return Volume(v, ImageBytes("fat16.img", [](auto& bytes) {
                                      bytes[19] = 64;
                                      bytes[20] = 0;
                                      Zero(bytes, 32, 4);
                                    }),
                                    FILE_SYSTEM_FAT16);
                    }},
        // Neither FAT starts like a FAT: the boot sector alone is not trusted.
        RefusalCase{"NoFatFirstSector", fatsearch::kQuickNoBootSector, true,
                    [](auto& v, Scan&, bool&) {
                      return Volume(v, ImageBytes("fat16.img", [](auto& bytes) {
                                      const std::size_t reserved = bytes[14] | (bytes[15] << 8);
                                      const std::size_t perFat = bytes[22] | (bytes[23] << 8);
                                      Zero(bytes, reserved * 512, 512);
                                      Zero(bytes, (reserved + perFat) * 512, 512);
                                    }),
                                    FILE_SYSTEM_FAT16);
                    }}),
    [](const testing::TestParamInfo<RefusalCase>& param) { return std::string(param.param.name); });

TEST(CFATQuickSearcherTest, PartitionRecordFollowsTheCoresContract) {
  const FatImages* images = FatImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  struct Case {
    const char* image;
    enumFILE_SYSTEM_TYPE type;
    std::uint32_t flags;
  };
  for (const Case& c : {Case{"fat16.img", FILE_SYSTEM_FAT16, 0x3C3}, Case{"fat32.img", FILE_SYSTEM_FAT32, 0x3CC}}) {
    SCOPED_TRACE(c.image);
    const std::vector<std::uint8_t> bytes = ImageBytes(c.image);
    const std::uint32_t reserved = bytes[14] | (bytes[15] << 8);
    const std::uint32_t perFat = c.type == FILE_SYSTEM_FAT32
                                     ? bytes[36] | (bytes[37] << 8) | (bytes[38] << 16) | (std::uint32_t{bytes[39]} << 24)
                                     : bytes[22] | (bytes[23] << 8);
    const std::uint32_t rootSectors = (bytes[17] | (bytes[18] << 8)) * 32u / 512;
    const std::uint32_t total = static_cast<std::uint32_t>(bytes.size() / 512);
    const std::uint32_t origin = reserved + 2 * perFat + rootSectors;
    const std::uint32_t perCluster = bytes[13];

    QuickVolume volume(bytes, c.type);
    Scan scan;
    EXPECT_EQ(scan.searcher.GetSearchedPartitionInfo(nullptr, 0), 0);
    scan.Run(&volume.device);
    ASSERT_EQ(scan.result, quellsy::kResultOk);

    EXPECT_EQ(scan.searcher.GetSearchedPartitionInfo(nullptr, 0), 1);
    CSearchedPartitionInfo* untouched = reinterpret_cast<CSearchedPartitionInfo*>(0x1);
    EXPECT_EQ(scan.searcher.GetSearchedPartitionInfo(&untouched, 0), 0);
    EXPECT_EQ(untouched, reinterpret_cast<CSearchedPartitionInfo*>(0x1));

    CSearchedPartitionInfo* out[2] = {nullptr, nullptr};
    ASSERT_EQ(scan.searcher.GetSearchedPartitionInfo(out, 2), 1);
    const std::unique_ptr<CSearchedPartitionInfo> clone(out[0]);
    EXPECT_EQ(out[1], nullptr);
    auto* fat = dynamic_cast<CFATSearchedPartitionInfo*>(clone.get());
    ASSERT_NE(fat, nullptr);
    EXPECT_NE(fat, scan.builder.partitionDevices()[0].first) << "a clone, not the searcher's own record";
    EXPECT_EQ(fat->GetType(), 1);
    EXPECT_EQ(fat->GetPartitionIndex(), 0);
    EXPECT_EQ(fat->GetFileSystemType(), c.type);
    EXPECT_EQ(fat->GetStartSector(), 0);
    EXPECT_EQ(fat->GetClusterOrigin(), origin);
    EXPECT_EQ(fat->GetSectorsPerCluster(), perCluster);
    EXPECT_EQ(fat->GetTotalSectors(), total);
    EXPECT_EQ(fat->GetReservedSectors(), reserved);
    EXPECT_EQ(fat->GetSectorsPerFAT(), perFat);
    EXPECT_EQ(fat->GetTotalClusters(), (total - origin) / perCluster);
    EXPECT_EQ(fat->GetRootInfo(), c.type == FILE_SYSTEM_FAT32 ? 2u : rootSectors);
    EXPECT_EQ(fat->GetFlags(), c.flags);
  }
}

TEST(CFATQuickSearcherTest, StopThroughContinuedStillBuildsWhatWasFoundAndSendsTheFinalRecord) {
  const FatImages* images = FatImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  // 0: the root's entries only; 2: the root and two of its folders.
  for (const int stopAfter : {0, 2}) {
    SCOPED_TRACE(stopAfter);
    QuickVolume volume(images->Image("fat16.img"), FILE_SYSTEM_FAT16);
    Scan scan;
    scan.progress.stopAfter = stopAfter;
    scan.Run(&volume.device);
    EXPECT_EQ(scan.result, fatsearch::kStopped);
    scan.ExpectFinalRecord();
    EXPECT_EQ(scan.progress.asked, stopAfter + 1);
    EXPECT_EQ(scan.builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_FAT});
    const auto paths = NodesByPath(scan.builder);
    EXPECT_EQ(paths.count("/README.TXT"), 1u);
    EXPECT_EQ(paths.count("/docs/deep/nested file.bin"), 0u) << "walked past the stop";
  }
}

// A root of which nothing can be read ends the scan with its code; one unreadable sector of it costs only the
// entries it holds. The device fails whole reads over a bad sector, as a disk does.
TEST(CFATQuickSearcherTest, UnreadableRootEndsWithItsCodeAndAnEmptyTree) {
  QUELLSY_REQUIRE_FIXTURE(FatImages::Get()->Fixture());
  struct Case {
    const char* image;
    enumFILE_SYSTEM_TYPE type;
    bool whole;
  };
  // mkfs.fat puts the FAT32 root in cluster 2, one sector long on this image: only the FAT16 root, 32 sectors
  // read at once, has sectors that stay readable when one fails.
  for (const Case& c : {Case{"fat16.img", FILE_SYSTEM_FAT16, true}, Case{"fat32.img", FILE_SYSTEM_FAT32, true},
                        Case{"fat16.img", FILE_SYSTEM_FAT16, false}}) {
    SCOPED_TRACE(std::string(c.image) + (c.whole ? " whole root" : " its last sector"));
    QuickVolume volume(ImageBytes(c.image), c.type);
    const std::vector<std::uint8_t>& bytes = volume.device.bytes();
    const long long reserved = bytes[14] | (bytes[15] << 8);
    const long long perFat = c.type == FILE_SYSTEM_FAT32 ? bytes[36] | (bytes[37] << 8) : bytes[22] | (bytes[23] << 8);
    // The fixed root of FAT16 (its entries' sectors), or cluster 2 and on (the most a folder read takes at once).
    const long long rootSectors = c.type == FILE_SYSTEM_FAT32 ? 128 : (bytes[17] | (bytes[18] << 8)) * 32 / 512;
    const long long root = reserved + 2 * perFat;
    Scan undamaged;
    undamaged.Run(&volume.device);
    ASSERT_EQ(undamaged.result, quellsy::kResultOk);
    ASSERT_FALSE(undamaged.builder.nodes().empty());

    volume.device.ZeroWholeFailedReads();
    if (c.whole) {
      volume.device.FailSectors(root, rootSectors);
    } else {
      // The entries of this small root all lie in its first sector: its last one holds none.
      volume.device.FailSectors(root + rootSectors - 1, 1);
    }
    Scan scan;
    scan.Run(&volume.device);
    scan.ExpectFinalRecord();
    EXPECT_EQ(scan.builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_FAT});
    if (c.whole) {
      EXPECT_EQ(scan.result, fatsearch::kRootUnreadable);
      EXPECT_TRUE(scan.builder.nodes().empty());
    } else {
      EXPECT_EQ(scan.result, quellsy::kResultOk);
      EXPECT_EQ(scan.builder.nodes().size(), undamaged.builder.nodes().size());
    }
  }
}

TEST(CFATQuickSearcherTest, PublicFat12FloppyIsRefusedWithTheFat12Code) {
  const std::filesystem::path floppy = PublicFixture("rust-fatfs/floppy.img");
  ASSERT_TRUE(std::filesystem::exists(floppy));
  QuickVolume volume(floppy, FILE_SYSTEM_FAT12);
  Scan scan;
  scan.Run(&volume.device);
  EXPECT_EQ(scan.result, fatsearch::kQuickUnsupportedType);
  scan.ExpectFinalRecord();
  EXPECT_TRUE(scan.builder.nodes().empty());
}

TEST(CFATQuickSearcherTest, BootSectorIsNotFullyValidWithoutADeviceToReadItsFats) {
  const FatImages* images = FatImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  QuickVolume volume(images->Image("fat32.img"), FILE_SYSTEM_FAT32);
  const std::vector<std::uint8_t> boot(volume.device.bytes().begin(), volume.device.bytes().begin() + 512);
  EXPECT_TRUE(CFATQuickSearcher::IsFullValidDBR(boot, 0, &volume.device));
  EXPECT_FALSE(CFATQuickSearcher::IsFullValidDBR(boot, 0, nullptr));
  // From another partition start, neither FAT lies where the boot sector says.
  EXPECT_FALSE(CFATQuickSearcher::IsFullValidDBR(boot, 1000, &volume.device));
}

}  // namespace
