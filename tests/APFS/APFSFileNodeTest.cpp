// The node rules: names, ".Trashes", sizes grown by extents, restarts, readiness and the search-time tree.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "APFS/APFSFileNode.h"

namespace {

std::string Stored(const std::string& name) { return name + std::string(1, '\0'); }

struct NameCase {
  std::string stored;
  std::string fixed;
};

class FixName : public ::testing::TestWithParam<NameCase> {};

TEST_P(FixName, DropsOneLeadingDotAndEmptiesDsStore) {
  EXPECT_EQ(APFSFileNode::FixName(GetParam().stored), GetParam().fixed);
}

INSTANTIATE_TEST_SUITE_P(Names, FixName,
                         ::testing::Values(NameCase{Stored("..x"), Stored(".x")}, NameCase{Stored(".DS_Store"), ""},
                                           NameCase{Stored(".ds_store"), ""},
                                           NameCase{Stored(".DS_Storf"), Stored("DS_Storf")},
                                           NameCase{Stored("report.txt"), Stored("report.txt")},
                                           NameCase{".", "."}, NameCase{Stored("."), Stored("")}));

TEST(APFSFileNode, DsStoreIsRefusedAndNeverHandedOver) {
  EXPECT_FALSE(APFSFileNode::IsNameAccepted(Stored(".DS_STORE")));
  EXPECT_TRUE(APFSFileNode::IsNameAccepted(Stored(".DS_Storex")));
  APFSFileNode node;
  node.SetNodeName(Stored(".DS_Store"));
  node.SetTimes(1, 1, 1);
  EXPECT_TRUE(node.Name().empty());
  EXPECT_FALSE(node.IsReadyToAdd(true));
}

TEST(APFSFileNode, TrashesBecomesADeletedDirectory) {
  APFSFileNode node;
  node.SetNodeName(Stored(".Trashes"));
  EXPECT_EQ(node.Name(), Stored("Trashes"));
  EXPECT_TRUE(node.IsDirectory());
  EXPECT_TRUE(node.IsDeleted());
  node.SetNodeType(false);  // the type is settled already
  EXPECT_TRUE(node.IsDirectory());
  EXPECT_EQ(node.GetAttribute(), 16);
}

TEST(APFSFileNode, OnlyTheFirstTypeCounts) {
  APFSFileNode node;
  node.SetNodeType(false);
  node.SetNodeType(true);
  EXPECT_FALSE(node.IsDirectory());
  EXPECT_EQ(node.GetAttribute(), 32);
}

std::vector<DataRun> Runs(const APFSFileNode& node) {
  std::vector<DataRun> runs;
  IDataRunList* list = node.GetDataRunList();
  for (DataRun* run = list != nullptr ? list->GetFirst() : nullptr; run != nullptr; run = list->GetNext())
    runs.push_back(*run);
  return runs;
}

TEST(APFSFileNode, ExtentAtOffsetZeroRestartsTheList) {
  APFSFileNode node;
  node.AddExtent(800, 8, 512, 0);
  node.AddExtent(1600, 8, 512, 4096);
  ASSERT_EQ(Runs(node).size(), 2u);
  node.AddExtent(4000, 16, 512, 0);
  const auto runs = Runs(node);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].lcn, 4000);
  EXPECT_EQ(runs[0].length, 16);
}

TEST(APFSFileNode, SameOffsetLengthensOnlyTheSameStart) {
  APFSFileNode node;
  node.AddExtent(800, 8, 512, 0);
  node.AddExtent(800, 24, 512, 0);  // restart, then the same start at the same offset
  node.AddExtent(800, 16, 512, 8192);
  node.AddExtent(800, 32, 512, 8192);
  node.AddExtent(900, 64, 512, 8192);  // another start: ignored
  node.AddExtent(800, 8, 512, 8192);   // shorter: ignored
  const auto runs = Runs(node);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].lcn, 800);
  EXPECT_EQ(runs[1].length, 32);
}

struct GrowthCase {
  std::uint64_t size;
  std::vector<std::uint64_t> extentSectors;  // each at the next logical offset
  std::uint64_t finalSize;
  bool covered;
};

class ExtentGrowth : public ::testing::TestWithParam<GrowthCase> {};

TEST_P(ExtentGrowth, SizeGrowsOnlyPastItsRounding) {
  APFSFileNode node;
  node.SetSize(GetParam().size);
  std::uint64_t offset = 0, start = 100;
  bool covered = false;
  for (const std::uint64_t sectors : GetParam().extentSectors) {
    covered = node.AddExtent(start, sectors, 512, offset);
    offset += sectors * 512;
    start += sectors;
  }
  EXPECT_EQ(node.Size(), GetParam().finalSize);
  EXPECT_EQ(covered, GetParam().covered);
}

// 10,000 bytes round to 12,288: extents of 12,288 bytes keep the size, 16,384 raise it.
INSTANTIATE_TEST_SUITE_P(Sizes, ExtentGrowth,
                         ::testing::Values(GrowthCase{10000, {24}, 10000, true},
                                           GrowthCase{10000, {8, 16}, 10000, true},
                                           GrowthCase{10000, {32}, 16384, true},
                                           GrowthCase{10000, {8}, 10000, false},
                                           GrowthCase{0, {8}, 0, false}));

TEST(APFSFileNode, CoveredNodeTakesNoMoreExtents) {
  APFSFileNode node;
  node.SetSize(4096);
  EXPECT_TRUE(node.AddExtent(100, 8, 512, 0));
  EXPECT_FALSE(node.AddExtent(900, 8, 512, 4096));
  EXPECT_EQ(Runs(node).size(), 1u);
}

TEST(APFSFileNode, SizeIsKeptUnlessDeleted) {
  APFSFileNode node;
  node.SetSize(10);
  node.SetSize(20);
  EXPECT_EQ(node.Size(), 10u);
  node.MarkDeleted();
  node.SetSize(20);
  EXPECT_EQ(node.Size(), 20u);
}

TEST(APFSFileNode, FileWithoutCreationTimeIsNeverReady) {
  APFSFileNode node;
  node.SetNodeName(Stored("a"));
  node.SetParentNodeID(2);
  EXPECT_FALSE(node.IsReadyToAdd(false));
  EXPECT_FALSE(node.IsReadyToAdd(true));
  node.SetTimes(1500000000000000000ull, 0, 0);
  EXPECT_TRUE(node.IsReadyToAdd(false));
}

TEST(APFSFileNode, FinalPassFilesOrphansUnderAnUnusedParent) {
  APFSFileNode node;
  node.SetBelongedPartition(3);
  node.SetNodeName(Stored("lost"));
  node.SetTimes(1500000000000000000ull, 0, 0);
  EXPECT_FALSE(node.IsReadyToAdd(false));
  EXPECT_TRUE(node.IsReadyToAdd(true));
  EXPECT_EQ(node.GetParentNodeID(), (3ll << 32) | 3);
}

TEST(APFSFileNode, ParentOfAVolumeRootBecomesThePartitionRoot) {
  APFSFileNode node;
  node.SetBelongedPartition(2);
  node.SetParentNodeID((5ll << 32) | 1);
  EXPECT_EQ(node.GetParentNodeID(), (2ll << 32) | 2);
  node.SetFlag(APFSFileNode::kHanded);
  node.SetParentNodeID(99);
  EXPECT_EQ(node.GetParentNodeID(), (2ll << 32) | 2) << "ignored once handed over";
}

TEST(APFSFileNode, TimesAreWholeSecondFileTimes) {
  APFSFileNode node;
  node.SetTimes(1500000000999999999ull, 1500000001000000000ull, 0);
  EXPECT_EQ(node.GetCreationTime(), 116444736000000000ull + 15000000000000000ull);
  EXPECT_EQ(node.GetModificationTime(), 116444736000000000ull + 15000000010000000ull);
  EXPECT_EQ(node.GetLastAccessTime(), 0u);
}

TEST(APFSFileNode, SameNamedDirectoriesMerge) {
  APFSFileNode parent, first, second, file;
  parent.SetNodeID(2);
  for (APFSFileNode* dir : {&first, &second}) {
    dir->SetNodeType(true);
    dir->SetNodeName(Stored("Docs"));
  }
  APFSFileNode::AttachToParent(&parent, &first);
  APFSFileNode::AttachToParent(&parent, &second);
  EXPECT_EQ(parent.SearchFirstChild(), &first);
  EXPECT_EQ(first.SearchNextSibling(), nullptr);
  EXPECT_EQ(second.Duplicate(), &first);
  EXPECT_TRUE(second.Has(APFSFileNode::kMerged));
  second.SetTimes(1, 1, 1);
  EXPECT_FALSE(second.IsReadyToAdd(true));

  first.SetNodeID(40);
  file.SetNodeName(Stored("a.txt"));
  APFSFileNode::AttachToParent(&second, &file);  // lands in the folder it merged into
  EXPECT_EQ(file.SearchParent(), &first);
  EXPECT_EQ(file.GetParentNodeID(), 40);
}

TEST(APFSFileNode, CloneTakesTheSearchLinks) {
  APFSFileNode parent, node;
  node.SetNodeName(Stored("a"));
  node.SetSize(5);
  node.AddExtent(8, 1, 512, 0);
  APFSFileNode::AttachToParent(&parent, &node);
  node.SetFlag(APFSFileNode::kHanded);
  IFileNode* copy = node.Clone();
  auto* apfs = static_cast<APFSFileNode*>(copy);
  EXPECT_EQ(apfs->SearchParent(), &parent);
  EXPECT_EQ(node.SearchParent(), nullptr);
  EXPECT_FALSE(apfs->Has(APFSFileNode::kHanded));
  EXPECT_EQ(apfs->Name(), node.Name());
  EXPECT_EQ(Runs(*apfs).size(), 1u);
  EXPECT_NE(apfs->GetDataRunList(), node.GetDataRunList());
  delete apfs;
}

}  // namespace
