// The window-side node wrapper: what it answers as a group, an empty wrapper or a wrapper of a found node, and
// the three-state check boxes kept consistent between groups and found nodes.

#include "Bridge/OpNodeData.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Bridge/BridgeServices.h"
#include "Bridge/KDUIPublic.h"
#include "BridgeTestNodes.h"

namespace quellsy::test {
namespace {

std::shared_ptr<OpNodeData> Group(int type, const std::string& name) {
  auto group = std::make_shared<OpNodeData>(__TreeNodeData__{1, 0, 0, nullptr});
  group->setType(type);
  group->setFadeName(name);
  group->setExpandAble(true);
  return group;
}

// A group of three wrapped files (as the date and type trees hold groups of groups, and a group of wrappers).
struct ThreeWrappers {
  ThreeWrappers() {
    group = Group(NODE_TREE_FILE_TYPE, "jpg");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
      files.push_back(tree.File(nullptr, name));
      auto wrapper = std::make_shared<OpNodeData>(files.back());
      wrapper->setType(NODE_TREE_FILE_TYPE);
      wrappers.push_back(wrapper);
      group->addChildObject(wrapper);
    }
  }
  NodeTree tree;
  std::shared_ptr<OpNodeData> group;
  std::vector<BridgeTestNode*> files;
  std::vector<std::shared_ptr<OpNodeData>> wrappers;
};

TEST(OpNodeDataCheck, GroupFollowsItsChildren) {
  ThreeWrappers t;
  for (auto& wrapper : t.wrappers) wrapper->setNodeState(CHECKED_STATUS_CHECKED);
  EXPECT_EQ(t.group->state(), CHECKED_STATUS_CHECKED);
  for (BridgeTestNode* file : t.files) EXPECT_EQ(file->GetCheckedStatus(), CHECKED_STATUS_CHECKED);

  t.wrappers[1]->setNodeState(CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(t.group->state(), CHECKED_STATUS_PARTIAL);
  EXPECT_EQ(t.files[1]->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);

  t.wrappers[0]->setNodeState(CHECKED_STATUS_UNCHECKED);
  t.wrappers[2]->setNodeState(CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(t.group->state(), CHECKED_STATUS_UNCHECKED);
}

TEST(OpNodeDataCheck, GroupPushesDownButNeverTheHalfState) {
  ThreeWrappers t;
  t.group->setNodeState(CHECKED_STATUS_CHECKED);
  for (BridgeTestNode* file : t.files) EXPECT_EQ(file->GetCheckedStatus(), CHECKED_STATUS_CHECKED);

  t.files[0]->SetCheck(CHECKED_STATUS_UNCHECKED);
  t.group->setNodeState(CHECKED_STATUS_PARTIAL);
  EXPECT_EQ(t.group->state(), CHECKED_STATUS_PARTIAL);
  EXPECT_EQ(t.files[0]->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(t.files[1]->GetCheckedStatus(), CHECKED_STATUS_CHECKED);

  t.group->setNodeState(CHECKED_STATUS_UNCHECKED);
  for (BridgeTestNode* file : t.files) EXPECT_EQ(file->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
}

// A year over two months over files listed directly: a click on a month rolls up into the year, a click on the
// year reaches every file, and a file checked in the engine counts when its month is recounted.
TEST(OpNodeDataCheck, ThroughTwoLevelsOfGroupsOverListedFiles) {
  NodeTree tree;
  auto year = Group(NODE_TREE_CREATION_TIME, "2024");
  auto january = Group(NODE_TREE_CREATION_TIME, "01");
  auto february = Group(NODE_TREE_CREATION_TIME, "02");
  year->addChildObject(january);
  year->addChildObject(february);
  BridgeTestNode* a = tree.File(nullptr, "a.txt");
  BridgeTestNode* b = tree.File(nullptr, "b.txt");
  BridgeTestNode* c = tree.File(nullptr, "c.txt");
  january->addChildObject(a);
  january->addChildObject(b);
  february->addChildObject(c);
  EXPECT_EQ(january->parent(), year.get());

  january->setNodeState(CHECKED_STATUS_CHECKED);
  EXPECT_EQ(a->GetCheckedStatus(), CHECKED_STATUS_CHECKED);
  EXPECT_EQ(b->GetCheckedStatus(), CHECKED_STATUS_CHECKED);
  EXPECT_EQ(c->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(year->state(), CHECKED_STATUS_PARTIAL);

  february->setNodeState(CHECKED_STATUS_CHECKED);
  EXPECT_EQ(year->state(), CHECKED_STATUS_CHECKED);

  year->setNodeState(CHECKED_STATUS_UNCHECKED);
  for (BridgeTestNode* file : {a, b, c}) EXPECT_EQ(file->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(january->state(), CHECKED_STATUS_UNCHECKED);

  // A month whose files were checked elsewhere: one of two gives the half state, and so does its year.
  a->SetCheck(CHECKED_STATUS_CHECKED);
  january->setParentNodeState(CHECKED_STATUS_PARTIAL);
  EXPECT_EQ(year->state(), CHECKED_STATUS_PARTIAL);
}

TEST(OpNodeDataCheck, ClassMethodsTakeOnlyTheThreeStates) {
  NodeTree tree;
  BridgeTestNode* file = tree.File(nullptr, "a.txt");
  OpNodeData::setFileNode(file, CHECKED_STATUS_CHECKED);
  for (const int bad : {3, -1, static_cast<int>(CHECKED_STATUS_PARTIAL)}) {
    OpNodeData::setFileNode(file, bad);
    EXPECT_EQ(OpNodeData::fileNodeState(file), CHECKED_STATUS_CHECKED) << bad;
  }
  OpNodeData::setFileNode(nullptr, CHECKED_STATUS_CHECKED);
  EXPECT_EQ(OpNodeData::fileNodeState(nullptr), 0);
  EXPECT_FALSE(OpNodeData::isFileNodeDirect(nullptr));
  EXPECT_FALSE(OpNodeData::isFileNodeDeleted(nullptr));
  EXPECT_EQ(OpNodeData::fileNodeName(nullptr), "");
  EXPECT_EQ(OpNodeData::fileNodeName(file), "a.txt");
}

TEST(OpNodeDataAnswers, GroupEmptyWrapperAndWrapper) {
  NodeTree tree;
  CFilesystemNode* root = tree.Root("Card");
  BridgeTestNode* folder = tree.Folder(root, "DCIM");
  BridgeTestNode* file = tree.File(folder, "a.jpg");
  file->created = 133'485'408'000'000'000ULL;  // 2024-01-01 00:00 UTC as FILETIME
  file->modified = file->created;

  const auto group = Group(NODE_TREE_FILE_TYPE, "jpg");
  EXPECT_TRUE(group->isFadeNode());
  EXPECT_TRUE(group->isDirect());
  EXPECT_TRUE(group->IsShow());
  EXPECT_EQ(group->name(), "jpg");
  EXPECT_EQ(group->path(), "");
  EXPECT_EQ(group->createTime(), "");
  EXPECT_EQ(group->createTimeValue(), 0u);
  EXPECT_TRUE(group->isHasFolderChildren());  // its expandable flag
  EXPECT_EQ(OpNodeData(__TreeNodeData__{1, 0, 0, nullptr}).name(), "");  // a path-tree record with no node
  OpNodeData unnamed(__TreeNodeData__{1, 1, 0, nullptr});
  unnamed.setType(NODE_TREE_MODIFICATION_TIME);
  EXPECT_EQ(unnamed.name(), "Unknown");

  OpNodeData empty;
  EXPECT_FALSE(empty.isFadeNode());
  EXPECT_FALSE(empty.isDirect());
  EXPECT_FALSE(empty.IsShow());
  EXPECT_FALSE(empty.isHasFolderChildren());
  EXPECT_EQ(empty.name(), "");
  empty.setNodeState(CHECKED_STATUS_CHECKED);
  EXPECT_EQ(empty.state(), CHECKED_STATUS_CHECKED);

  OpNodeData wrapper(file);
  EXPECT_FALSE(wrapper.isFadeNode());
  EXPECT_FALSE(wrapper.isDirect());
  EXPECT_EQ(wrapper.name(), "a.jpg");
  EXPECT_EQ(wrapper.path(), "/Card/DCIM/a.jpg");
  EXPECT_EQ(wrapper.createTimeValue(), file->created);
  EXPECT_EQ(wrapper.createTime(), KDUIPublic::FormatFileTimeToString(file->created));
  EXPECT_NE(wrapper.createTime(), "");
  EXPECT_EQ(OpNodeData(folder).isHasFolderChildren(), false);  // a file below, no folder
  EXPECT_EQ(OpNodeData(root).isHasFolderChildren(), true);
  wrapper.SetShow(0);
  EXPECT_FALSE(file->IsNodeShow());
  EXPECT_FALSE(wrapper.IsShow());

  BridgeTestNode* broken = tree.File(folder, std::string("caf\xE9.txt"));  // Latin-1, not UTF-8
  EXPECT_EQ(OpNodeData(broken).name(), "Unknown");
  EXPECT_EQ(OpNodeData(tree.File(folder, std::nullopt)).name(), "Unknown");
}

TEST(OpNodeDataAnswers, IconKinds) {
  bridge::ResetBridgeServicesForTesting();  // the English titles
  NodeTree tree;
  CFilesystemNode* root = tree.Root("Card");
  OpNodeData rootWrapper(__TreeNodeData__{1, 0, 1, root});
  EXPECT_EQ(rootWrapper.nodeType(), OpNodeData::kIconFileSystem);
  EXPECT_EQ(OpNodeData(tree.File(root, "a")).nodeType(), OpNodeData::kIconNode);

  const std::vector<std::pair<std::string, int>> typeGroups = {
      {"Documents", 2}, {"Pictures", 3}, {"Movies", 4}, {"Music", 5}, {"Archives", 6},
      {"E-mail", 7},    {"Other", 8},    {"jpg", 11},   {"", 11},
  };
  for (const auto& [title, icon] : typeGroups) EXPECT_EQ(Group(NODE_TREE_FILE_TYPE, title)->nodeType(), icon) << title;

  for (const int type : {NODE_TREE_CREATION_TIME, NODE_TREE_MODIFICATION_TIME}) {
    auto top = Group(type, "Created");
    auto year = Group(type, "2024");
    auto month = Group(type, "01");
    top->addChildObject(year);
    year->addChildObject(month);
    EXPECT_EQ(top->nodeType(), OpNodeData::kIconYear);
    EXPECT_EQ(year->nodeType(), OpNodeData::kIconYear);
    EXPECT_EQ(month->nodeType(), OpNodeData::kIconMonth);
  }
  EXPECT_EQ(Group(NODE_TREE_ACCESS_TIME, "2024")->nodeType(), OpNodeData::kIconUnknown);
}

TEST(OpNodeDataTree, ChildrenKnowTheirParentAndAreDropped) {
  NodeTree tree;
  auto top = Group(NODE_TREE_CREATION_TIME, "top");
  auto first = Group(NODE_TREE_CREATION_TIME, "2020");
  auto last = Group(NODE_TREE_CREATION_TIME, "2024");
  top->setSubNode({first, tree.File(nullptr, "x")});
  top->insertChildObject(1, last);
  top->insertChildObject(99, Group(NODE_TREE_CREATION_TIME, "2030"));
  ASSERT_EQ(top->children().size(), 4u);
  EXPECT_EQ(first->parent(), top.get());
  EXPECT_EQ(last->parent(), top.get());
  EXPECT_EQ(std::get<std::shared_ptr<OpNodeData>>(top->children()[1]), last);
  EXPECT_EQ(std::get<std::shared_ptr<OpNodeData>>(top->children()[3])->name(), "2030");

  first->addChildObject(Group(NODE_TREE_CREATION_TIME, "01"));
  std::weak_ptr<OpNodeData> month;
  {
    auto year = Group(NODE_TREE_CREATION_TIME, "2025");
    auto inner = Group(NODE_TREE_CREATION_TIME, "02");
    month = inner;
    year->addChildObject(inner);
    top->addChildObject(year);
  }
  top->free();
  EXPECT_TRUE(top->children().empty());
  EXPECT_TRUE(month.expired());             // held only through the tree
  EXPECT_EQ(first->children().size(), 1u);  // still held by the test: its children stay
}

// A path tree as deep as a corrupt volume can make it goes without a nested destructor per level.
TEST(OpNodeDataTree, DeepTreeIsDroppedWithoutDeepRecursion) {
  auto top = std::make_shared<OpNodeData>();
  OpNodeData* deepest = top.get();
  for (int i = 0; i < 200'000; ++i) {
    auto child = std::make_shared<OpNodeData>();
    deepest->addChildObject(child);
    deepest = child.get();
  }
  top.reset();
}

}  // namespace
}  // namespace quellsy::test
