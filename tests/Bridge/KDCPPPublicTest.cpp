// Node utilities: the bounded climb to the file-system root, year and month, the order of node lists, and
// the titles of the file-type groups.

#include "Bridge/KDCPPPublic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Bridge/BridgeServices.h"
#include "Bridge/CmpFileNode.h"
#include "Bridge/NodeTreeType.h"
#include "BridgeTestNodes.h"
#include "support/ScopedTimeZone.h"

namespace quellsy::test {
namespace {

KDCPPPublic& Utilities() { return *KDCPPPublic::instance(); }

TEST(KDCPPPublicRoot, RootAndSearcherOfANode) {
  NodeTree tree;
  for (_tagSearcherType searcher : {SEARCHER_FAT, SEARCHER_NTFS, SEARCHER_HFSPLUS, SEARCHER_APFS, SEARCHER_RAW}) {
    CFilesystemNode* root = tree.Root("Untitled", searcher);
    BridgeTestNode* file = tree.File(tree.Folder(root, "DCIM"), "a.jpg");
    EXPECT_EQ(Utilities().GetFileSystemNode(file), root);
    EXPECT_EQ(Utilities().GetFileSystemNode(root), root);
    EXPECT_EQ(Utilities().GetNodeSearcheType(file), searcher);
  }
  BridgeTestNode* orphan = tree.File(tree.Folder(nullptr, "orphans"), "x");  // its top is no root
  EXPECT_EQ(Utilities().GetFileSystemNode(orphan), nullptr);
  EXPECT_EQ(Utilities().GetNodeSearcheType(orphan), SEARCHER_NONE);
  EXPECT_EQ(Utilities().GetFileSystemNode(nullptr), nullptr);
  EXPECT_EQ(Utilities().GetNodeSearcheType(nullptr), SEARCHER_NONE);
}

// A node depth folders below the root needs depth climbs to reach it; at most 1024 are taken.
TEST(KDCPPPublicRoot, ClimbIsBounded) {
  struct Case {
    int depth;
    bool reachesRoot;
  };
  for (const Case c : {Case{1, true}, Case{1024, true}, Case{1025, false}, Case{1100, false}}) {
    NodeTree tree;
    CFilesystemNode* root = tree.Root("Untitled", SEARCHER_EXFAT);
    BridgeTestNode* deepest = tree.Chain(root, c.depth);
    EXPECT_EQ(Utilities().GetFileSystemNode(deepest), c.reachesRoot ? root : nullptr) << c.depth;
    EXPECT_EQ(Utilities().GetNodeSearcheType(deepest), c.reachesRoot ? SEARCHER_EXFAT : SEARCHER_NONE) << c.depth;
  }
}

TEST(KDCPPPublicTime, YearAndMonthFromSecondsAndFileTime) {
  ScopedTimeZone zone("CET-1");
  // 1704067199 is 2023-12-31 23:59:59 UTC, already January 2024 one hour east.
  int year = 0, month = 0;
  Utilities().GetYearMonthByTimeT(&year, &month, 1'704'067'199);
  EXPECT_EQ(year, 2024);
  EXPECT_EQ(month, 1);
  year = month = 0;
  Utilities().GetYearMonthByFileTime(&year, &month, 116'444'736'000'000'000ULL + 1'704'067'199ULL * 10'000'000ULL);
  EXPECT_EQ(year, 2024);
  EXPECT_EQ(month, 1);
  Utilities().GetYearMonthByTimeT(nullptr, &month, 0);  // 1970-01-01 01:00 local
  EXPECT_EQ(month, 1);
  Utilities().GetYearMonthByTimeT(nullptr, nullptr, 0);
}

// Times as whole seconds since 1601 and names, with repeats, a node without a name, nodes without a time,
// times before 1970 and null entries.
class KDCPPPublicSort : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<std::uint64_t> seconds{13'000'000'000ULL, 13'000'000'000ULL, 12'000'000'000ULL,
                                             11'000'000'000ULL /* 1949 */, 0 /* no time */, 13'500'000'000ULL};
    const std::vector<std::optional<std::string>> names{"b.jpg", "a.jpg", "b.jpg", std::nullopt, "", "Z"};
    for (int i = 0; i < 24; ++i) {
      BridgeTestNode* node = tree.File(nullptr, names[i % names.size()]);
      const std::uint64_t s = seconds[(i * 5) % seconds.size()];
      // Parts of a second differ but do not count.
      node->created = s * 10'000'000ULL + (s ? static_cast<std::uint64_t>(i) : 0);
      node->modified = seconds[(i * 7 + 1) % seconds.size()] * 10'000'000ULL;
      node->accessed = seconds[(i + 3) % seconds.size()] * 10'000'000ULL;
      nodes.push_back(node);
    }
    for (int i = 0; i < 4; ++i) nodes.push_back(nullptr);
  }

  // The value a key orders by, worked out independently: seconds since 1601, or the name.
  static std::uint64_t Seconds(IFileNode* node, int key) {
    const auto* n = static_cast<BridgeTestNode*>(node);
    const std::uint64_t t = key == NODE_TREE_CREATION_TIME ? n->created
                            : key == NODE_TREE_MODIFICATION_TIME ? n->modified
                                                                 : n->accessed;
    return t / 10'000'000ULL;
  }
  static std::string Name(IFileNode* node) { return node->GetFileName() ? node->GetFileName() : ""; }

  NodeTree tree;
  std::vector<IFileNode*> nodes;
};

TEST_F(KDCPPPublicSort, EveryKeyIsAStrictWeakOrder) {
  for (int key : {NODE_TREE_PATH, NODE_TREE_CREATION_TIME, NODE_TREE_MODIFICATION_TIME, NODE_TREE_ACCESS_TIME}) {
    const cmpFileNode less(key);
    for (IFileNode* a : nodes) {
      ASSERT_FALSE(less(a, a)) << key;
      for (IFileNode* b : nodes) {
        ASSERT_FALSE(less(a, b) && less(b, a)) << key;
        const bool equivalentAB = !less(a, b) && !less(b, a);
        for (IFileNode* c : nodes) {
          if (less(a, b) && less(b, c)) {
            ASSERT_TRUE(less(a, c)) << key;
          }
          if (equivalentAB && !less(b, c) && !less(c, b)) {
            ASSERT_TRUE(!less(a, c) && !less(c, a)) << key;
          }
        }
      }
    }
  }
}

TEST_F(KDCPPPublicSort, ShuffledListsSortNewestOrGreatestFirstAndNullsLast) {
  std::mt19937 random(42);
  for (int key : {NODE_TREE_PATH, NODE_TREE_CREATION_TIME, NODE_TREE_MODIFICATION_TIME, NODE_TREE_ACCESS_TIME}) {
    for (int round = 0; round < 20; ++round) {
      std::vector<IFileNode*> list = nodes;
      std::shuffle(list.begin(), list.end(), random);
      Utilities().SortFileNodeVector(list, key);
      ASSERT_TRUE(std::is_sorted(list.begin(), list.end(), cmpFileNode(key))) << key;

      const auto firstNull = std::find(list.begin(), list.end(), nullptr);
      ASSERT_EQ(list.end() - firstNull, 4) << "nulls last";
      ASSERT_TRUE(std::all_of(firstNull, list.end(), [](IFileNode* n) { return n == nullptr; }));
      for (auto it = list.begin(); it + 1 < firstNull; ++it) {
        if (key == NODE_TREE_PATH)
          ASSERT_GE(std::strcmp(Name(*it).c_str(), Name(*(it + 1)).c_str()), 0);
        else
          ASSERT_GE(Seconds(*it, key), Seconds(*(it + 1), key)) << key;
      }
    }
  }
}

TEST_F(KDCPPPublicSort, TimesBefore1970ComeAfterLaterOnesAndNoTimeComesLast) {
  std::vector<IFileNode*> list = nodes;
  Utilities().SortFileNodeVector(list, NODE_TREE_CREATION_TIME);
  const auto firstNull = std::find(list.begin(), list.end(), nullptr);
  EXPECT_EQ(Seconds(list.front(), NODE_TREE_CREATION_TIME), 13'500'000'000ULL);
  EXPECT_EQ(Seconds(*(firstNull - 1), NODE_TREE_CREATION_TIME), 0u);
}

TEST(KDCPPPublicTitles, EnglishTitlesAndTheirReverse) {
  bridge::ResetBridgeServicesForTesting();
  const std::vector<_FILTER_TYPE> bits{FILTER_TYPE_DOCUMENT, FILTER_TYPE_PICTURE, FILTER_TYPE_MOVIE,
                                       FILTER_TYPE_MUSIC,    FILTER_TYPE_ARCHIVES, FILTER_TYPE_EMAIL,
                                       FILTER_TYPE_OTHER};
  for (_FILTER_TYPE bit : bits) {
    const std::string title = Utilities().FilterTypeToString(bit);
    EXPECT_FALSE(title.empty()) << bit;
    EXPECT_EQ(Utilities().StringToFilterType(title.c_str()), bit);
    EXPECT_TRUE(Utilities().IsTypeString(title.c_str(), bit));
  }
  EXPECT_EQ(Utilities().FilterTypeToString(static_cast<_FILTER_TYPE>(3)), "");
  EXPECT_EQ(Utilities().FilterTypeToString(FILTER_TYPE_ALL), "");
  EXPECT_EQ(Utilities().StringToFilterType("no such group"), FILTER_TYPE_OTHER);
  EXPECT_EQ(Utilities().StringToFilterType(nullptr), FILTER_TYPE_OTHER);
  EXPECT_FALSE(Utilities().IsTypeString(nullptr, FILTER_TYPE_DOCUMENT));
  EXPECT_EQ(Utilities().GetStringByID(7), "abc");
}

class MapTranslator : public bridge::ITranslator {
 public:
  std::string Translate(std::string_view key, std::string_view fallback) const override {
    const auto it = texts.find(std::string(key));
    return it == texts.end() ? std::string(fallback) : it->second;
  }
  std::map<std::string, std::string> texts;
};

TEST(KDCPPPublicTitles, TitlesComeFromTheInstalledTranslator) {
  MapTranslator german;
  german.texts = {{"RVT_TWO_PICTURE_TITLE", "Bilder"}, {"RVT_TWO_MUSIC_TITLE", "Musik"}};
  bridge::SetTranslator(&german);
  EXPECT_EQ(Utilities().FilterTypeToString(FILTER_TYPE_PICTURE), "Bilder");
  EXPECT_EQ(Utilities().StringToFilterType("Musik"), FILTER_TYPE_MUSIC);
  EXPECT_EQ(Utilities().FilterTypeToString(FILTER_TYPE_MOVIE), "");  // no text: the empty default
  EXPECT_EQ(Utilities().StringToFilterType("Pictures"), FILTER_TYPE_OTHER);
  bridge::ResetBridgeServicesForTesting();
}

TEST(KDCPPPublicSearch, ForwardsToTheNodeSearch) {
  bridge::ResetBridgeServicesForTesting();
  NodeTree tree;
  BridgeTestNode* folder = tree.Folder(tree.Root("Untitled"), "DCIM");
  tree.File(folder, "IMG_0001.JPG");
  EXPECT_TRUE(Utilities().IsStringInFileNode("img_", folder));
  EXPECT_FALSE(Utilities().IsStringInFileNode("png", folder));
}

}  // namespace
}  // namespace quellsy::test
