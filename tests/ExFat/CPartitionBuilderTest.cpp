// The exFAT partition builder: candidates from boot sectors (main and backup 12 sectors on), FAT starts,
// root sets; the order of the list; winnowing and the removal of candidates another covers.

#include "ExFat/CPartitionBuilder.h"

#include <gtest/gtest.h>

#include "ExFat/CExFatDBR.h"
#include "ExFat/ExFatTestBytes.h"

namespace quellsy::test {
namespace {

using namespace exfatbytes;

constexpr std::uint64_t kDisk = 1 << 18;

CExFatDBR Boot(const BootFields& fields = {}) { return CExFatDBR(BootSector(fields)); }

class PartitionBuilderTest : public testing::Test {
 protected:
  void SetUp() override { m_builder.PrepareBuild(512, kDisk); }

  // (partition start, flags) of every candidate, in list order.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> Listed() const {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> out;
    for (const CExFatPartitionEx* c : m_builder.Candidates()) out.emplace_back(c->m_partitionStart, c->m_flags);
    return out;
  }

  CPartitionBuilder m_builder;
};

using Listing = std::vector<std::pair<std::uint64_t, std::uint32_t>>;

TEST_F(PartitionBuilderTest, MainAndBackupBootSectorsMakeOneCandidateAndDropTheEarlierGuess) {
  m_builder.Build(2048, Boot());
  m_builder.Build(2060, Boot());
  EXPECT_EQ(Listed(), (Listing{{2048, 0xC0000000u}}));
}

TEST_F(PartitionBuilderTest, LoneBackupBootSectorLeavesBothReadings) {
  m_builder.Build(2060, Boot());
  EXPECT_EQ(Listed(), (Listing{{2060, 0x80000000u}, {2048, 0x40000000u}}));
}

TEST_F(PartitionBuilderTest, BootSectorTooEarlyForABackupGivesOnlyTheMainReading) {
  m_builder.Build(5, Boot());
  EXPECT_EQ(Listed(), (Listing{{5, 0x80000000u}}));
}

TEST_F(PartitionBuilderTest, FatStartsAreTakenAtTheBootSectorsFatOffsets) {
  m_builder.Build(2048, Boot({.fatOffset = 24, .fatLength = 8, .fats = 2}));
  m_builder.Build(2060, Boot({.fatOffset = 24, .fatLength = 8, .fats = 2}));
  m_builder.RecordFAT(2048 + 23);  // not a FAT of it
  EXPECT_EQ(Listed()[0].second, 0xC0000000u);
  m_builder.RecordFAT(2048 + 24);
  m_builder.RecordFAT(2048 + 24 + 8);
  EXPECT_EQ(Listed()[0].second, 0xC0000003u);
}

// A root set at sector `first`: label, bitmap (cluster 2, 1000 bytes), up-case (cluster 3) and two files in
// clusters 5 and 6.
std::unique_ptr<CFileSet> RootSet(std::int64_t first) {
  auto set = std::make_unique<CFileSet>();
  set->SetLabel("VOL");
  set->SetBitmap(2, 1000);
  set->SetUpcase(3, 5836);
  for (const std::uint32_t cluster : {5u, 6u}) {
    _tagFileBaseInfo file;
    file.inUse = 1;
    file.firstCluster = cluster;
    file.dataLength = 100;
    file.name = "f" + std::to_string(cluster);
    set->AddRecord(file);
  }
  set->m_firstSector = first;
  set->m_sectorCount = 1;
  set->CalculateClusterSize(512);
  return set;
}

TEST_F(PartitionBuilderTest, FatStartIsNotTakenWithoutBootSectorEvidence) {
  m_builder.PushFileSet(RootSet(80), -1, -1);
  m_builder.Build(200 + CPartitionBuilder::kSectorLag);  // far enough on for the set to be inferred from
  const auto listed = m_builder.Candidates();
  ASSERT_FALSE(listed.empty());
  for (const CExFatPartitionEx* c : listed) EXPECT_EQ(c->m_flags, CExFatPartitionEx::kFromRoot);
  m_builder.RecordFAT(static_cast<std::int64_t>(listed[0]->m_partitionStart + listed[0]->m_fatOffset));
  EXPECT_EQ(m_builder.Candidates()[0]->m_flags, CExFatPartitionEx::kFromRoot);
}

TEST_F(PartitionBuilderTest, RootSetGuessIsClaimedByTheBootSectorsPartitionAndWinnowedAway) {
  // Boot sector at 0: heap at 64, 8 sectors a cluster, root in cluster 4 = sector 80.
  m_builder.Build(0, Boot({.heapOffset = 64, .clusterCount = 1000, .rootCluster = 4, .clusterShift = 3}));
  m_builder.PushFileSet(RootSet(80), -1, -1);
  std::vector<std::unique_ptr<CExFatPartitionEx>> settled;
  m_builder.FinishBuid(settled);
  ASSERT_EQ(settled.size(), 1u);
  EXPECT_EQ(settled[0]->m_heapStart, 64);
  EXPECT_EQ(settled[0]->m_sectorsPerCluster, 8u);
  EXPECT_EQ(settled[0]->m_flags & CExFatPartitionEx::kMainBoot, CExFatPartitionEx::kMainBoot);
  ASSERT_EQ(settled[0]->m_dataSectors.size(), 1u);
  EXPECT_EQ(settled[0]->m_dataSectors[0], 80);
}

TEST_F(PartitionBuilderTest, RootSetAloneGivesAPartitionWithItsRootAsTheGuessedCluster) {
  m_builder.PushFileSet(RootSet(1000), -1, -1);
  std::vector<std::unique_ptr<CExFatPartitionEx>> settled;
  m_builder.FinishBuid(settled);
  ASSERT_EQ(settled.size(), 1u);
  // Root one past bitmap and up-case (cluster 4), clusters of the least size the set allows (1 sector).
  EXPECT_EQ(settled[0]->m_rootCluster, 4u);
  EXPECT_EQ(settled[0]->ConvertClusterNumToSector(4), 1000);
}

TEST(CExFatPartitionGreaterTest, MoreEvidenceFirstThenMoreMatchedSets) {
  CFileSet a;
  CFileSet b;
  CExFatPartitionEx one;
  CExFatPartitionEx two;
  one.m_flags = two.m_flags = CExFatPartitionEx::kFromTree;
  two.InsertMathedFileSet(&a, 1);
  two.InsertMathedFileSet(&b, 1);
  one.InsertMathedFileSet(&a, 1);
  EXPECT_TRUE(CExFatPartitionGreater(&two, &one));
  EXPECT_FALSE(CExFatPartitionGreater(&one, &two));
  one.m_flags = CExFatPartitionEx::kFromRoot;
  EXPECT_TRUE(CExFatPartitionGreater(&one, &two));
}

struct CoverCase {
  const char* name;
  std::map<std::int64_t, std::uint32_t> a;
  std::map<std::int64_t, std::uint32_t> b;
  bool covers;
};

class IsCoverTest : public testing::TestWithParam<CoverCase> {};

TEST_P(IsCoverTest, CoverNeedsEveryMarkAtLeastAsHigh) {
  EXPECT_EQ(IsCover(GetParam().a, GetParam().b), GetParam().covers);
}

INSTANTIATE_TEST_SUITE_P(Cases, IsCoverTest,
                         testing::Values(CoverCase{"subset", {{10, 3}, {20, 1}}, {{10, 2}}, true},
                                         CoverCase{"equal", {{10, 1}}, {{10, 1}}, true},
                                         CoverCase{"lowerMark", {{10, 1}, {20, 1}}, {{10, 2}}, false},
                                         CoverCase{"missingSector", {{10, 1}, {20, 1}}, {{30, 1}}, false},
                                         CoverCase{"moreMarks", {{10, 5}}, {{10, 1}, {20, 1}}, false}),
                         [](const testing::TestParamInfo<CoverCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace quellsy::test
