// The FAT complete search over whole-disk images made by sfdisk, mkfs.fat and mtools and then damaged, and
// over the public FAT12 floppy: which partitions are kept, with which evidence and score, and that every node
// carries the index of a kept partition whose sectors hold its data. Also the searcher's edges: unreadable
// sectors, a truncated image, no build, and a recorded first sector that does not fit the partition.

#include "FATSearch/CFATCompleteFSearcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "FATLib/CFATFileNode.h"
#include "FATLib/IFATTableFactory.h"
#include "FATSearch/CFATBuildWorker.h"
#include "FATSearch/CFATSearchedPartitionInfo.h"
#include "FATSearch/FatDiskImages.h"
#include "include/FileNode.h"
#include "support/MemoryDevice.h"
#include "support/PublicFixture.h"
#include "support/RecordingTreeBuilder.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy::test;
using Info = CFATSearchedPartitionInfo;

constexpr int kBlockSectors = 8192;

std::filesystem::path FloppyImage() { return PublicFixture("rust-fatfs/floppy.img"); }

struct CompleteScan {
  RecordingTreeBuilder builder;
  CFATCompleteFSearcher searcher;

  void Run(IStorageDevice& device, int build = 1, int blockSectors = kBlockSectors) {
    searcher.SetDevice(&device);
    searcher.SetBlockSize(blockSectors);
    searcher.SetDirecotryTreeBuilder(&builder);
    searcher.PreparetoSearch();
    const long long total = device.GetTotalSectors();
    for (long long first = 0; first < total; first += blockSectors)
      searcher.AnalyzeBlock(first, std::min<long long>(blockSectors, total - first));
    searcher.EndSearch(build);
  }
};

// Every node names a kept partition, and a file's runs lie inside that partition.
void ExpectNodesInTheirPartitions(const CompleteScan& scan) {
  const auto& partitions = scan.searcher.Partitions();
  for (const RecordingTreeBuilder::Node& node : scan.builder.nodes()) {
    const auto* fileNode = dynamic_cast<const CFileNode*>(node.node);
    ASSERT_NE(fileNode, nullptr);
    const std::uint16_t index = fileNode->GetBelongedPartition();
    ASSERT_LT(index, partitions.size()) << node.name;
    const Info& partition = *partitions[index];
    const long long end = partition.GetStartSector() + static_cast<long long>(partition.GetTotalSectors());
    for (const DataRun& run : node.runs) {
      const long long first = partition.GetClusterOrigin() + run.lcn * partition.GetSectorsPerCluster();
      EXPECT_GE(first, partition.GetStartSector()) << node.name;
      EXPECT_LE(first + run.length * partition.GetSectorsPerCluster(), end) << node.name;
    }
  }
}

struct ExpectedPartition {
  long long start;  // -1: not checked (inferred partitions)
  enumFILE_SYSTEM_TYPE type;
  std::uint32_t sectorsPerCluster;
  std::uint32_t present;
  std::uint32_t absent;
  std::uint64_t score;
};

struct DiskCase {
  const char* name;
  const char* image;  // made by make-fat-disk-images.sh; "floppy" for the public fixture
  std::vector<ExpectedPartition> partitions;
};

class CompleteSearchDiskTest : public testing::TestWithParam<DiskCase> {};

TEST_P(CompleteSearchDiskTest, KeepsTheCrediblePartitionsWithTheirEvidenceAndScore) {
  const DiskCase& c = GetParam();
  std::filesystem::path image;
  if (std::string(c.image) == "floppy") {
    image = FloppyImage();
    ASSERT_TRUE(std::filesystem::exists(image));
  } else {
    const FatDiskImages* images = FatDiskImages::Get();
    QUELLSY_REQUIRE_FIXTURE(images->Fixture());
    image = images->Image(c.image);
  }
  MemoryDevice device(ReadFile(image), 512, STORAGE_DEVICE_DISK);
  CompleteScan scan;
  scan.Run(device);

  const auto& kept = scan.searcher.Partitions();
  ASSERT_EQ(kept.size(), c.partitions.size());
  for (std::size_t i = 0; i < kept.size(); ++i) {
    const ExpectedPartition& want = c.partitions[i];
    const Info& got = *kept[i];
    SCOPED_TRACE("partition " + std::to_string(i));
    if (want.start >= 0) {
      EXPECT_EQ(got.GetStartSector(), want.start);
    }
    EXPECT_EQ(got.GetPartitionIndex(), i);
    EXPECT_EQ(got.GetFileSystemType(), want.type);
    EXPECT_EQ(got.GetSectorsPerCluster(), want.sectorsPerCluster);
    EXPECT_EQ(got.GetFlags() & want.present, want.present) << std::hex << got.GetFlags();
    EXPECT_EQ(got.GetFlags() & want.absent, 0u) << std::hex << got.GetFlags();
    EXPECT_EQ(got.GetFlag(), want.score);
  }
  if (kept.empty()) {
    EXPECT_TRUE(scan.builder.searchers().empty());
    EXPECT_TRUE(scan.builder.flushes().empty());
    EXPECT_TRUE(scan.builder.nodes().empty());
    return;
  }
  EXPECT_EQ(scan.builder.searchers(), (std::vector<std::pair<_tagSearcherType, long long>>{{SEARCHER_FAT, 0}}));
  EXPECT_EQ(scan.builder.flushes(), (std::vector<_tagSearcherType>{SEARCHER_FAT}));
  ASSERT_EQ(scan.builder.partitionDevices().size(), 1u);
  EXPECT_EQ(scan.builder.partitionDevices()[0].first, nullptr);
  EXPECT_FALSE(scan.builder.nodes().empty());
  ExpectNodesInTheirPartitions(scan);

  // The records handed out are caller-owned clones that keep the geometry.
  const int count = scan.searcher.GetSearchedPartitionInfo(nullptr, 0);
  ASSERT_EQ(count, static_cast<int>(kept.size()));
  std::vector<CSearchedPartitionInfo*> out(kept.size(), nullptr);
  EXPECT_EQ(scan.searcher.GetSearchedPartitionInfo(out.data(), count - 1), 0);
  EXPECT_EQ(out[0], nullptr);
  ASSERT_EQ(scan.searcher.GetSearchedPartitionInfo(out.data(), count), count);
  for (int i = 0; i < count; ++i) {
    std::unique_ptr<CSearchedPartitionInfo> clone(out[static_cast<std::size_t>(i)]);
    EXPECT_EQ(clone->GetType(), 1) << "the FAT record type";
    EXPECT_EQ(clone->GetClusterOrigin(), kept[static_cast<std::size_t>(i)]->GetClusterOrigin());
    EXPECT_EQ(clone->GetPartitionIndex(), i);
  }
}

constexpr std::uint32_t kBothFATs = Info::kFlagFirstFAT | Info::kFlagSecondFAT;

INSTANTIATE_TEST_SUITE_P(
    Images, CompleteSearchDiskTest,
    testing::Values(
        DiskCase{"mbrZeroed", "mbr-zeroed.img",
                 {{2048, FILE_SYSTEM_FAT32, 1, Info::kFlagFAT32Boot | Info::kFlagFAT32Backup | kBothFATs, 0, 100},
                  {75776, FILE_SYSTEM_FAT16, 2, Info::kFlagFAT16Boot | kBothFATs, 0, 100}}},
        DiskCase{"fat32BackupBootSectorAndOneFat", "fat32-backup.img",
                 {{2048, FILE_SYSTEM_FAT32, 1, Info::kFlagFAT32Backup | Info::kFlagFirstFAT,
                   Info::kFlagFAT32Boot | Info::kFlagSecondFAT, 90}}},
        DiskCase{"fat16InferredFromSubFolders", "fat16-noboot.img",
                 {{-1, FILE_SYSTEM_FAT16, 4, Info::kFlagSubFolder, Info::kBootFlags | kBothFATs, 20}}},
        DiskCase{"bootSectorNothingConfirms", "fat16-unconfirmed.img", {}},
        DiskCase{"reformattedFat32", "fat32-reformatted.img",
                 {{2048, FILE_SYSTEM_FAT32, 1, Info::kFlagFAT32Boot | Info::kFlagFAT32Backup | kBothFATs, 0, 100}}},
        DiskCase{"fat12Floppy", "floppy", {{0, FILE_SYSTEM_FAT12, 1, Info::kFlagFAT12Boot | kBothFATs, 0, 100}}}),
    [](const testing::TestParamInfo<DiskCase>& param) { return std::string(param.param.name); });

TEST(CompleteSearchTest, InferredPartitionHasTheDataAreaOfTheLostBootSector) {
  const FatDiskImages* images = FatDiskImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  MemoryDevice device(ReadFile(images->Image("fat16-noboot.img")), 512, STORAGE_DEVICE_DISK);
  CompleteScan scan;
  scan.Run(device);
  ASSERT_EQ(scan.searcher.Partitions().size(), 1u);
  const Info& partition = *scan.searcher.Partitions()[0];
  EXPECT_EQ(partition.GetClusterOrigin(), std::stoll(images->Manifest("fat16-noboot.img").facts.at("origin")));
  EXPECT_GE(partition.GetSecondCounter(), 2);  // /docs/sub and /pics confirm what /docs inferred
  // Nothing of the lost boot sector survives but the data area: one reserved sector, two FATs and a
  // 512-entry root folder are assumed before it.
  EXPECT_EQ(partition.GetReservedSectors(), 1);
  EXPECT_EQ(partition.GetRootInfo(), 32u);
  EXPECT_EQ(partition.GetStartSector() + 1 + 2 * partition.GetSectorsPerFAT() + 32, partition.GetClusterOrigin());
}

TEST(CompleteSearchTest, UnreadablePiecesAreReadSectorBySectorAndTruncatedImagesStayInBounds) {
  const std::filesystem::path floppy = FloppyImage();
  ASSERT_TRUE(std::filesystem::exists(floppy));
  // One bad sector (inside stage2's data) fails the whole piece read; the boot sector, both FATs and the
  // folders are still seen.
  MemoryDevice failing(ReadFile(floppy), 512, STORAGE_DEVICE_DISK);
  failing.FailSectors(200, 1);
  CompleteScan withBadSector;
  withBadSector.Run(failing);
  ASSERT_EQ(withBadSector.searcher.Partitions().size(), 1u);
  EXPECT_EQ(withBadSector.searcher.Partitions()[0]->GetFlag(), 100u);
  EXPECT_NE(withBadSector.builder.Find("grub"), nullptr);

  // A floppy cut after 100 sectors: the boot sector's total is cut to the image, nothing reads past it.
  std::vector<std::uint8_t> bytes = ReadFile(floppy);
  bytes.resize(100 * 512);
  MemoryDevice truncated(std::move(bytes), 512, STORAGE_DEVICE_DISK);
  CompleteScan scan;
  scan.Run(truncated);
  ASSERT_EQ(scan.searcher.Partitions().size(), 1u);
  EXPECT_EQ(scan.searcher.Partitions()[0]->GetTotalSectors(), 100u);
  ExpectNodesInTheirPartitions(scan);
}

TEST(CompleteSearchTest, NothingIsReadWithoutDeviceOrBlockSizeAndNothingBuiltWithoutBuild) {
  const std::filesystem::path floppy = FloppyImage();
  ASSERT_TRUE(std::filesystem::exists(floppy));
  MemoryDevice device(ReadFile(floppy), 512, STORAGE_DEVICE_DISK);
  CFATCompleteFSearcher searcher;
  searcher.AnalyzeBlock(0, 100);
  searcher.SetDevice(&device);
  searcher.AnalyzeBlock(0, 100);  // block size still 0
  EXPECT_EQ(device.ReadCalls(), 0);

  CompleteScan scan;
  scan.Run(device, 0);
  EXPECT_GT(scan.searcher.Candidates().Size(), 0u);
  EXPECT_TRUE(scan.searcher.Partitions().empty());
  EXPECT_EQ(scan.searcher.GetSearchedPartitionInfo(nullptr, 0), 0);
  EXPECT_TRUE(scan.builder.searchers().empty());
  EXPECT_TRUE(scan.builder.nodes().empty());
}

// The worker alone over the floppy, with directory records of its own choosing.
TEST(CompleteBuildTest, FirstSectorsThatDoNotFitThePartitionAreIgnoredAndLostClustersGiveLostFiles) {
  const std::filesystem::path floppy = FloppyImage();
  ASSERT_TRUE(std::filesystem::exists(floppy));
  MemoryDevice device(ReadFile(floppy), 512, STORAGE_DEVICE_DISK);
  // Floppy geometry: FATs at 1 and 10, root folder 19-32, cluster 2 at sector 33, one sector a cluster.
  Info partition;
  partition.SetPartitionIndex(3);
  std::unique_ptr<IFATTable, void (*)(IFATTable*)> table(
      IFATTableFactory::CreateFATTable(&device, 1, FILE_SYSTEM_FAT12, 9, 1, 0), IFATTableFactory::DestroyFATTable);
  FATBuildWorkerLayout layout;
  layout.geometry = {FILE_SYSTEM_FAT12, 1, 0, FATBuildWorkerLayout::kNoRootSector, 0, 33, 2880};
  layout.bootSectorKnown = false;
  RecordingTreeBuilder builder;
  CFATBuildWorker worker(&builder, nullptr, &partition, &device, table.get(), layout);
  CFATBuildWorker::ResetTempFileNodeCounter();

  CFATFolderSectorSet records;
  records.Add({33, 2, 0});  // grub: its own cluster, parent lost (no root without a boot sector)
  // rafos's cluster taken for a plain directory sector: no folder claims it, its entries are lost files.
  records.Add({35, FIRSTFOLDERSECTOR::kNoCluster, FIRSTFOLDERSECTOR::kNoCluster});
  records.Add({36, 99, 0});  // claims cluster 99 but lies where cluster 5 does: not this partition's
  worker.CompleteBuildDirectoryTree(records);

  const RecordingTreeBuilder::Node* placeholder = builder.Find("DIR0");
  ASSERT_NE(placeholder, nullptr);
  EXPECT_EQ(placeholder->id, 2);
  EXPECT_TRUE(placeholder->directory);
  EXPECT_TRUE(placeholder->deleted);
  EXPECT_EQ(builder.Find("DIR1"), nullptr);  // none for cluster 99, and the lost cluster's one is not handed in
  const RecordingTreeBuilder::Node* stage1 = builder.Find("stage1");
  ASSERT_NE(stage1, nullptr);
  EXPECT_EQ(stage1->parentId, 2);
  const RecordingTreeBuilder::Node* kernel = builder.Find("kernel.bin");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(kernel->parentId, FIRSTFOLDERSECTOR::kNoCluster);
  EXPECT_TRUE(kernel->deleted);
  EXPECT_EQ(kernel->size, 57344);
  for (const RecordingTreeBuilder::Node& node : builder.nodes()) {
    const auto* fileNode = dynamic_cast<const CFileNode*>(node.node);
    ASSERT_NE(fileNode, nullptr);
    EXPECT_EQ(fileNode->GetBelongedPartition(), 3) << node.name;
    EXPECT_NE(node.id, 99) << node.name;
  }
}

}  // namespace
