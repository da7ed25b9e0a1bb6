#include "DirectoryTreeBuilder/NodeIdTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <random>
#include <vector>

namespace {

// Addresses only: the table never looks behind its pointers.
IFileNode* Fake(std::uintptr_t index) { return reinterpret_cast<IFileNode*>((index + 1) * 16); }

using Oracle = std::map<long long, std::vector<IFileNode*>>;

void ExpectSame(const CNodeIdTable& table, const Oracle& oracle, const std::vector<long long>& ids) {
  ASSERT_EQ(table.Size(), oracle.size());
  for (const long long id : ids) {
    const auto found = table.Find(id);
    const auto expected = oracle.find(id);
    if (expected == oracle.end()) {
      EXPECT_TRUE(found.empty()) << id;
    } else {
      EXPECT_EQ(std::vector<IFileNode*>(found.begin(), found.end()), expected->second) << id;
    }
  }
  Oracle visited;
  table.ForEach([&](long long id, std::span<IFileNode* const> nodes) {
    EXPECT_TRUE(visited.emplace(id, std::vector<IFileNode*>(nodes.begin(), nodes.end())).second) << id;
  });
  EXPECT_EQ(visited, oracle);
}

// IDs as searchers give them: dense record numbers, byte offsets of 32-byte entries, negative and extreme ones.
TEST(CNodeIdTable, AgreesWithAStandardMapOverManyAddsAndRemoves) {
  const std::vector<std::vector<long long>> idSets = [] {
    std::vector<long long> dense, strided, mixed;
    for (long long i = 0; i < 3000; ++i) {
      dense.push_back(i);
      strided.push_back(0x100000 + i * 32);
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 2000; ++i) mixed.push_back(static_cast<long long>(random()));
    mixed.insert(mixed.end(), {-1, 0, 1, LLONG_MIN, LLONG_MAX});
    return std::vector<std::vector<long long>>{dense, strided, mixed};
  }();
  for (const std::vector<long long>& ids : idSets) {
    CNodeIdTable table;
    Oracle oracle;
    std::mt19937 random(22);
    for (int step = 0; step < 60000; ++step) {
      const long long id = ids[random() % ids.size()];
      // A few nodes per ID, so that IDs met more than once come and go too.
      IFileNode* node = Fake(random() % 3);
      if (random() % 3 == 0) {
        auto entry = oracle.find(id);
        bool held = false;
        if (entry != oracle.end()) {
          auto at = std::find(entry->second.begin(), entry->second.end(), node);
          held = at != entry->second.end();
          if (held) entry->second.erase(at);
          if (entry->second.empty()) oracle.erase(entry);
        }
        ASSERT_EQ(table.Remove(id, node), held) << id;
      } else {
        table.Add(id, node);
        oracle[id].push_back(node);
      }
      ASSERT_EQ(table.Size(), oracle.size());
    }
    ExpectSame(table, oracle, ids);
    // Everything out again, in another order than it came: the probe runs must stay whole throughout.
    std::vector<std::pair<long long, IFileNode*>> all;
    for (const auto& [id, nodes] : oracle)
      for (IFileNode* node : nodes) all.emplace_back(id, node);
    std::shuffle(all.begin(), all.end(), random);
    for (std::size_t i = 0; i < all.size(); ++i) {
      ASSERT_TRUE(table.Remove(all[i].first, all[i].second));
      auto& nodes = oracle[all[i].first];
      nodes.erase(std::find(nodes.begin(), nodes.end(), all[i].second));
      if (nodes.empty()) oracle.erase(all[i].first);
      if (i % 500 == 0) ExpectSame(table, oracle, ids);
    }
    EXPECT_EQ(table.Size(), 0u);
  }
}

TEST(CNodeIdTable, KeepsTheOrderOfAnIdsNodesAndIsUsableAfterClear) {
  CNodeIdTable table;
  EXPECT_TRUE(table.Find(5).empty());
  EXPECT_FALSE(table.Remove(5, Fake(0)));
  table.Add(5, nullptr);
  EXPECT_EQ(table.Size(), 0u);
  table.Add(5, Fake(2));
  table.Add(5, Fake(0));
  table.Add(5, Fake(1));
  const auto nodes = table.Find(5);
  EXPECT_EQ(std::vector<IFileNode*>(nodes.begin(), nodes.end()), (std::vector<IFileNode*>{Fake(2), Fake(0), Fake(1)}));
  EXPECT_FALSE(table.Remove(6, Fake(0)));
  EXPECT_FALSE(table.Remove(5, Fake(3)));
  table.Clear();
  EXPECT_EQ(table.Size(), 0u);
  EXPECT_TRUE(table.Find(5).empty());
  table.Add(5, Fake(4));
  ASSERT_EQ(table.Find(5).size(), 1u);
  EXPECT_EQ(table.Find(5)[0], Fake(4));
}

}  // namespace
