// Check state and shown state carried through the tree.

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "include/TestFileNode.h"

namespace {

class Tree {
 public:
  TestFileNode* Add(TestFileNode* parent, const std::string& name, bool directory = false) {
    m_nodes.push_back(std::make_unique<TestFileNode>(name, directory));
    TestFileNode* node = m_nodes.back().get();
    if (parent != nullptr) {
      EXPECT_EQ(parent->AddChild(node), 1);
    }
    return node;
  }

 private:
  std::vector<std::unique_ptr<TestFileNode>> m_nodes;
};

// top / folder / {a, b, sub / {s1, s2 (hidden)}, hidden}
class CheckPropagation : public testing::Test {
 protected:
  void SetUp() override {
    top = tree.Add(nullptr, "top", true);
    folder = tree.Add(top, "folder", true);
    a = tree.Add(folder, "a");
    b = tree.Add(folder, "b");
    sub = tree.Add(folder, "sub", true);
    s1 = tree.Add(sub, "s1");
    s2 = tree.Add(sub, "s2");
    hidden = tree.Add(folder, "hidden");
    hidden->ShowNode(0);
    s2->ShowNode(0);
  }

  Tree tree;
  TestFileNode *top, *folder, *a, *b, *sub, *s1, *s2, *hidden;
};

TEST_F(CheckPropagation, FolderWithThreeShownChildren) {
  ASSERT_EQ(folder->GetShownChildrenCount(), 3u);
  folder->SetCheck(CHECKED_STATUS_CHECKED);
  for (TestFileNode* node : {folder, a, b, sub, s1}) EXPECT_EQ(node->GetCheckedStatus(), CHECKED_STATUS_CHECKED) << node->m_name;
  EXPECT_EQ(folder->GetChildrenCheckSum(), 6u);
  EXPECT_EQ(top->GetChildrenCheckSum(), 2u);
  EXPECT_EQ(top->GetCheckedStatus(), CHECKED_STATUS_CHECKED);
  for (TestFileNode* node : {hidden, s2}) EXPECT_EQ(node->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED) << node->m_name;

  a->SetCheck(CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(folder->GetCheckedStatus(), CHECKED_STATUS_PARTIAL);
  EXPECT_EQ(folder->GetChildrenCheckSum(), 4u);
  EXPECT_EQ(top->GetChildrenCheckSum(), 1u);
  EXPECT_EQ(top->GetCheckedStatus(), CHECKED_STATUS_PARTIAL);

  // Checking the last unchecked child completes the folder again, and the top with it.
  a->SetCheck(CHECKED_STATUS_CHECKED);
  EXPECT_EQ(top->GetCheckedStatus(), CHECKED_STATUS_CHECKED);
  top->SetCheck(CHECKED_STATUS_UNCHECKED);
  for (TestFileNode* node : {top, folder, a, b, sub, s1}) EXPECT_EQ(node->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(folder->GetChildrenCheckSum(), 0u);
}

TEST_F(CheckPropagation, RefusedCallsChangeNothing) {
  b->SetCheck(CHECKED_STATUS_CHECKED);
  const std::vector<std::function<void()>> refused = {
      [&] { hidden->SetCheck(CHECKED_STATUS_CHECKED); },      // hidden node
      [&] { folder->SetCheck(CHECKED_STATUS_PARTIAL); },      // partial is derived only
      [&] { folder->SetCheck(static_cast<_tagCheckedStatus>(3)); },
      [&] { folder->SetCheck(static_cast<_tagCheckedStatus>(-1)); },
  };
  for (const auto& call : refused) {
    call();
    EXPECT_EQ(hidden->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(folder->GetCheckedStatus(), CHECKED_STATUS_PARTIAL);
    EXPECT_EQ(folder->GetChildrenCheckSum(), 2u);
    EXPECT_EQ(a->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
    EXPECT_EQ(top->GetChildrenCheckSum(), 1u);
  }
}

TEST_F(CheckPropagation, SumsFollowChildrenShownAndHidden) {
  a->SetCheck(CHECKED_STATUS_CHECKED);  // folder: a 2, b 0, sub 0
  ASSERT_EQ(folder->GetCheckedStatus(), CHECKED_STATUS_PARTIAL);
  struct Step {
    TestFileNode* node;
    int show;
    unsigned count, sum;
    _tagCheckedStatus folderStatus, topStatus;
  };
  const std::vector<Step> steps = {
      {b, 0, 2, 2, CHECKED_STATUS_PARTIAL, CHECKED_STATUS_PARTIAL},  // a 2, sub 0
      {sub, 0, 1, 2, CHECKED_STATUS_CHECKED, CHECKED_STATUS_CHECKED},  // only the checked child is left
      {hidden, 1, 2, 2, CHECKED_STATUS_PARTIAL, CHECKED_STATUS_PARTIAL},
      {hidden, 0, 1, 2, CHECKED_STATUS_CHECKED, CHECKED_STATUS_CHECKED},
      {a, 0, 0, 0, CHECKED_STATUS_UNCHECKED, CHECKED_STATUS_UNCHECKED},  // nothing shown: folder hidden too
      {a, 1, 1, 2, CHECKED_STATUS_CHECKED, CHECKED_STATUS_CHECKED},
      {b, 1, 2, 2, CHECKED_STATUS_PARTIAL, CHECKED_STATUS_PARTIAL},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    step.node->ShowNode(step.show);
    EXPECT_EQ(folder->GetShownChildrenCount(), step.count) << "step " << i;
    EXPECT_EQ(folder->GetChildrenCheckSum(), step.sum) << "step " << i;
    EXPECT_EQ(folder->GetCheckedStatus(), step.folderStatus) << "step " << i;
    EXPECT_EQ(top->GetCheckedStatus(), step.topStatus) << "step " << i;
    EXPECT_EQ(folder->IsNodeShow(), step.count != 0 ? 1 : 0) << "step " << i;
    EXPECT_EQ(top->GetChildrenCheckSum(), folder->IsNodeShow() != 0 ? static_cast<unsigned>(step.folderStatus) : 0u)
        << "step " << i;
  }
}

TEST(ShownPropagation, HidingTheLastShownChildHidesUpToTheRoot) {
  Tree tree;
  TestFileNode* root = tree.Add(nullptr, "root", true);
  TestFileNode* d1 = tree.Add(root, "d1", true);
  TestFileNode* sibling = tree.Add(root, "sibling");
  TestFileNode* d2 = tree.Add(d1, "d2", true);
  TestFileNode* leaf = tree.Add(d2, "leaf");

  leaf->ShowNode(0);
  EXPECT_EQ(d2->IsNodeShow(), 0);
  EXPECT_EQ(d1->IsNodeShow(), 0);
  EXPECT_EQ(root->IsNodeShow(), 1) << "a sibling is still shown";
  EXPECT_EQ(root->GetShownChildrenCount(), 1u);
  sibling->ShowNode(0);
  EXPECT_EQ(root->IsNodeShow(), 0);
  leaf->ShowNode(1);
  for (TestFileNode* node : {leaf, d2, d1, root}) EXPECT_EQ(node->IsNodeShow(), 1) << node->m_name;
  EXPECT_EQ(root->GetShownChildrenCount(), 1u);
  leaf->ShowNode(2);  // another non-zero value is still "shown": no double count
  EXPECT_EQ(d2->GetShownChildrenCount(), 1u);
}

// The scan runs on a thread with a 2 MiB stack; chains from corrupt metadata can be very deep.
void RunOnSmallStack(void* (*body)(void*), void* arg) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, 2u << 20), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, body, arg), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

TEST(ShownPropagation, DeepChainsOnTheScanThreadStack) {
  constexpr std::size_t kDepth = 100000;
  std::vector<std::unique_ptr<TestFileNode>> chain;
  for (std::size_t i = 0; i < kDepth; ++i) chain.push_back(std::make_unique<TestFileNode>("n", i + 1 < kDepth));
  // Linked bottom-up so each link's loop test stays short.
  for (std::size_t i = kDepth - 1; i > 0; --i) ASSERT_EQ(chain[i - 1]->AddChild(chain[i].get()), 1);

  RunOnSmallStack(
      [](void* arg) -> void* {
        auto& nodes = *static_cast<std::vector<std::unique_ptr<TestFileNode>>*>(arg);
        nodes.front()->SetCheck(CHECKED_STATUS_CHECKED);
        nodes.back()->ShowNode(0);
        nodes.back()->ShowNode(1);
        nodes.back()->SetCheck(CHECKED_STATUS_UNCHECKED);
        return nullptr;
      },
      &chain);
  EXPECT_EQ(chain[kDepth / 2]->IsNodeShow(), 1);
  EXPECT_EQ(chain.front()->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
  EXPECT_EQ(chain[kDepth - 2]->GetCheckedStatus(), CHECKED_STATUS_UNCHECKED);
}

}  // namespace
