// The by-type result tree built from a small "FileType" list: one node per extension under its group, case-folded
// extensions sharing a node, everything the list does not name under "other", refreshes adding only what is new,
// and the check marks recounted from the files.

#include "Bridge/KDTypeMgr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bridge/BridgeServices.h"
#include "Bridge/KDUIFilter.h"
#include "BridgeTestNodes.h"
#include "ScanDriverFixture.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

constexpr const char* kSmallList =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
    "<key>1</key><array><string>doc</string><string>pdf</string></array>"
    "<key>2</key><array><string>jpg</string><string>png</string></array>"
    "<key>8</key><array><string>mp3</string></array>"
    "<key>32</key><array><string>eml</string><string>pdf</string></array>"
    "</dict></plist>\n";

// Fresh process-wide managers before any member of a test takes one, and again afterwards.
class FreshTypeManager {
 protected:
  FreshTypeManager() {
    bridge::ResetBridgeServicesForTesting();
    KDUIScan::ResetForTests();
    const std::string list(kSmallList);
    WriteFile(dir_ / "FileType.plist", {list.begin(), list.end()});
    KDTypeMgr::ResetForTests(dir_ / "FileType.plist");
  }
  ~FreshTypeManager() {
    KDTypeMgr::ResetForTests();
    KDUIScan::ResetForTests();
  }
  TempDir dir_;
};

class KDTypeMgrTest : public FreshTypeManager, public ::testing::Test {
 protected:
  // The names of what a node lists: groups by name, files by file name.
  static std::vector<std::string> Names(const OpNodeData& node) {
    std::vector<std::string> names;
    for (const auto& child : node.children()) {
      if (const auto* group = std::get_if<std::shared_ptr<OpNodeData>>(&child))
        names.push_back("[" + (*group)->name() + "]");
      else
        names.push_back(std::get<IFileNode*>(child)->GetFileName());
    }
    return names;
  }
  const OpNodeData& Root(_FILTER_TYPE group) const { return *types_.rootNode(group); }

  KDTypeMgr& types_ = *KDTypeMgr::share();
  NodeTree tree_;
};

using Strings = std::vector<std::string>;

TEST_F(KDTypeMgrTest, SevenGroupsInOrderWithTheirTitles) {
  const auto roots = types_.getRootNode();
  ASSERT_EQ(roots.size(), 7u);
  Strings names;
  for (const auto& root : roots) {
    names.push_back(root->name());
    EXPECT_TRUE(root->isFadeNode());
    EXPECT_TRUE(root->isExpandAble());
    EXPECT_EQ(root->type(), NODE_TREE_FILE_TYPE);
    EXPECT_EQ(root->state(), 0);
  }
  EXPECT_EQ(names, (Strings{"Documents", "Pictures", "Movies", "Music", "Archives", "E-mail", "Other"}));
  EXPECT_TRUE(types_.isOtherNode(roots[6].get()));
  EXPECT_FALSE(types_.isOtherNode(roots[0].get()));
  EXPECT_FALSE(types_.isOtherNode(nullptr));
  EXPECT_EQ(types_.getTypeString(FILTER_TYPE_DOCUMENT), "doc;pdf");
  EXPECT_EQ(types_.getTypeString(FILTER_TYPE_EMAIL), "eml;pdf");
  EXPECT_EQ(types_.getTypeString(FILTER_TYPE_OTHER), "");
}

TEST_F(KDTypeMgrTest, ExtensionNodesUnderTheirGroupsAndTheRestUnderOther) {
  // The catalogue decides where each goes, by its extension.
  types_.AddFreshFiles({tree_.File(nullptr, "d.pdf"), tree_.File(nullptr, "e.Png"), tree_.File(nullptr, "a.JPG"),
                        tree_.File(nullptr, "b.jpg"), tree_.File(nullptr, "README"), tree_.File(nullptr, "c.xyz")});

  EXPECT_EQ(Names(Root(FILTER_TYPE_DOCUMENT)), Strings{});
  EXPECT_EQ(Names(Root(FILTER_TYPE_PICTURE)), (Strings{"[png]", "[jpg]"}));  // in the order first met
  EXPECT_EQ(Names(*types_.subNode("jpg")), (Strings{"a.JPG", "b.jpg"}));
  EXPECT_EQ(Names(*types_.subNode("png")), (Strings{"e.Png"}));
  EXPECT_EQ(Names(Root(FILTER_TYPE_EMAIL)), (Strings{"[pdf]"}));  // the later list names it
  EXPECT_EQ(Names(Root(FILTER_TYPE_OTHER)), (Strings{"README", "c.xyz"}));
  EXPECT_EQ(types_.subNode("xyz"), nullptr);

  const auto jpg = types_.subNode("jpg");
  EXPECT_EQ(jpg->parent(), types_.rootNode(FILTER_TYPE_PICTURE).get());
  EXPECT_TRUE(jpg->isFadeNode());
  EXPECT_TRUE(jpg->isExpandAble());
  EXPECT_EQ(jpg->type(), NODE_TREE_FILE_TYPE);
  EXPECT_EQ(jpg->nodeType(), OpNodeData::kIconUnknown);  // an extension is no group title
}

TEST_F(KDTypeMgrTest, RefreshAddsOnlyWhatIsNew) {
  const KDUIScan::NodeList first = {tree_.File(nullptr, "a.jpg"), tree_.File(nullptr, "b.jpg")};
  types_.AddFreshFiles(first);
  types_.AddFreshFiles(first);  // handed in again: placed once
  EXPECT_EQ(Names(*types_.subNode("jpg")), (Strings{"a.jpg", "b.jpg"}));

  types_.AddFreshFiles({tree_.File(nullptr, "c.JPG"), tree_.File(nullptr, "d.mp3")});
  EXPECT_EQ(Names(*types_.subNode("jpg")), (Strings{"a.jpg", "b.jpg", "c.JPG"}));
  EXPECT_EQ(Names(*types_.subNode("mp3")), (Strings{"d.mp3"}));
  EXPECT_EQ(Names(Root(FILTER_TYPE_PICTURE)), (Strings{"[jpg]"}));
}

TEST_F(KDTypeMgrTest, HiddenFilesWaitForASearchOrAClear) {
  BridgeTestNode* hidden = tree_.File(nullptr, "h.jpg");
  const KDUIScan::NodeList files = {tree_.File(nullptr, "a.jpg"), hidden, tree_.File(nullptr, "b.jpg")};
  hidden->ShowNode(0);
  types_.AddFreshFiles(files);
  EXPECT_EQ(Names(*types_.subNode("jpg")), (Strings{"a.jpg", "b.jpg"}));

  // A search shows only what matches: the tree is rebuilt from the start.
  hidden->ShowNode(1);
  files[0]->ShowNode(0);
  types_.setSearch(true);
  EXPECT_TRUE(types_.isSearch());
  EXPECT_EQ(types_.subNode("jpg"), nullptr);
  types_.AddFreshFiles(files);
  EXPECT_EQ(Names(*types_.subNode("jpg")), (Strings{"h.jpg", "b.jpg"}));

  types_.clear();
  EXPECT_FALSE(types_.isSearch());
  for (const auto& root : types_.getRootNode()) EXPECT_TRUE(root->children().empty());
  files[0]->ShowNode(1);
  types_.AddFreshFiles(files);
  EXPECT_EQ(Names(*types_.subNode("jpg")), (Strings{"a.jpg", "h.jpg", "b.jpg"}));
}

TEST_F(KDTypeMgrTest, ClearDataKeepsWhatWasPlaced) {
  const KDUIScan::NodeList files = {tree_.File(nullptr, "a.jpg")};
  types_.AddFreshFiles(files);
  const auto root = types_.rootNode(FILTER_TYPE_PICTURE);
  root->setNodeState(CHECKED_STATUS_CHECKED);
  types_.clearData();
  EXPECT_EQ(root->state(), 0);
  EXPECT_EQ(files[0]->GetCheckedStatus(), CHECKED_STATUS_CHECKED);  // files keep their marks
  EXPECT_TRUE(root->children().empty());
  EXPECT_EQ(types_.subNode("jpg"), nullptr);
  EXPECT_EQ(types_.KDNeedRefreshTree(), 1);
  types_.AddFreshFiles(files);  // already placed: not again
  EXPECT_TRUE(root->children().empty());
}

TEST_F(KDTypeMgrTest, MarksRecountedFromTheFiles) {
  BridgeTestNode* a = tree_.File(nullptr, "a.jpg");
  BridgeTestNode* b = tree_.File(nullptr, "b.jpg");
  BridgeTestNode* c = tree_.File(nullptr, "c.png");
  BridgeTestNode* x = tree_.File(nullptr, "x.bin");
  BridgeTestNode* y = tree_.File(nullptr, "y");
  types_.AddFreshFiles({a, b, c, x, y});
  const auto jpg = types_.subNode("jpg");
  const auto png = types_.subNode("png");
  const auto pictures = types_.rootNode(FILTER_TYPE_PICTURE);
  const auto other = types_.rootNode(FILTER_TYPE_OTHER);

  a->SetCheck(CHECKED_STATUS_CHECKED);
  types_.refreshTypeTreeState();  // not flagged: nothing recounted
  EXPECT_EQ(jpg->state(), 0);

  struct Step {
    std::vector<BridgeTestNode*> checked;
    int jpg, png, pictures, other;
  };
  const Step steps[] = {
      {{a}, 1, 0, 1, 0},
      {{a, b}, 2, 0, 1, 0},
      {{a, b, c}, 2, 2, 2, 0},
      {{x}, 0, 0, 0, 1},
      {{x, y}, 0, 0, 0, 2},
      {{}, 0, 0, 0, 0},
  };
  for (const Step& step : steps) {
    for (BridgeTestNode* file : {a, b, c, x, y}) file->SetCheck(CHECKED_STATUS_UNCHECKED);
    for (BridgeTestNode* file : step.checked) file->SetCheck(CHECKED_STATUS_CHECKED);
    types_.KDSetNeedRefreshTree();
    types_.refreshTypeTreeState();
    EXPECT_EQ(types_.KDNeedRefreshTree(), 0);
    EXPECT_EQ(jpg->state(), step.jpg) << step.checked.size();
    EXPECT_EQ(png->state(), step.png) << step.checked.size();
    EXPECT_EQ(pictures->state(), step.pictures) << step.checked.size();
    EXPECT_EQ(other->state(), step.other) << step.checked.size();
  }

  // A click on a group reaches every file below it, and the half state never goes down.
  pictures->setNodeState(CHECKED_STATUS_CHECKED);
  for (BridgeTestNode* file : {a, b, c}) EXPECT_EQ(file->GetCheckedStatus(), CHECKED_STATUS_CHECKED);
  b->SetCheck(CHECKED_STATUS_UNCHECKED);
  jpg->setNodeState(CHECKED_STATUS_PARTIAL);
  EXPECT_EQ(a->GetCheckedStatus(), CHECKED_STATUS_CHECKED);
  EXPECT_EQ(b->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(pictures->state(), CHECKED_STATUS_PARTIAL);

  OpNodeData childless(__TreeNodeData__{1, 0, 0, nullptr});
  childless.setType(NODE_TREE_FILE_TYPE);
  childless.setState(CHECKED_STATUS_CHECKED);
  types_.setNodeState(&childless);
  EXPECT_EQ(childless.state(), 0);
}

// Through the scan driver: the files it delivers, in delivery order, placed by the catalogue.
TEST_F(KDTypeMgrTest, FromTheScanDriversDeliveries) {
  ASSERT_NE(KDUIFilter::instance()->GetFilter(), nullptr);
  CFilesystemNode* root = tree_.Root("Card");
  BridgeTestNode* folder = tree_.Folder(root, "DCIM");
  std::vector<IFileNode*> nodes = {folder, tree_.File(folder, "a.JPG"), tree_.File(folder, "b.jpg"),
                                   tree_.File(folder, "notes.doc"), tree_.File(folder, "core")};
  KDUIScan* scan = KDUIScan::instance();
  scan->ShowFilesystemNode(root);
  scan->ShowNodes(nodes.data(), static_cast<unsigned>(nodes.size()), 0);
  types_.AddFreshFiles(scan->KDGetFileNodesSince(0));
  EXPECT_EQ(Names(*types_.subNode("jpg")), (Strings{"a.JPG", "b.jpg"}));
  EXPECT_EQ(Names(*types_.subNode("doc")), (Strings{"notes.doc"}));
  EXPECT_EQ(Names(Root(FILTER_TYPE_OTHER)), (Strings{"core"}));  // folders are not filed by type

  BridgeTestNode* later = tree_.File(folder, "c.jpg");
  IFileNode* batch[] = {later};
  scan->ShowNodes(batch, 1, 0);
  types_.AddFreshFiles(scan->KDGetFileNodesSince(4));
  EXPECT_EQ(Names(*types_.subNode("jpg")), (Strings{"a.JPG", "b.jpg", "c.jpg"}));
}

class KDTypeMgrScanTest : public FreshTypeManager, public ScanDriverFixture {};

// The deleted files a real quick scan of a FAT volume (made by mkfs.fat and mtools) finds, placed by the
// extension their manifest gives them: "jpg" under its own node, "txt", which the small list lacks, under other.
TEST_F(KDTypeMgrScanTest, FilesOfAQuickScanUnderTheirExtensions) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  ASSERT_NO_FATAL_FAILURE(QuickScanFatVolume(images));

  KDTypeMgr& types = *KDTypeMgr::share();
  types.AddFreshFiles(scan_->KDGetFileNodesSince(0));
  const auto files = FilesByPath();
  const auto holds = [](const OpNodeData& node, IFileNode* file) {
    std::size_t count = 0;
    for (const auto& child : node.children())
      if (const auto* listed = std::get_if<IFileNode*>(&child); listed && *listed == file) ++count;
    return count;
  };
  std::size_t placed = 0;
  for (const auto& entry : images->FatManifest()) {
    if (!entry.deleted) continue;
    SCOPED_TRACE(entry.path);
    IFileNode* found = FindFound(files, entry);
    ASSERT_NE(found, nullptr);
    const std::string extension = entry.path.substr(entry.path.rfind('.') + 1);
    const auto node = extension == "txt" ? types.rootNode(FILTER_TYPE_OTHER) : types.subNode(extension);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(holds(*node, found), 1u);
    ++placed;
  }
  EXPECT_EQ(placed, 2u);
  ASSERT_NE(types.subNode("jpg"), nullptr);
  EXPECT_EQ(types.subNode("jpg")->parent(), types.rootNode(FILTER_TYPE_PICTURE).get());
  EXPECT_EQ(types.subNode("txt"), nullptr);
}

}  // namespace
}  // namespace quellsy::test
