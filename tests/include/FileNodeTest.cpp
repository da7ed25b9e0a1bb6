#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "include/DataRunList.h"
#include "include/TestFileNode.h"

namespace {

// Nodes never own each other; the test owns them all.
class Nodes {
 public:
  TestFileNode* Make(const std::string& name, bool directory = false) {
    m_nodes.push_back(std::make_unique<TestFileNode>(name, directory));
    return m_nodes.back().get();
  }

 private:
  std::vector<std::unique_ptr<TestFileNode>> m_nodes;
};

std::vector<std::string> ChildNames(CFileNode* parent) {
  std::vector<std::string> names;
  for (CFileNode* child = parent->GetFirstChild(); child != nullptr; child = child->GetNextNode())
    names.emplace_back(child->GetFileName());
  return names;
}

std::vector<std::string> ChainFrom(CFileNode* node) {
  std::vector<std::string> names;
  for (; node != nullptr; node = node->GetNextNode()) names.emplace_back(node->GetFileName());
  return names;
}

TEST(FileNode, NewNodeAndPackedWordFields) {
  TestFileNode node;
  EXPECT_EQ(node.GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(node.IsNodeShow(), 1);
  EXPECT_EQ(node.GetBelongedPartition(), 0xFFFF);
  EXPECT_EQ(node.GetMetadataStartPosition(), -1);
  EXPECT_EQ(node.GetCurrentNodeID(), -1);
  EXPECT_EQ(node.GetParentNodeID(), -1);
  EXPECT_EQ(node.GetDataRunList(), nullptr);
  EXPECT_EQ(node.CreateCompressFileReader(nullptr), nullptr);
  EXPECT_EQ(node.IsCompressed(), 0);
  EXPECT_EQ(node.GetVolumeName(), nullptr);
  EXPECT_EQ(node.CFileNode::GetSearcheType(), SEARCHER_NONE);

  // Each field keeps the others; the metadata sector holds the low 40 bits, read back with sign.
  node.SetBelongedPartition(0x1234);
  node.SetMetaDataSector(0x12'3456'789Aull);
  EXPECT_EQ(node.GetBelongedPartition(), 0x1234);
  EXPECT_EQ(node.GetMetadataStartPosition(), 0x12'3456'789All);
  node.SetMetaDataSector(0x7F'FF00'0000'0001ll);
  EXPECT_EQ(node.GetMetadataStartPosition(), 1) << "bits above 40 are dropped";
  node.SetMetaDataSector(-2);
  EXPECT_EQ(node.GetMetadataStartPosition(), -2);
  EXPECT_EQ(node.GetBelongedPartition(), 0x1234);
  EXPECT_EQ(node.IsNodeShow(), 1);
  EXPECT_EQ(node.GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  node.SetBelongedPartition(0);
  EXPECT_EQ(node.GetMetadataStartPosition(), -2);
}

TEST(FileNode, AddChildPrependsAndAddNextInsertsBehind) {
  Nodes nodes;
  TestFileNode* folder = nodes.Make("folder", true);
  for (const char* name : {"a", "b", "c"}) ASSERT_EQ(folder->AddChild(nodes.Make(name)), 1);
  EXPECT_EQ(ChildNames(folder), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(folder->GetShownChildrenCount(), 3u);
  EXPECT_EQ(folder->GetFirstChild()->GetParent(), folder);
  EXPECT_EQ(folder->GetParentNodeID(), -1) << "linking leaves the IDs alone";

  // A node with its own chain goes directly behind, and the old chain follows it.
  TestFileNode* x = nodes.Make("x");
  ASSERT_EQ(x->AddNext(nodes.Make("y")), 1);
  CFileNode* c = folder->GetFirstChild();
  ASSERT_EQ(c->AddNext(x), 1);
  EXPECT_EQ(ChildNames(folder), (std::vector<std::string>{"c", "x", "y", "b", "a"}));
  EXPECT_EQ(x->GetParent(), folder);
  EXPECT_EQ(folder->GetShownChildrenCount(), 5u);

  EXPECT_EQ(folder->AddChild(nullptr), 0);
  EXPECT_EQ(folder->AddNext(nullptr), 0);
}

TEST(FileNode, LinksThatWouldLoopAreRefused) {
  Nodes nodes;
  TestFileNode* root = nodes.Make("root", true);
  TestFileNode* mid = nodes.Make("mid", true);
  TestFileNode* leaf = nodes.Make("leaf");
  ASSERT_EQ(root->AddChild(mid), 1);
  ASSERT_EQ(mid->AddChild(leaf), 1);
  TestFileNode* loose = nodes.Make("loose");

  EXPECT_EQ(CFileNode::IsLoopedToSelf(leaf, root), 1);
  EXPECT_EQ(CFileNode::IsLoopedToSelf(leaf, leaf), 1);
  EXPECT_EQ(CFileNode::IsLoopedToSelf(root, leaf), 0);
  EXPECT_EQ(CFileNode::IsLoopedToSelf(nullptr, leaf), 0);

  EXPECT_EQ(leaf->AddChild(root), 0) << "an ancestor";
  EXPECT_EQ(mid->AddChild(mid), 0) << "itself";
  EXPECT_EQ(root->AddChild(leaf), 0) << "still linked below mid";
  EXPECT_EQ(leaf->AddNext(leaf), 0);
  EXPECT_EQ(leaf->AddNext(mid), 0) << "already linked";
  // A loose chain holding the tree's root would lead back into the tree.
  ASSERT_EQ(loose->AddNext(nodes.Make("loose2")), 1);
  TestFileNode* outside = nodes.Make("outside");
  ASSERT_EQ(outside->AddNext(root), 1);
  EXPECT_EQ(leaf->AddNext(outside), 0);

  // Both trees are unchanged.
  EXPECT_EQ(root->GetParent(), nullptr);
  EXPECT_EQ(ChildNames(root), std::vector<std::string>{"mid"});
  EXPECT_EQ(ChildNames(mid), std::vector<std::string>{"leaf"});
  EXPECT_EQ(leaf->GetFirstChild(), nullptr);
  EXPECT_EQ(leaf->GetNextNode(), nullptr);
  EXPECT_EQ(ChainFrom(loose), (std::vector<std::string>{"loose", "loose2"}));
  EXPECT_EQ(ChainFrom(outside), (std::vector<std::string>{"outside", "root"}));
  EXPECT_EQ(root->GetShownChildrenCount(), 1u);
  EXPECT_EQ(mid->GetShownChildrenCount(), 1u);
}

TEST(FileNode, RemoveChildUnlinksAndKeepsCounts) {
  Nodes nodes;
  TestFileNode* folder = nodes.Make("folder", true);
  TestFileNode* a = nodes.Make("a", true);
  TestFileNode* b = nodes.Make("b");
  TestFileNode* c = nodes.Make("c");
  TestFileNode* grandchild = nodes.Make("g");
  for (TestFileNode* child : {a, b, c}) ASSERT_EQ(folder->AddChild(child), 1);
  ASSERT_EQ(a->AddChild(grandchild), 1);
  TestFileNode* stranger = nodes.Make("stranger");

  EXPECT_EQ(folder->RemoveChild(nullptr), 0);
  EXPECT_EQ(folder->RemoveChild(stranger), 0);
  EXPECT_EQ(c->RemoveChild(a), 0) << "no children";
  EXPECT_EQ(folder->RemoveChild(b), 1) << "middle";
  EXPECT_EQ(ChildNames(folder), (std::vector<std::string>{"c", "a"}));
  EXPECT_EQ(b->GetParent(), nullptr);
  EXPECT_EQ(b->GetNextNode(), nullptr);
  EXPECT_EQ(folder->RemoveChild(b), 0) << "already gone";
  EXPECT_EQ(folder->RemoveChild(c), 1) << "first";
  EXPECT_EQ(folder->RemoveChild(a), 1) << "last";
  EXPECT_EQ(folder->GetFirstChild(), nullptr);
  EXPECT_EQ(folder->GetShownChildrenCount(), 0u);
  EXPECT_EQ(ChildNames(a), std::vector<std::string>{"g"}) << "the removed node keeps its subtree";
  // A removed node can be linked again.
  EXPECT_EQ(c->AddChild(a), 1);
  EXPECT_EQ(a->GetParent(), c);
}

struct CompareCase {
  const char* name;
  // b differs from a (a file "same.txt", ID 7, parent 3, partition 1, size 100, created 1000) by:
  long long bId = 7;
  long long bParent = 3;
  bool bDirectory = false;
  bool aDirectory = false;
  const char* bName = "same.txt";
  unsigned short bPartition = 1;
  long long bSize = 100;
  unsigned long long bCreated = 1000;
  _tagSearcherType aSearcher = SEARCHER_NTFS;
  bool equal = false;
  bool adopted = false;
};

class FileNodeCompare : public testing::TestWithParam<CompareCase> {};

TEST_P(FileNodeCompare, FoundTwiceRules) {
  const CompareCase& k = GetParam();
  TestFileNode a("same.txt", k.aDirectory, 7, 3);
  a.SetBelongedPartition(1);
  a.m_size = 100;
  a.m_created = 1000;
  a.m_searcher = k.aSearcher;
  TestFileNode b(k.bName, k.bDirectory, k.bId, k.bParent);
  b.SetBelongedPartition(k.bPartition);
  b.m_size = k.bSize;
  b.m_created = k.bCreated;
  EXPECT_EQ(a == b, k.equal);
  EXPECT_EQ(a.m_name == std::string("adopted:") + k.bName, k.adopted);
}

CompareCase Make(const char* name, void (*tweak)(CompareCase&)) {
  CompareCase k;
  k.name = name;
  tweak(k);
  return k;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileNodeCompare,
    testing::Values(
        Make("SameFileSamePartition", [](CompareCase& k) { k.equal = true; }),
        Make("OtherID", [](CompareCase& k) { k.bId = 8; }),
        Make("OtherParent", [](CompareCase& k) { k.bParent = 4; }),
        Make("DirectoryAgainstFile", [](CompareCase& k) { k.bDirectory = true; }),
        Make("SameDirectoryAnyPartition",
             [](CompareCase& k) { k.aDirectory = k.bDirectory = true, k.bPartition = 9, k.equal = true; }),
        Make("FileOtherPartition", [](CompareCase& k) { k.bPartition = 2; }),
        Make("HfsSameTimeAndSizeOtherPartition",
             [](CompareCase& k) { k.aSearcher = SEARCHER_HFSPLUS, k.bPartition = 2, k.equal = true; }),
        Make("HfsOtherSizeSamePartition", [](CompareCase& k) { k.aSearcher = SEARCHER_HFSPLUS, k.bSize = 5, k.equal = true; }),
        Make("HfsOtherSizeOtherPartition", [](CompareCase& k) { k.aSearcher = SEARCHER_HFSPLUS, k.bSize = 5, k.bPartition = 2; }),
        Make("OtherName", [](CompareCase& k) { k.bName = "other.txt"; }),
        Make("FatNewerDirectoryEntryWins",
             [](CompareCase& k) {
               k.aSearcher = SEARCHER_FAT, k.aDirectory = k.bDirectory = true, k.bName = "renamed", k.adopted = true;
             }),
        Make("FatSameTimeWins",
             [](CompareCase& k) {
               k.aSearcher = SEARCHER_FAT, k.aDirectory = k.bDirectory = true, k.bName = "renamed", k.bCreated = 1000,
               k.adopted = true;
             }),
        Make("FatOlderEntryLoses",
             [](CompareCase& k) {
               k.aSearcher = SEARCHER_FAT, k.aDirectory = k.bDirectory = true, k.bName = "renamed", k.bCreated = 999;
             }),
        Make("FatFileNeverAdopts", [](CompareCase& k) { k.aSearcher = SEARCHER_FAT, k.bName = "renamed", k.bCreated = 5000; }),
        Make("NtfsDirectoryNeverAdopts",
             [](CompareCase& k) { k.aDirectory = k.bDirectory = true, k.bName = "renamed", k.bCreated = 5000; })),
    [](const testing::TestParamInfo<CompareCase>& p) { return p.param.name; });

TEST(FileNode, FilterFileNameByDot) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"..  .abc", "abc"}, {"...", ""}, {"", ""}, {"  ", ""}, {"a.b.", "a.b."}, {" .x y", "x y"}, {"\t.x", "\t.x"},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(CFileNode::FilterFileNameByDot(name), expected) << name;
  TestFileNode node(". .hidden");
  node.FilterFileNameByDot();
  EXPECT_STREQ(node.GetFileName(), "hidden");
}

TEST(FileNode, CopiesOwnTheirRunListAndStayUnlinked) {
  Nodes nodes;
  TestFileNode* folder = nodes.Make("folder", true);
  TestFileNode* original = nodes.Make("original");
  ASSERT_EQ(folder->AddChild(original), 1);
  auto* runs = new CDataRunList();
  const DataRun run{40, 4};
  runs->AddDataRun(&run);
  original->SetDataRunList(runs);
  original->SetCurrentNodeID(11);
  original->SetBelongedPartition(3);
  original->SetCompressed(true);

  std::unique_ptr<IFileNode, void (*)(IFileNode*)> clone(original->Clone(), [](IFileNode* n) { n->Release(); });
  auto* copy = dynamic_cast<TestFileNode*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetCurrentNodeID(), 11);
  EXPECT_EQ(copy->GetBelongedPartition(), 3);
  EXPECT_EQ(copy->IsCompressed(), 1);
  EXPECT_EQ(copy->GetParent(), nullptr);
  EXPECT_EQ(copy->GetNextNode(), nullptr);
  ASSERT_NE(copy->GetDataRunList(), nullptr);
  EXPECT_NE(copy->GetDataRunList(), runs);
  EXPECT_EQ(copy->GetDataRunList()->GetFirst()->lcn, 40);

  // Assigning over a linked node keeps its place in the tree and its own run list copy.
  TestFileNode other("other");
  other.SetCurrentNodeID(12);
  *static_cast<CFileNode*>(original) = other;
  EXPECT_EQ(original->GetCurrentNodeID(), 12);
  EXPECT_EQ(original->GetParent(), folder);
  EXPECT_EQ(original->GetDataRunList(), nullptr);
  EXPECT_EQ(folder->GetFirstChild(), original);
}

}  // namespace
