// The date trees: years and months in order under the facade's top node, files without a time left out,
// month nodes on the first day of their month, refreshes adding only what is new, and the refresh flags of the
// date tree not on show.

#include "Bridge/KDTimeMgr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "Bridge/KDUIFilter.h"
#include "BridgeTestNodes.h"
#include "ScanDriverFixture.h"
#include "support/ScopedTimeZone.h"

namespace quellsy::test {
namespace {

using Strings = std::vector<std::string>;

// FILETIME of a UTC calendar time, worked out from the days since 1601 with timegm.
std::uint64_t FileTime(int year, int month, int day, int hour = 12) {
  std::tm utc{};
  utc.tm_year = year - 1900;
  utc.tm_mon = month - 1;
  utc.tm_mday = day;
  utc.tm_hour = hour;
  const std::time_t seconds = timegm(&utc);
  return (static_cast<std::uint64_t>(seconds) + 11'644'473'600ULL) * 10'000'000ULL;
}

// Fresh process-wide managers before any member of a test takes one, and again afterwards.
class FreshTimeManager {
 protected:
  FreshTimeManager() {
    KDUIScan::ResetForTests();
    KDTimeMgr::ResetForTests();
  }
  ~FreshTimeManager() {
    KDTimeMgr::ResetForTests();
    KDUIScan::ResetForTests();
  }
};

class KDTimeMgrTest : public FreshTimeManager, public ::testing::Test {
 protected:
  KDTimeMgrTest() {
    for (const int type : {NODE_TREE_CREATION_TIME, NODE_TREE_MODIFICATION_TIME}) {
      auto top = std::make_shared<OpNodeData>(__TreeNodeData__{1, 1, 0, nullptr});
      top->setType(type);
      top->setExpandAble(true);
      tops_.push_back(top);
    }
  }
  OpNodeData& Top(int type) { return *tops_[type == NODE_TREE_CREATION_TIME ? 0 : 1]; }

  BridgeTestNode* File(const char* name, std::uint64_t created, std::uint64_t modified) {
    BridgeTestNode* file = tree_.File(nullptr, name);
    file->created = created;
    file->modified = modified;
    return file;
  }

  static std::shared_ptr<OpNodeData> Group(const OpNodeData::Child& child) {
    return std::get<std::shared_ptr<OpNodeData>>(child);
  }
  // "2023/01: a b" for every month of the tree, in the order shown.
  static Strings Shown(const OpNodeData& top) {
    Strings lines;
    for (const auto& yearChild : top.children()) {
      const auto year = Group(yearChild);
      for (const auto& monthChild : year->children()) {
        const auto month = Group(monthChild);
        std::string line = year->name() + "/" + month->name() + ":";
        for (const auto& file : month->children()) line += std::string(" ") + std::get<IFileNode*>(file)->GetFileName();
        lines.push_back(line);
      }
    }
    return lines;
  }

  ScopedTimeZone zone_{"UTC0"};
  KDTimeMgr& times_ = *KDTimeMgr::share();
  NodeTree tree_;
  std::vector<std::shared_ptr<OpNodeData>> tops_;
};

TEST_F(KDTimeMgrTest, YearsAndMonthsInOrder) {
  BridgeTestNode* a = File("a", FileTime(2023, 3, 5), FileTime(2024, 1, 1));
  BridgeTestNode* b = File("b", FileTime(2021, 12, 31), FileTime(2024, 1, 2));
  BridgeTestNode* c = File("c", FileTime(2023, 1, 9), FileTime(2023, 11, 30));
  BridgeTestNode* d = File("d", FileTime(2023, 3, 28), FileTime(2024, 1, 3));
  times_.AddFreshFiles(&Top(2), NODE_TREE_CREATION_TIME, {b, c, a, d});
  EXPECT_EQ(Shown(Top(2)), (Strings{"2021/12: b", "2023/01: c", "2023/03: a d"}));

  // A later file of an earlier year, and an earlier month of a known year, go before what is there.
  BridgeTestNode* e = File("e", FileTime(2019, 7, 1), FileTime(2024, 1, 4));
  BridgeTestNode* f = File("f", FileTime(2021, 2, 14), FileTime(2024, 1, 5));
  times_.AddFreshFiles(&Top(2), NODE_TREE_CREATION_TIME, {e, f});
  EXPECT_EQ(Shown(Top(2)),
            (Strings{"2019/07: e", "2021/02: f", "2021/12: b", "2023/01: c", "2023/03: a d"}));

  const auto year = Group(Top(2).children()[0]);
  const auto month = Group(year->children()[0]);
  EXPECT_EQ(year->parent(), &Top(2));
  EXPECT_EQ(month->parent(), year.get());
  EXPECT_TRUE(year->isExpandAble());
  EXPECT_FALSE(month->isExpandAble());
  EXPECT_EQ(year->type(), NODE_TREE_CREATION_TIME);
  EXPECT_EQ(month->type(), NODE_TREE_CREATION_TIME);
  EXPECT_EQ(year->nodeType(), OpNodeData::kIconYear);
  EXPECT_EQ(month->nodeType(), OpNodeData::kIconMonth);
  EXPECT_EQ(Top(2).nodeType(), OpNodeData::kIconYear);
}

TEST_F(KDTimeMgrTest, FilesWithoutATimeAndFoldersStayOut) {
  BridgeTestNode* noCreation = File("no-creation", 0, FileTime(2022, 6, 1));
  BridgeTestNode* folder = tree_.Folder(nullptr, "folder");
  folder->created = folder->modified = FileTime(2022, 6, 1);
  BridgeTestNode* dated = File("dated", FileTime(2022, 6, 2), FileTime(2022, 6, 2));
  const KDUIScan::NodeList fresh = {noCreation, folder, nullptr, dated};
  times_.AddFreshFiles(&Top(2), NODE_TREE_CREATION_TIME, fresh);
  times_.AddFreshFiles(&Top(3), NODE_TREE_MODIFICATION_TIME, fresh);
  EXPECT_EQ(Shown(Top(2)), (Strings{"2022/06: dated"}));
  EXPECT_EQ(Shown(Top(3)), (Strings{"2022/06: no-creation dated"}));
  times_.AddFreshFiles(&Top(3), NODE_TREE_PATH, fresh);  // no date tree: nothing built
  EXPECT_EQ(Shown(Top(3)), (Strings{"2022/06: no-creation dated"}));
}

TEST_F(KDTimeMgrTest, LaterPassesAddToTheirMonthsAndHiddenFilesWaitForARebuild) {
  BridgeTestNode* hidden = File("hidden", 0, FileTime(2020, 5, 5));
  hidden->ShowNode(0);
  BridgeTestNode* a = File("a", 0, FileTime(2020, 5, 1));
  times_.AddFreshFiles(&Top(3), NODE_TREE_MODIFICATION_TIME, {a, hidden});
  EXPECT_EQ(Shown(Top(3)), (Strings{"2020/05: a"}));

  hidden->ShowNode(1);  // passed by once: not placed until the tree is built again
  BridgeTestNode* b = File("b", 0, FileTime(2020, 5, 9));
  BridgeTestNode* c = File("c", 0, FileTime(2020, 4, 30));
  times_.AddFreshFiles(&Top(3), NODE_TREE_MODIFICATION_TIME, {b, c});
  EXPECT_EQ(Shown(Top(3)), (Strings{"2020/04: c", "2020/05: a b"}));

  times_.clear();
  Top(3).free();
  times_.AddFreshFiles(&Top(3), NODE_TREE_MODIFICATION_TIME, {a, hidden, b, c});
  EXPECT_EQ(Shown(Top(3)), (Strings{"2020/04: c", "2020/05: a hidden b"}));
}

// Month nodes made late in a month of any length stay in it; the year carries its last month's time.
TEST_F(KDTimeMgrTest, MonthNodesCarryTheFirstDayOfTheirMonth) {
  ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  const std::pair<int, int> months[] = {{2023, 2}, {2024, 2}, {2024, 4}, {2024, 3}, {2024, 10}, {2024, 12}, {1999, 6}};
  for (const int type : {NODE_TREE_CREATION_TIME, NODE_TREE_MODIFICATION_TIME}) {
    times_.AddFreshFiles(&Top(type), type, {});  // the tree being built
    for (const auto& [year, month] : months) {
      const auto yearNode = times_.insertYear(year, &Top(type));
      const auto monthNode = times_.insertMonth(month, year, yearNode.get());
      const std::time_t stamp = type == NODE_TREE_CREATION_TIME ? monthNode->createtime() : monthNode->modifytime();
      std::tm local{};
      localtime_r(&stamp, &local);
      EXPECT_EQ(local.tm_year + 1900, year) << year << "-" << month;
      EXPECT_EQ(local.tm_mon + 1, month) << year << "-" << month;
      EXPECT_EQ(local.tm_mday, 1) << year << "-" << month;
      EXPECT_EQ(type == NODE_TREE_CREATION_TIME ? yearNode->createtime() : yearNode->modifytime(), stamp);
      EXPECT_EQ(monthNode->name(), (month < 10 ? "0" : "") + std::to_string(month));
      EXPECT_EQ(yearNode->name(), std::to_string(year));
    }
  }
}

TEST_F(KDTimeMgrTest, InsertIndexKeepsNamesInOrder) {
  auto top = std::make_shared<OpNodeData>(__TreeNodeData__{});
  for (const char* name : {"2019", "2021", "2023", "10000"}) {
    auto node = std::make_shared<OpNodeData>(__TreeNodeData__{});
    node->setType(NODE_TREE_CREATION_TIME);
    node->setFadeName(name);
    top->addChildObject(node);
  }
  const std::vector<std::pair<std::string, int>> cases = {
      {"2018", 0}, {"2020", 1}, {"2021", 2}, {"2024", 3}, {"9999", 3}, {"10001", -1}, {"30000", -1},
  };
  for (const auto& [name, index] : cases) EXPECT_EQ(KDTimeMgr::GetDateInsertIndex(name, top->children()), index) << name;
  EXPECT_EQ(KDTimeMgr::GetDateInsertIndex("2020", {}), -1);

  auto words = std::make_shared<OpNodeData>(__TreeNodeData__{});
  for (const char* name : {"apple", "Banana"}) {
    auto node = std::make_shared<OpNodeData>(__TreeNodeData__{});
    node->setType(NODE_TREE_CREATION_TIME);
    node->setFadeName(name);
    words->addChildObject(node);
  }
  EXPECT_EQ(KDTimeMgr::GetDateInsertIndex("B", words->children()), 1);
  EXPECT_EQ(KDTimeMgr::GetDateInsertIndex("Apple", words->children()), 1);
  EXPECT_EQ(KDTimeMgr::GetDateInsertIndex("c", words->children()), -1);
}

// The flags per view type: set for the date trees not on show, read and cleared for the one on show.
TEST_F(KDTimeMgrTest, RefreshFlagsOfTheTreeNotOnShow) {
  struct Case {
    int shownWhenSet;
    int creation;
    int modification;
  };
  const Case cases[] = {{0, 1, 1}, {1, 1, 1}, {2, 0, 1}, {3, 1, 0}, {4, 0, 0}};
  KDUIScan* scan = KDUIScan::instance();
  for (const Case& c : cases) {
    KDTimeMgr::ResetForTests();
    KDTimeMgr* times = KDTimeMgr::share();
    scan->SetScanType(c.shownWhenSet);
    times->KDSetNeedRefreshTree();
    scan->SetScanType(NODE_TREE_CREATION_TIME);
    EXPECT_EQ(times->KDGetNeedRefreshTree(), c.creation) << c.shownWhenSet;
    scan->SetScanType(NODE_TREE_MODIFICATION_TIME);
    EXPECT_EQ(times->KDGetNeedRefreshTree(), c.modification) << c.shownWhenSet;
  }
  KDTimeMgr* times = KDTimeMgr::share();
  times->clear();  // both need recounting
  scan->SetScanType(NODE_TREE_CREATION_TIME);
  times->KDResetNeedRefreshTree();
  EXPECT_EQ(times->KDGetNeedRefreshTree(), 0);
  scan->SetScanType(NODE_TREE_MODIFICATION_TIME);
  EXPECT_EQ(times->KDGetNeedRefreshTree(), 1);
  for (const int other : {NODE_TREE_PATH, NODE_TREE_FILE_TYPE, NODE_TREE_ACCESS_TIME}) {
    scan->SetScanType(other);
    times->KDResetNeedRefreshTree();
    EXPECT_EQ(times->KDGetNeedRefreshTree(), 1) << other;
  }
  scan->SetScanType(NODE_TREE_MODIFICATION_TIME);
  EXPECT_EQ(times->KDGetNeedRefreshTree(), 1);  // untouched by the resets of other views
}

// Through the scan driver: the files it delivers land under the months of their times.
TEST_F(KDTimeMgrTest, FromTheScanDriversDeliveries) {
  ASSERT_NE(KDUIFilter::instance()->GetFilter(), nullptr);
  CFilesystemNode* root = tree_.Root("Card");
  std::vector<IFileNode*> nodes = {File("a", FileTime(2022, 8, 31), FileTime(2023, 2, 1)),
                                   File("b", 0, FileTime(2022, 9, 1)), File("c", FileTime(2022, 8, 1), 0)};
  KDUIScan* scan = KDUIScan::instance();
  scan->ShowFilesystemNode(root);
  scan->ShowNodes(nodes.data(), static_cast<unsigned>(nodes.size()), 0);
  times_.AddFreshFiles(&Top(2), NODE_TREE_CREATION_TIME, scan->KDGetFileNodesSince(0));
  times_.AddFreshFiles(&Top(3), NODE_TREE_MODIFICATION_TIME, scan->KDGetFileNodesSince(0));
  EXPECT_EQ(Shown(Top(2)), (Strings{"2022/08: a c"}));
  EXPECT_EQ(Shown(Top(3)), (Strings{"2022/09: b", "2023/02: a"}));
}

class KDTimeMgrScanTest : public FreshTimeManager, public ScanDriverFixture {};

// The deleted files a real quick scan of a FAT volume (made by mkfs.fat and mtools, each file stamped mid-month
// by touch) finds, under the months of their manifest.
TEST_F(KDTimeMgrScanTest, FilesOfAQuickScanUnderTheirModificationMonths) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  ASSERT_NO_FATAL_FAILURE(QuickScanFatVolume(images));

  auto top = std::make_shared<OpNodeData>(__TreeNodeData__{1, 1, 0, nullptr});
  top->setType(NODE_TREE_MODIFICATION_TIME);
  KDTimeMgr::share()->AddFreshFiles(top.get(), NODE_TREE_MODIFICATION_TIME, scan_->KDGetFileNodesSince(0));
  std::map<std::string, std::vector<IFileNode*>> expected;
  const auto files = FilesByPath();
  for (const auto& entry : images->FatManifest()) {
    if (!entry.deleted) continue;
    char month[16];
    std::snprintf(month, sizeof month, "%04d/%02d", entry.year, entry.month);
    expected[month].push_back(FindFound(files, entry));
  }
  ASSERT_EQ(expected.size(), 2u);
  std::map<std::string, std::vector<IFileNode*>> shown;
  for (const auto& yearChild : top->children()) {
    const auto year = std::get<std::shared_ptr<OpNodeData>>(yearChild);
    for (const auto& monthChild : year->children()) {
      const auto month = std::get<std::shared_ptr<OpNodeData>>(monthChild);
      for (const auto& file : month->children())
        shown[year->name() + "/" + month->name()].push_back(std::get<IFileNode*>(file));
    }
  }
  EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace quellsy::test
