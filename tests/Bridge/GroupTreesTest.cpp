// The type and date trees as the result trees drive them: each pass places only the files delivered since the
// last one, a search or a clearing starts again from the first file, and a date tree's top is made anew.

#include "Bridge/GroupTrees.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "Bridge/BridgeServices.h"
#include "Bridge/GroupCheckState.h"
#include "Bridge/KDTimeMgr.h"
#include "Bridge/KDTypeMgr.h"
#include "Bridge/KDUIFilter.h"
#include "BridgeTestNodes.h"
#include "support/ScopedTimeZone.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using bridge::DateGroupTree;
using bridge::TypeGroupTree;
using Strings = std::vector<std::string>;

constexpr std::uint64_t kScan = 7;

constexpr const char* kList =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
    "<key>1</key><array><string>doc</string></array>"
    "<key>2</key><array><string>jpg</string></array>"
    "</dict></plist>\n";

// FILETIME of noon UTC on the 15th of a month, from the seconds between 1601 and 1970.
std::uint64_t MidMonth(int year, int month) {
  std::tm utc{};
  utc.tm_year = year - 1900;
  utc.tm_mon = month - 1;
  utc.tm_mday = 15;
  utc.tm_hour = 12;
  return (static_cast<std::uint64_t>(timegm(&utc)) + 11'644'473'600ULL) * 10'000'000ULL;
}

class GroupTreesTest : public ::testing::Test {
 protected:
  GroupTreesTest() {
    bridge::ResetBridgeServicesForTesting();
    KDUIScan::ResetForTests();
    KDTimeMgr::ResetForTests();
    const std::string list(kList);
    WriteFile(dir_.path() / "FileType.plist", {list.begin(), list.end()});
    KDTypeMgr::ResetForTests(dir_.path() / "FileType.plist");
    KDUIFilter::instance()->ResetFilter(FILTER_TYPE_ALL);
  }
  ~GroupTreesTest() override {
    KDTypeMgr::ResetForTests();
    KDTimeMgr::ResetForTests();
    KDUIScan::ResetForTests();
  }

  BridgeTestNode* File(const char* name, int year, int month) {
    BridgeTestNode* file = tree_.File(folder_, name);
    file->created = file->modified = MidMonth(year, month);
    return file;
  }
  void Deliver(std::vector<IFileNode*> nodes) {
    scan_.ShowNodes(nodes.data(), static_cast<unsigned>(nodes.size()), 0);
  }
  void Pass() {
    types_.Refresh(scan_);
    modified_.Refresh(scan_);
  }

  static Strings Files(const OpNodeData& node) {
    Strings names;
    for (const auto& child : node.children())
      if (IFileNode* const* file = std::get_if<IFileNode*>(&child)) names.push_back((*file)->GetFileName());
    return names;
  }
  static std::shared_ptr<OpNodeData> Child(const OpNodeData& node, const std::string& name) {
    for (const auto& child : node.children())
      if (const auto* group = std::get_if<std::shared_ptr<OpNodeData>>(&child); group && (*group)->name() == name)
        return *group;
    return nullptr;
  }
  // The files of one month of the modification tree, none when the month has no node.
  Strings Month(const char* year, const char* month) const {
    const auto y = Child(*modified_.Top(), year);
    const auto m = y ? Child(*y, month) : nullptr;
    return m ? Files(*m) : Strings{};
  }
  Strings Jpg() const {
    const auto node = KDTypeMgr::share()->subNode("jpg");
    return node ? Files(*node) : Strings{};
  }

  ScopedTimeZone zone_{"UTC0"};
  TempDir dir_;
  NodeTree tree_;
  CFilesystemNode* root_ = tree_.Root("Card");
  BridgeTestNode* folder_ = tree_.Folder(root_, "DCIM");
  KDUIScan scan_;
  TypeGroupTree types_;
  DateGroupTree modified_{NODE_TREE_MODIFICATION_TIME};
};

TEST_F(GroupTreesTest, EachPassPlacesOnlyTheFilesDeliveredSinceTheLast) {
  BridgeTestNode* hidden = File("h.jpg", 2020, 5);
  Deliver({folder_, File("a.jpg", 2020, 5), File("b.doc", 2021, 1), hidden});
  hidden->ShowNode(0);
  Pass();
  Pass();  // nothing new: nothing placed twice
  EXPECT_EQ(Jpg(), (Strings{"a.jpg"}));
  EXPECT_EQ(Files(*KDTypeMgr::share()->subNode("doc")), (Strings{"b.doc"}));
  EXPECT_EQ(Month("2020", "05"), (Strings{"a.jpg"}));

  // A file passed by while hidden is not read again; what came after it is.
  hidden->ShowNode(1);
  Deliver({File("c.jpg", 2020, 5)});
  Pass();
  EXPECT_EQ(Jpg(), (Strings{"a.jpg", "c.jpg"}));
  EXPECT_EQ(Month("2020", "05"), (Strings{"a.jpg", "c.jpg"}));
  EXPECT_EQ(Month("2021", "01"), (Strings{"b.doc"}));
}

TEST_F(GroupTreesTest, ASearchRebuildsFromTheFirstFileAndAClearingEmptiesBoth) {
  BridgeTestNode* a = File("a.jpg", 2020, 5);
  BridgeTestNode* c = File("c.jpg", 2019, 2);
  Deliver({a, File("b.doc", 2021, 1), c});
  Pass();
  const std::shared_ptr<OpNodeData> before = modified_.Top();

  // The search shows c alone.
  a->ShowNode(0);
  types_.Clear(kScan);
  types_.SetSearch(true);
  modified_.Clear(kScan);
  modified_.SetSearch(true);
  EXPECT_TRUE(KDTypeMgr::share()->isSearch());
  Pass();
  EXPECT_EQ(Jpg(), (Strings{"c.jpg"}));
  EXPECT_EQ(Month("2019", "02"), (Strings{"c.jpg"}));
  EXPECT_EQ(Month("2020", "05"), Strings{});
  // A top the windows still hold keeps what it showed.
  EXPECT_NE(modified_.Top(), before);
  const auto year = Child(*before, "2020");
  ASSERT_NE(year, nullptr);
  ASSERT_NE(Child(*year, "05"), nullptr);
  EXPECT_EQ(Files(*Child(*year, "05")), (Strings{"a.jpg"}));

  types_.Clear(kScan);
  modified_.Clear(kScan);
  for (const auto& root : KDTypeMgr::share()->getRootNode()) EXPECT_TRUE(root->children().empty());
  EXPECT_TRUE(modified_.Top()->children().empty());
  EXPECT_EQ(modified_.Top()->name(), "Modification date");
  EXPECT_EQ(modified_.Top()->type(), NODE_TREE_MODIFICATION_TIME);
}

// Groups made after a clearing for a scan belong to it; the type groups' roots, which live as long as the
// process, belong to none.
TEST_F(GroupTreesTest, GroupsMadeForAScanNameIt) {
  types_.Clear(kScan);
  modified_.Clear(kScan);
  Deliver({folder_, File("a.jpg", 2020, 5)});
  Pass();
  EXPECT_EQ(KDTypeMgr::share()->subNode("jpg")->scan(), kScan);
  for (const auto& root : KDTypeMgr::share()->getRootNode()) EXPECT_EQ(root->scan(), 0u);
  const auto year = Child(*modified_.Top(), "2020");
  ASSERT_NE(year, nullptr);
  EXPECT_EQ(modified_.Top()->scan(), kScan);
  EXPECT_EQ(year->scan(), kScan);
  EXPECT_EQ(Child(*year, "05")->scan(), kScan);
}

// A month's mark comes from its shown files, each date tree by its own time.
TEST_F(GroupTreesTest, AMonthsMarkComesFromItsShownFiles) {
  DateGroupTree created{NODE_TREE_CREATION_TIME};
  BridgeTestNode* a = File("a.txt", 2022, 7);
  BridgeTestNode* b = File("b.txt", 2022, 7);
  BridgeTestNode* hidden = File("c.txt", 2022, 7);
  for (BridgeTestNode* file : {a, b, hidden}) file->created = MidMonth(2021, 3);
  Deliver({a, b, hidden});
  modified_.Refresh(scan_);
  created.Refresh(scan_);
  const auto month = [](const DateGroupTree& tree, const char* year, const char* name) {
    const auto y = Child(*tree.Top(), year);
    const auto m = y ? Child(*y, name) : nullptr;
    std::vector<IFileNode*> files;
    if (m)
      for (const auto& child : m->children()) files.push_back(std::get<IFileNode*>(child));
    return bridge::GroupCheckState(files);
  };
  hidden->ShowNode(0);
  a->SetCheck(CHECKED_STATUS_CHECKED);
  EXPECT_EQ(month(modified_, "2022", "07"), CHECKED_STATUS_PARTIAL);
  b->SetCheck(CHECKED_STATUS_CHECKED);
  EXPECT_EQ(month(modified_, "2022", "07"), CHECKED_STATUS_CHECKED) << "the hidden file does not count";
  EXPECT_EQ(month(created, "2021", "03"), CHECKED_STATUS_CHECKED);
  EXPECT_EQ(month(created, "2022", "07"), CHECKED_STATUS_UNCHECKED) << "no such month: no files";
}

}  // namespace
}  // namespace quellsy::test
