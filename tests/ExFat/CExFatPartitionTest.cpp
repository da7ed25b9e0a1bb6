// Geometry and data runs: clusters to sectors and back, and the runs of contiguous, chained, looping and
// deleted files, each worked out by hand from the FAT and bitmap the test writes.

#include "ExFat/CExFatPartition.h"

#include <gtest/gtest.h>

#include <map>

#include "ExFat/CExFatFileNode.h"
#include "Utility/ByteReader.h"
#include "include/IDataRunList.h"
#include "support/MemoryDevice.h"

namespace quellsy::test {
namespace {

constexpr long long kFatStart = 4;
constexpr std::uint32_t kFatSectors = 2;  // 256 entries
constexpr long long kBitmapSector = 8;

// (first cluster from the heap, length in clusters)
using Runs = std::vector<std::pair<long long, long long>>;

Runs RunsOf(IDataRunList* list) {
  Runs runs;
  for (DataRun* run = list->GetFirst(); run != nullptr; run = list->GetNext()) runs.emplace_back(run->lcn, run->length);
  list->Release();
  return runs;
}

class ExFatPartitionTest : public testing::Test {
 protected:
  ExFatPartitionTest() : device(64, 512) {}

  // FAT entries (cluster -> next) and clusters in use in the bitmap; then the partition's geometry: 4096-byte
  // clusters (8 sectors), heap at sector 100, clusters below 200.
  void Prepare(const std::map<std::uint32_t, std::uint32_t>& fat, const std::vector<std::uint32_t>& used,
               bool bitmap) {
    FieldWriter writer(std::span(device.bytes()).subspan(kFatStart * 512));
    for (const auto& [cluster, next] : fat) writer.le32(std::size_t{cluster} * 4, next);
    for (const std::uint32_t cluster : used)
      device.bytes()[kBitmapSector * 512 + (cluster - 2) / 8] |= static_cast<std::uint8_t>(1u << ((cluster - 2) % 8));
    partition.m_bytesPerSector = 512;
    partition.m_sectorsPerCluster = 8;
    partition.m_bytesPerCluster = 4096;
    partition.m_heapStart = 100;
    partition.m_clusterLimit = 200;
    partition.CreateFatTable(&device, kFatStart, kFatSectors, 200);
    if (bitmap) partition.m_bitmap.Create(&device, kBitmapSector, 25);
  }

  MemoryDevice device;
  CExFatPartition partition;
};

TEST_F(ExFatPartitionTest, ClustersAndSectors) {
  Prepare({}, {}, false);
  EXPECT_EQ(partition.ConvertClusterNumToSector(0), 0);
  EXPECT_EQ(partition.ConvertClusterNumToSector(1), 0);
  EXPECT_EQ(partition.ConvertClusterNumToSector(2), 100);
  EXPECT_EQ(partition.ConvertClusterNumToSector(5), 124);
  EXPECT_EQ(partition.ConvertSectorToClusterNum(100), 2u);
  // Rounded up: the sector after the heap start belongs to cluster 2 but maps to 3.
  EXPECT_EQ(partition.ConvertSectorToClusterNum(101), 3u);
  EXPECT_EQ(partition.ConvertSectorToClusterNum(108), 3u);
  partition.m_sectorsPerCluster = 0;
  EXPECT_EQ(partition.ConvertSectorToClusterNum(108), 0u);
}

TEST_F(ExFatPartitionTest, NextClusterFromTheFatOrTheVolume) {
  Prepare({{5, 9}, {9, 250}, {10, 0xFFFFFFFF}}, {}, false);
  EXPECT_EQ(partition.GetNextCluster(5, 0), 9u);
  // At or above the cluster limit: no cluster.
  EXPECT_EQ(partition.GetNextCluster(9, 0), CFatTable::kNoCluster);
  EXPECT_EQ(partition.GetNextCluster(10, 0), CFatTable::kNoCluster);
  // A contiguous object goes on with the next cluster, up to the limit.
  EXPECT_EQ(partition.GetNextCluster(5, 1), 6u);
  EXPECT_EQ(partition.GetNextCluster(199, 1), CFatTable::kNoCluster);
}

struct RunCase {
  const char* name;
  std::map<std::uint32_t, std::uint32_t> fat;
  std::vector<std::uint32_t> used;
  bool bitmap;
  _tagFileBaseInfo info;
  Runs runs;
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

_tagFileBaseInfo File(std::int64_t length, std::uint32_t first, bool contiguous, bool inUse = true,
                      std::uint16_t attributes = 0x20) {
  _tagFileBaseInfo info;
  info.dataLength = length;
  info.firstCluster = first;
  info.noFatChain = contiguous ? 1 : 0;
  info.inUse = inUse ? 1 : 0;
  info.attributes = attributes;
  return info;
}

class ExFatDataRuns : public ExFatPartitionTest, public testing::WithParamInterface<RunCase> {};

TEST_P(ExFatDataRuns, AsWorkedOutFromTheChain) {
  const RunCase& c = GetParam();
  Prepare(c.fat, c.used, c.bitmap);
  EXPECT_EQ(RunsOf(partition.BuildFileDataRun(c.info)), c.runs);
}

constexpr std::uint32_t kEnd = 0xFFFFFFFF;

INSTANTIATE_TEST_SUITE_P(
    Files, ExFatDataRuns,
    testing::Values(
        RunCase{"ThreeBytesContiguous", {}, {}, false, File(3, 5, true), {{3, 1}}},
        RunCase{"ContiguousRoundsUp", {}, {}, false, File(4097, 5, true), {{3, 2}}},
        RunCase{"ChainMergesNeighbours", {{5, 9}, {9, 10}, {10, kEnd}}, {}, false, File(3 * 4096, 5, false),
                {{3, 1}, {7, 2}}},
        RunCase{"ChainLongerThanTheFile", {{5, 6}, {6, 7}, {7, kEnd}}, {}, false, File(4096, 5, false), {{3, 1}}},
        RunCase{"LoopEndsWithTheLength", {{5, 5}}, {}, false, File(3 * 4096, 5, false), {{3, 1}, {3, 1}, {3, 1}}},
        RunCase{"LiveChainCutByAFreeEntry", {{5, 0}}, {}, false, File(3 * 4096, 5, false), {{3, 1}}},
        RunCase{"DeletedFreedChainWithoutBitmap", {}, {}, false, File(3 * 4096, 5, false, false), {{3, 3}}},
        RunCase{"DeletedFreedChainSkipsClustersInUse", {}, {6, 8, 9}, true, File(3 * 4096, 5, false, false),
                {{3, 1}, {5, 1}, {8, 1}}},
        RunCase{"DeletedChainThatSurvivedIsFollowed", {{5, 20}, {20, kEnd}}, {}, true, File(2 * 4096, 5, false, false),
                {{3, 1}, {18, 1}}},
        RunCase{"Folder", {}, {}, false, File(4096, 5, true, true, 0x10), {}},
        RunCase{"Empty", {}, {}, false, File(0, 0, false), {}},
        RunCase{"ClusterOne", {}, {}, false, File(100, 1, false), {}},
        RunCase{"ClusterPastTheLast", {}, {}, false, File(100, 0xFFFFFFF6, true), {}}),
    [](const testing::TestParamInfo<RunCase>& param) { return std::string(param.param.name); });

TEST_F(ExFatPartitionTest, BuildFileCarriesTheEntrySet) {
  Prepare({}, {}, false);
  _tagFileBaseInfo info = File(5000, 7, true, false, 0x10);
  info.name = "Ordner";
  info.metadataSector = 123;
  CExFatFileNode* node = partition.BuildFile(info);
  ASSERT_NE(node, nullptr);
  EXPECT_STREQ(node->GetFileName(), "Ordner");
  EXPECT_EQ(node->GetFileSize(), 5000);
  EXPECT_EQ(node->GetAttribute(), 0x10);
  EXPECT_EQ(node->IsDirectory(), 1);
  EXPECT_EQ(node->IsDeleted(), 1);
  EXPECT_TRUE(node->IsFatInvalid());
  EXPECT_EQ(node->GetFirstCluster(), 7);
  EXPECT_EQ(node->GetMetadataStartPosition(), 123);
  EXPECT_EQ(node->GetSearcheType(), SEARCHER_EXFAT);
  node->Release();
}

}  // namespace
}  // namespace quellsy::test
