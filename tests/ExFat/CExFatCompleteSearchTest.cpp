// The exFAT complete searcher driven block by block over in-memory devices: which sectors it analyses at block
// boundaries, its refusals, its partition records, and the end of a search that builds nothing.

#include "ExFat/CExFatCompleteSearch.h"

#include <gtest/gtest.h>

#include "ExFat/ExFatTestBytes.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"

namespace quellsy::test {
namespace {

using namespace exfatbytes;

constexpr int kBlock = 16;
constexpr long long kDeviceSectors = 64;

// Feeds the device in blocks of kBlock sectors, as the controller does.
void Scan(CExFatCompleteSearch& searcher, MemoryDevice& device, RecordingTreeBuilder& builder) {
  searcher.SetDevice(&device);
  searcher.SetBlockSize(kBlock);
  searcher.SetDirecotryTreeBuilder(&builder);
  searcher.PreparetoSearch();
  for (long long first = 0; first < kDeviceSectors; first += kBlock)
    ASSERT_TRUE(searcher.AnalyzeBlockChecked(first, std::min<long long>(kBlock, kDeviceSectors - first)));
}

struct BoundaryCase {
  const char* name;
  long long bootSector;
  bool seen;
};

class BlockBoundaryTest : public testing::TestWithParam<BoundaryCase> {};

TEST_P(BlockBoundaryTest, BootSectorIsAnalysedUnlessItLiesInTheDevicesLastTwoSectors) {
  MemoryDevice device(kDeviceSectors, 512);
  device.Put(static_cast<std::size_t>(GetParam().bootSector) * 512, BootSector({}));
  RecordingTreeBuilder builder;
  CExFatCompleteSearch searcher;
  Scan(searcher, device, builder);
  bool found = false;
  for (const CExFatPartitionEx* c : searcher.Builder().Candidates())
    found = found || (c->m_partitionStart == static_cast<std::uint64_t>(GetParam().bootSector) &&
                      c->m_flags == CExFatPartitionEx::kMainBoot);
  EXPECT_EQ(found, GetParam().seen);
}

// Blocks of 16 sectors: 14 and 15 wait for the second block, 30 and 31 for the third; 62 and 63 are the
// device's last two sectors.
INSTANTIATE_TEST_SUITE_P(Cases, BlockBoundaryTest,
                         testing::Values(BoundaryCase{"firstSector", 0, true}, BoundaryCase{"beforeTail", 13, true},
                                         BoundaryCase{"tailOfFirstBlock", 14, true},
                                         BoundaryCase{"lastOfFirstBlock", 15, true},
                                         BoundaryCase{"firstOfSecondBlock", 16, true},
                                         BoundaryCase{"tailOfSecondBlock", 31, true},
                                         BoundaryCase{"lastBeforeDeviceTail", 61, true},
                                         BoundaryCase{"deviceTail", 62, false},
                                         BoundaryCase{"deviceLast", 63, false}),
                         [](const testing::TestParamInfo<BoundaryCase>& param) { return std::string(param.param.name); });

TEST(CExFatCompleteSearchTest, BlocksAreRefusedWithoutDeviceBuilderOrBlockSizeAndOnAFailedRead) {
  MemoryDevice device(kDeviceSectors, 512);
  RecordingTreeBuilder builder;
  CExFatCompleteSearch searcher;
  EXPECT_FALSE(searcher.AnalyzeBlockChecked(0, kBlock));
  searcher.SetDevice(&device);
  EXPECT_FALSE(searcher.AnalyzeBlockChecked(0, kBlock));
  searcher.SetDirecotryTreeBuilder(&builder);
  EXPECT_FALSE(searcher.AnalyzeBlockChecked(0, kBlock));
  searcher.SetBlockSize(kBlock);
  EXPECT_TRUE(searcher.AnalyzeBlockChecked(0, kBlock));
  // A block of which a sector cannot be read is still analysed; one of which nothing can be read is refused.
  device.FailSectors(20, 1);
  EXPECT_TRUE(searcher.AnalyzeBlockChecked(16, kBlock));
  device.FailSectors(32, kBlock);
  EXPECT_FALSE(searcher.AnalyzeBlockChecked(32, kBlock));
}

TEST(CExFatCompleteSearchTest, EndWithoutBuildingLeavesNoPartitionsAndNoNodes) {
  MemoryDevice device(kDeviceSectors, 512);
  device.Put(0, BootSector({}));
  RecordingTreeBuilder builder;
  CExFatCompleteSearch searcher;
  Scan(searcher, device, builder);
  searcher.EndSearch(0);
  EXPECT_EQ(searcher.GetSearchedPartitionInfo(nullptr, 0), 0);
  EXPECT_TRUE(builder.nodes().empty());
  EXPECT_TRUE(builder.flushes().empty());
}

// A volume in memory: boot sector at 0 (heap at 64, 8-sector clusters, root in cluster 4 = sector 80), and
// a root directory with label, bitmap, up-case and one file in cluster 5.
std::vector<std::uint8_t> SmallVolume() {
  std::vector<std::uint8_t> bytes(kDeviceSectors * 8 * 512, 0);
  FieldWriter w(bytes);
  const Bytes boot = BootSector({.volumeSectors = 512, .heapOffset = 64, .clusterCount = 50, .rootCluster = 4});
  std::copy(boot.begin(), boot.end(), bytes.begin());
  Bytes root = Join({Entry(0x83), Entry(0x81), Entry(0x82), EntrySet(u"only.txt", {.firstCluster = 5, .length = 11})});
  FieldWriter r(root);
  r.u8(1, 0);                                  // empty label
  r.le32(32 + 20, 2);                          // bitmap: cluster 2, 7 bytes
  r.le64(32 + 24, 7);
  r.le32(64 + 20, 3);                          // up-case: cluster 3
  r.le64(64 + 24, 5836);
  std::copy(root.begin(), root.end(), bytes.begin() + 80 * 512);
  const std::string text = "hello there";
  std::copy(text.begin(), text.end(), bytes.begin() + 88 * 512);
  return bytes;
}

TEST(CExFatCompleteSearchTest, PartitionRecordsFollowTheCountThenCloneContract) {
  MemoryDevice device(SmallVolume(), 512);
  RecordingTreeBuilder builder;
  CExFatCompleteSearch searcher;
  searcher.SetDevice(&device);
  searcher.SetBlockSize(kBlock);
  searcher.SetDirecotryTreeBuilder(&builder);
  searcher.PreparetoSearch();
  for (long long first = 0; first < device.GetTotalSectors(); first += kBlock)
    ASSERT_TRUE(searcher.AnalyzeBlockChecked(first, kBlock));
  searcher.EndSearch(1);
  ASSERT_EQ(searcher.GetSearchedPartitionInfo(nullptr, 0), 1);
  CSearchedPartitionInfo* none[1] = {nullptr};
  EXPECT_EQ(searcher.GetSearchedPartitionInfo(none, 0), 1);
  EXPECT_EQ(none[0], nullptr);
  CSearchedPartitionInfo* out[1] = {nullptr};
  ASSERT_EQ(searcher.GetSearchedPartitionInfo(out, 1), 1);
  ASSERT_NE(out[0], nullptr);
  EXPECT_EQ(out[0]->GetFileSystemType(), FILE_SYSTEM_EXFAT);
  EXPECT_EQ(out[0]->GetPartitionIndex(), 0);
  EXPECT_EQ(out[0]->GetSectorsPerCluster(), 8u);
  EXPECT_EQ(out[0]->GetClusterOrigin(), 64);
  EXPECT_EQ(out[0]->GetStartSector(), 0);
  EXPECT_EQ(out[0]->GetTotalSectors(), 512u);
  delete out[0];

  // The root's file, a child of the root (-1), its data run at cluster 5 (run position 3).
  const auto* node = builder.Find("only.txt");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->parentId, -1);
  EXPECT_EQ(node->id, 88);
  ASSERT_EQ(node->runs.size(), 1u);
  EXPECT_EQ(node->runs[0].lcn, 3);
  EXPECT_EQ(builder.flushes(), (std::vector<_tagSearcherType>{SEARCHER_EXFAT}));
}

}  // namespace
}  // namespace quellsy::test
