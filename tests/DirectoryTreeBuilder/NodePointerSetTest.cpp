#include "DirectoryTreeBuilder/NodePointerSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <unordered_set>
#include <vector>

namespace {

// Addresses only: the set never looks behind its pointers.
IFileNode* Fake(std::uintptr_t index) { return reinterpret_cast<IFileNode*>((index + 1) * 16); }

TEST(CNodePointerSet, AgreesWithAStandardSetOverManyInsertsAndErases) {
  CNodePointerSet set;
  std::unordered_set<IFileNode*> oracle;
  std::mt19937 random(22);
  for (int step = 0; step < 200000; ++step) {
    IFileNode* node = Fake(random() % 5000);
    if (random() % 3 == 0) {
      EXPECT_EQ(set.Erase(node), oracle.erase(node) == 1);
    } else {
      EXPECT_EQ(set.Insert(node), oracle.insert(node).second);
    }
    ASSERT_EQ(set.Size(), oracle.size());
  }
  for (std::uintptr_t i = 0; i < 5000; ++i) EXPECT_EQ(set.Contains(Fake(i)), oracle.count(Fake(i)) == 1) << i;

  std::vector<IFileNode*> taken = set.Take();
  std::vector<IFileNode*> expected(oracle.begin(), oracle.end());
  std::sort(taken.begin(), taken.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(taken, expected);
  EXPECT_EQ(set.Size(), 0u);
  EXPECT_FALSE(set.Contains(expected.empty() ? Fake(0) : expected.front()));
}

TEST(CNodePointerSet, RefusesNullAndStaysUsableAfterTake) {
  CNodePointerSet set;
  EXPECT_FALSE(set.Insert(nullptr));
  EXPECT_FALSE(set.Contains(nullptr));
  EXPECT_FALSE(set.Erase(nullptr));
  EXPECT_FALSE(set.Erase(Fake(1)));
  EXPECT_TRUE(set.Take().empty());
  EXPECT_TRUE(set.Insert(Fake(1)));
  EXPECT_FALSE(set.Insert(Fake(1)));
  EXPECT_TRUE(set.Contains(Fake(1)));
  EXPECT_EQ(set.Take(), std::vector<IFileNode*>{Fake(1)});
}

}  // namespace
