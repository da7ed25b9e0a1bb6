#include "Bridge/ResultTrees.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "Bridge/GroupCheckState.h"
#include "Bridge/KDUIFilter.h"
#include "Bridge/KDUIScan.h"
#include "BridgeTestNodes.h"
#include "Engines/BuiltInEngines.h"
#include "RecordingPoster.h"

namespace quellsy::test {
namespace {

using bridge::IGroupTree;
using bridge::PathTreeEntry;
using bridge::ResultTrees;

// A group tree that notes, at each pass, how many notifications had been posted by then, and can hold the
// pass until released.
class NotingGroupTree final : public IGroupTree {
 public:
  explicit NotingGroupTree(const RecordingPoster& poster) : poster_(poster) {}
  void Clear(std::uint64_t scan) override {
    ++clears;
    clearedFor = scan;
  }
  void SetSearch(bool searching) override { search = searching; }
  void SetNeedRefresh() override { ++refreshes; }
  void Refresh(KDUIScan&) override {
    postedBefore.push_back(poster_.Names().size());
    entered.set_value_if_first();
    if (hold) released.wait();
  }

  struct Once {
    std::promise<void> promise;
    std::atomic<bool> set{false};
    void set_value_if_first() {
      if (!set.exchange(true)) promise.set_value();
    }
  } entered;
  std::shared_future<void> released;
  bool hold = false;
  int clears = 0;
  std::uint64_t clearedFor = 0;
  int refreshes = 0;
  bool search = false;
  std::vector<std::size_t> postedBefore;

 private:
  const RecordingPoster& poster_;
};

class ResultTreesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterBuiltInEngines();
    KDUIFilter::instance()->ResetFilter(FILTER_TYPE_ALL);
    scan_.SetUpdateNotifier([](int) {});
  }

  void Deliver(std::vector<IFileNode*> nodes) {
    scan_.ShowNodes(nodes.data(), static_cast<unsigned int>(nodes.size()), 0);
  }

  ScopedRecordingPoster scope_;
  KDUIScan scan_;
  ResultTrees trees_;
  NodeTree tree_;
};

TEST_F(ResultTreesTest, AFolderDeliveredBeforeItsParentLandsUnderItInALaterPass) {
  CFilesystemNode* root = tree_.Root("SCANVOL");
  BridgeTestNode* docs = tree_.Folder(root, "docs");
  BridgeTestNode* deep = tree_.Folder(docs, "deep");
  BridgeTestNode* report = tree_.File(deep, "report.txt");
  scan_.ShowFilesystemNode(root);
  Deliver({deep, report});
  trees_.BuildPass(scan_, 0);
  // Only the root so far: the folder and its file wait for "docs".
  const auto first = trees_.PathTail(0);
  ASSERT_EQ(first.entries.size(), 1u);
  EXPECT_EQ(first.entries[0], (PathTreeEntry{0, PathTreeEntry::kNoParent, root, 1, 0, 1}));
  EXPECT_EQ(trees_.DeferredCount(), 2u);

  Deliver({docs});
  trees_.BuildPass(scan_, 0);
  // The window reads only what the pass added, each folder after its parent.
  const auto added = trees_.PathTail(1);
  EXPECT_EQ(added.generation, first.generation);
  ASSERT_EQ(added.entries.size(), 2u);
  EXPECT_EQ(added.entries[0], (PathTreeEntry{1, 0, docs, 1, 0, 0}));
  EXPECT_EQ(added.entries[1], (PathTreeEntry{2, 1, deep, 1, 0, 0}));
  EXPECT_EQ(trees_.ChildFiles(2), (std::vector<IFileNode*>{report}));
  EXPECT_TRUE(trees_.ChildFiles(1).empty());
  EXPECT_EQ(trees_.ChildrenCount(0), 1u);  // "docs" holds one folder
  EXPECT_EQ(trees_.DeferredCount(), 0u);
  EXPECT_EQ(scan_.IsOpTreeFinished(), 1);
}

TEST_F(ResultTreesTest, AForcedPassPlacesChainsAndLeavesOrphansOut) {
  CFilesystemNode* root = tree_.Root("SCANVOL");
  BridgeTestNode* bottom = tree_.Chain(root, 5);
  BridgeTestNode* orphanParent = tree_.Folder(nullptr, "never delivered");
  BridgeTestNode* orphan = tree_.Folder(orphanParent, "orphan");
  // Deepest first: an unforced pass places one level per retry only.
  std::vector<IFileNode*> chain;
  for (IFileNode* node = bottom; node != root; node = node->GetParent()) chain.push_back(node);
  scan_.ShowFilesystemNode(root);
  Deliver(chain);
  Deliver({orphan});
  trees_.BuildPass(scan_, 1);
  const auto tail = trees_.PathTail(0);
  ASSERT_EQ(tail.entries.size(), 6u);
  for (std::size_t id = 1; id < tail.entries.size(); ++id) {
    EXPECT_EQ(tail.entries[id].parent, id - 1);
    EXPECT_EQ(tail.entries[id].node->GetParent(), tail.entries[id - 1].node);
  }
  EXPECT_EQ(tail.entries.back().node, bottom);
  EXPECT_EQ(trees_.DeferredCount(), 1u);

  trees_.Reset();
  EXPECT_NE(trees_.PathTail(0).generation, tail.generation);
  EXPECT_EQ(trees_.PathSize(), 0u);
  EXPECT_EQ(trees_.DeferredCount(), 0u);
}

// A new scan's results get a number of their own: the trees, the group trees too, start empty, and a view
// holding nodes of the last scan can tell they are another scan's.
TEST_F(ResultTreesTest, ANewScanMovesTheGenerationOnAndEmptiesEveryTree) {
  NotingGroupTree types(scope_.poster());
  trees_.SetGroupTree(NODE_TREE_FILE_TYPE, &types);
  CFilesystemNode* root = tree_.Root("SCANVOL");
  scan_.ShowFilesystemNode(root);
  Deliver({tree_.File(root, "a.txt")});
  trees_.BuildPass(scan_, 1);
  const std::uint64_t first = trees_.ScanGeneration();
  const auto before = trees_.PathTail(0);
  ASSERT_EQ(before.entries.size(), 1u);
  EXPECT_EQ(before.scan, first);
  EXPECT_EQ(trees_.ChildFiles(0).size(), 1u);

  trees_.NewScan();
  EXPECT_EQ(trees_.ScanGeneration(), first + 1);
  const auto after = trees_.PathTail(0);
  EXPECT_TRUE(after.entries.empty());
  EXPECT_EQ(after.scan, first + 1);
  EXPECT_NE(after.generation, before.generation);
  EXPECT_EQ(types.clears, 1);
  EXPECT_EQ(types.clearedFor, first + 1) << "groups made from now on belong to the new scan";
  // Emptying the trees alone (a search does) keeps the scan's number.
  trees_.Reset();
  EXPECT_EQ(trees_.ScanGeneration(), first + 1);
  trees_.SetGroupTree(NODE_TREE_FILE_TYPE, nullptr);
}

TEST_F(ResultTreesTest, UpdatesAreDueEveryTwoSecondsUnlessForced) {
  struct Case {
    int force;
    std::int64_t now;
    bool due;
  };
  // From a reset the first update is due at once; a forced one never moves the last unforced one.
  const Case cases[] = {{0, 100, true}, {0, 101, false}, {1, 101, true}, {0, 101, false},
                        {0, 102, true}, {0, 103, false}, {1, 103, true}, {0, 104, true}};
  for (const Case& c : cases) EXPECT_EQ(trees_.TakeUpdateTurn(c.force, c.now), c.due) << c.now << " " << c.force;
  trees_.Reset();
  EXPECT_TRUE(trees_.TakeUpdateTurn(0, 105));
}

TEST(GroupCheckState, ShownFilesDecideTheMark) {
  NodeTree tree;
  auto file = [&](int status, bool shown) {
    BridgeTestNode* node = tree.File(nullptr, "f");
    node->SetCheck(static_cast<_tagCheckedStatus>(status));
    node->ShowNode(shown ? 1 : 0);
    return static_cast<IFileNode*>(node);
  };
  struct Case {
    std::vector<IFileNode*> nodes;
    _tagCheckedStatus state;
  };
  const Case cases[] = {
      {{}, CHECKED_STATUS_UNCHECKED},
      {{file(2, true), file(2, true)}, CHECKED_STATUS_CHECKED},
      {{file(0, true), file(0, true)}, CHECKED_STATUS_UNCHECKED},
      {{file(2, true), file(0, true), file(2, true)}, CHECKED_STATUS_PARTIAL},
      {{file(0, true), file(2, true)}, CHECKED_STATUS_PARTIAL},
      {{file(2, true), file(0, false)}, CHECKED_STATUS_CHECKED},
      {{file(0, true), file(2, false)}, CHECKED_STATUS_UNCHECKED},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(bridge::GroupCheckState(cases[i].nodes), cases[i].state) << "case " << i;
}

class ResultTreesSearchTest : public ResultTreesTest {
 protected:
  void SetUp() override {
    ResultTreesTest::SetUp();
    root_ = tree_.Root("SCANVOL");
    docs_ = tree_.Folder(root_, "docs");
    report_ = tree_.File(docs_, "report.txt");
    photo_ = tree_.File(docs_, "photo.jpg");
    scan_.ShowFilesystemNode(root_);
    Deliver({docs_, report_, photo_});
    trees_.BuildPass(scan_, 1);
    const std::shared_future<void> released = release_.get_future().share();
    for (NotingGroupTree* group : {&type_, &create_, &modify_}) group->released = released;
    trees_.SetGroupTree(NODE_TREE_FILE_TYPE, &type_);
    trees_.SetGroupTree(NODE_TREE_CREATION_TIME, &create_);
    trees_.SetGroupTree(NODE_TREE_MODIFICATION_TIME, &modify_);
  }
  void TearDown() override {
    if (!released_) release_.set_value();
    trees_.WaitForSearch();
  }

  NotingGroupTree type_{scope_.poster()};
  NotingGroupTree create_{scope_.poster()};
  NotingGroupTree modify_{scope_.poster()};
  std::promise<void> release_;
  bool released_ = false;
  CFilesystemNode* root_ = nullptr;
  BridgeTestNode* docs_ = nullptr;
  BridgeTestNode* report_ = nullptr;
  BridgeTestNode* photo_ = nullptr;
};

TEST_F(ResultTreesSearchTest, TheShownTreeIsBuiltFirstThenTheRestThenSearchFinished) {
  scan_.SetScanType(NODE_TREE_CREATION_TIME);
  release_.set_value();
  released_ = true;
  ASSERT_TRUE(trees_.StartSearch(scan_, "REPORT", "SearchDone"));
  trees_.WaitForSearch();
  EXPECT_EQ(scope_.poster().Names(), (std::vector<std::string>{"SearchDone", ResultTrees::kSearchFinishedNotification}));
  // Creation (shown) before the name; type and modification after it.
  EXPECT_EQ(create_.postedBefore, (std::vector<std::size_t>{0}));
  EXPECT_EQ(type_.postedBefore, (std::vector<std::size_t>{1}));
  EXPECT_EQ(modify_.postedBefore, (std::vector<std::size_t>{1}));
  EXPECT_TRUE(type_.search);
  EXPECT_EQ(type_.clears, 1);
  EXPECT_EQ(type_.clearedFor, trees_.ScanGeneration()) << "a search regroups the same scan's results";
  // The path tree holds the hit under its folder chain; the other file is hidden.
  const auto tail = trees_.PathTail(0);
  ASSERT_EQ(tail.entries.size(), 2u);
  EXPECT_EQ(tail.entries[0].node, root_);
  EXPECT_EQ(tail.entries[1].node, docs_);
  EXPECT_EQ(trees_.ChildFiles(1), (std::vector<IFileNode*>{report_}));
  EXPECT_EQ(scan_.IsNeedUIUpdate(), 0);
  trees_.RefreshGroupMarks();
  for (const NotingGroupTree* group : {&type_, &create_, &modify_}) EXPECT_EQ(group->refreshes, 1);
}

TEST_F(ResultTreesSearchTest, ASecondSearchIsRefusedWhileOneRuns) {
  type_.hold = true;
  scan_.SetScanType(NODE_TREE_FILE_TYPE);
  ASSERT_TRUE(trees_.StartSearch(scan_, "photo", "SearchDone"));
  type_.entered.promise.get_future().wait();
  EXPECT_FALSE(trees_.StartSearch(scan_, "report", "Other"));
  // The window clearing the flag does not let a second thread in beside the running one.
  scan_.SetSearching(0);
  EXPECT_FALSE(trees_.StartSearch(scan_, "report", "Other"));
  EXPECT_EQ(scan_.GetSearchKey(), "photo");
  release_.set_value();
  released_ = true;
  trees_.WaitForSearch();
  EXPECT_EQ(scope_.poster().Names(), (std::vector<std::string>{"SearchDone", ResultTrees::kSearchFinishedNotification}));
  EXPECT_EQ(trees_.ChildFiles(1), (std::vector<IFileNode*>{photo_}));
  // Once over and the flag cleared, the next search runs.
  scan_.SetSearching(0);
  EXPECT_TRUE(trees_.StartSearch(scan_, "report", "Other"));
  trees_.WaitForSearch();
  EXPECT_EQ(trees_.ChildFiles(1), (std::vector<IFileNode*>{report_}));
}

// After a search the whole results come back in one rebuild; a held-back pass adds nothing until then.
TEST_F(ResultTreesSearchTest, ARebuildBringsBackEverythingTheScanDeliveredAndReleasesAHold) {
  release_.set_value();
  released_ = true;
  ASSERT_TRUE(trees_.StartSearch(scan_, "REPORT", "SearchDone"));
  trees_.WaitForSearch();
  ASSERT_EQ(trees_.ChildFiles(1), (std::vector<IFileNode*>{report_}));
  const std::uint64_t searched = trees_.PathTail(0).generation;

  trees_.SetHoldBack(true);
  BridgeTestNode* late = tree_.File(docs_, "late.txt");
  Deliver({late});
  trees_.BuildPass(scan_, 1);
  EXPECT_EQ(trees_.ChildFiles(1), (std::vector<IFileNode*>{report_}));

  root_->SetCheck(CHECKED_STATUS_CHECKED);
  photo_->ShowNode(1);
  trees_.RebuildAll(scan_, true);
  EXPECT_FALSE(trees_.HoldsBack());
  const auto tail = trees_.PathTail(0);
  EXPECT_NE(tail.generation, searched);
  ASSERT_EQ(tail.entries.size(), 2u);
  EXPECT_EQ(tail.entries[0].node, root_);
  EXPECT_EQ(tail.entries[1].node, docs_);
  EXPECT_EQ(trees_.ChildFiles(1), (std::vector<IFileNode*>{report_, photo_, late}));
  EXPECT_EQ(root_->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(photo_->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  for (const NotingGroupTree* group : {&type_, &create_, &modify_}) {
    EXPECT_FALSE(group->search);
    EXPECT_EQ(group->clears, 2);  // the search's and the rebuild's
  }
}

}  // namespace
}  // namespace quellsy::test
