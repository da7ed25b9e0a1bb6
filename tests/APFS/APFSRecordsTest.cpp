// Joining inode, directory-record and extent records into nodes, on containers written by the test-side writer.

#include <gtest/gtest.h>

#include <map>

#include "APFS/APFSContainerParser.h"
#include "ApfsImageDelegate.h"
#include "Utility/ByteReader.h"
#include "support/TempDir.h"
#include "support/apfs/ApfsContainerWriter.h"

namespace {

namespace w = quellsy::test::apfs;
using quellsy::test::ApfsImageDelegate;

constexpr std::uint64_t kT0 = w::Seconds(1600000000);

// The root folder every volume tree starts with (identifier 2, its parent 1).
w::TreeRecord Root() { return w::Inode(2, 1, "root", true, 0, kT0); }

struct Parsed {
  explicit Parsed(const std::vector<std::uint8_t>& image) {
    quellsy::test::WriteFile(dir.path() / "c.img", image);
    owner = std::make_unique<ApfsImageDelegate>(dir.path() / "c.img");
    parser = std::make_unique<APFSContainerParser>(*owner, 0, 0);
    walk = parser->WalkContainer();
    parser->FlushPending(~std::uint64_t{0});
  }
  std::map<std::string, APFSFileNode*> ByPath() const {
    std::map<std::string, APFSFileNode*> byPath;
    for (APFSFileNode* node : owner->handed) byPath[ApfsImageDelegate::PathOf(*node)] = node;
    return byPath;
  }
  quellsy::test::TempDir dir;
  std::unique_ptr<ApfsImageDelegate> owner;
  std::unique_ptr<APFSContainerParser> parser;
  int walk = 1;
};

TEST(APFSRecords, WrittenFilesComeBackByteForByte) {
  w::ContainerWriter writer;
  const auto small = quellsy::test::PatternBytes(5000, 1);
  const auto big = quellsy::test::PatternBytes(10000, 2);
  const std::uint64_t smallAt = writer.AddData(small);
  const std::uint64_t bigHead = writer.AddData({big.begin(), big.begin() + 4096});
  writer.AddData(std::vector<std::uint8_t>(4096, 0xEE));  // a gap: the second extent lies elsewhere
  const std::uint64_t bigTail = writer.AddData({big.begin() + 4096, big.end()});
  writer.AddVolume("Data", {Root(), w::Inode(16, 2, "docs", true, 0, kT0), w::DirectoryRecord(2, "docs", 16, true, kT0),
                            w::Inode(17, 16, "a.txt", false, small.size(), kT0),
                            w::DirectoryRecord(16, "a.txt", 17, false, kT0), w::Extent(17, 0, 8192, smallAt),
                            w::Inode(18, 2, "b.bin", false, big.size(), kT0),
                            w::DirectoryRecord(2, "b.bin", 18, false, kT0), w::Extent(18, 0, 4096, bigHead),
                            w::Extent(18, 4096, 8192, bigTail)});
  Parsed parsed(writer.Build());
  EXPECT_EQ(parsed.walk, 0);
  EXPECT_EQ(parsed.parser->ContainerName(), "Data_0");
  const auto byPath = parsed.ByPath();
  ASSERT_TRUE(byPath.count("docs/a.txt"));
  ASSERT_TRUE(byPath.count("b.bin"));
  const APFSFileNode& a = *byPath.at("docs/a.txt");
  EXPECT_EQ(a.GetParentNodeID(), 16);
  EXPECT_FALSE(a.IsDeleted());
  EXPECT_EQ(a.GetCreationTime(), 116444736000000000ull + 1600000000ull * 10000000ull);
  EXPECT_EQ(parsed.owner->Contents(*parsed.parser, a), small);
  EXPECT_EQ(parsed.owner->Contents(*parsed.parser, *byPath.at("b.bin")), big);
  EXPECT_TRUE(byPath.at("docs")->IsDirectory());
}

TEST(APFSRecords, NameRulesThroughRecords) {
  w::ContainerWriter writer;
  writer.AddVolume("V", {Root(), w::Inode(20, 2, ".DS_Store", false, 10, kT0),
                         w::DirectoryRecord(2, ".DS_Store", 20, false, kT0), w::Inode(21, 2, "..x", false, 10, kT0),
                         w::DirectoryRecord(2, "..x", 21, false, kT0), w::Inode(22, 2, ".Trashes", true, 0, kT0),
                         w::DirectoryRecord(2, ".Trashes", 22, true, kT0),
                         w::Inode(23, 22, "gone.txt", false, 10, kT0),
                         w::DirectoryRecord(22, "gone.txt", 23, false, kT0)});
  Parsed parsed(writer.Build());
  const auto byPath = parsed.ByPath();
  for (const auto& [path, node] : byPath) EXPECT_EQ(path.find("DS_Store"), std::string::npos) << path;
  EXPECT_TRUE(byPath.count(".x"));
  ASSERT_TRUE(byPath.count("Trashes"));
  EXPECT_TRUE(byPath.at("Trashes")->IsDirectory());
  EXPECT_TRUE(byPath.at("Trashes")->IsDeleted());
  EXPECT_TRUE(byPath.count("Trashes/gone.txt"));
}

TEST(APFSRecords, SameNamedDirectoriesBecomeOneFolder) {
  w::ContainerWriter writer;
  writer.AddVolume("V", {Root(), w::Inode(30, 2, "Docs", true, 0, kT0), w::Inode(31, 2, "Docs", true, 0, kT0),
                         w::Inode(32, 31, "in-second.txt", false, 10, kT0)});
  Parsed parsed(writer.Build());
  const auto byPath = parsed.ByPath();
  ASSERT_TRUE(byPath.count("Docs/in-second.txt"));
  EXPECT_EQ(byPath.at("Docs/in-second.txt")->GetParentNodeID(), 30);
  int folders = 0;
  for (APFSFileNode* node : parsed.owner->handed) folders += node->Name() == std::string("Docs\0", 5);
  EXPECT_EQ(folders, 1);
}

TEST(APFSRecords, DeadNameTakesTheEarlierVersionsName) {
  w::ContainerWriter writer;
  writer.AddVolume("V", {Root(), w::Inode(40, 2, "report.txt", false, 10, kT0),
                         w::Inode(40, 41, "0x12-dead", false, 10, kT0 + w::Seconds(5))});
  Parsed parsed(writer.Build());
  const auto byPath = parsed.ByPath();
  EXPECT_TRUE(byPath.count("report.txt"));
  int derived = 0;
  for (APFSFileNode* node : parsed.owner->handed) derived += node->Name() == std::string("report.txt-12\0", 14);
  EXPECT_EQ(derived, 1);
}

TEST(APFSRecords, EntryWithValueAtZeroIsSkippedAndTheNextRead) {
  auto node = w::TreeNode(1028, {w::Inode(50, 2, "skipped", false, 10, kT0), w::Inode(51, 2, "read", false, 10, kT0)});
  quellsy::FieldWriter(node).le16(60, 4096 - 40);  // the first value would start at byte 0
  std::vector<std::uint8_t> image(8 * 4096, 0);
  quellsy::test::TempDir dir;
  quellsy::test::WriteFile(dir.path() / "c.img", image);
  ApfsImageDelegate owner(dir.path() / "c.img");
  APFSContainerParser parser(owner, 0, 0);
  parser.ApplyNodeRecords(node, 7);
  parser.FlushPending(~std::uint64_t{0});
  ASSERT_EQ(owner.handed.size(), 1u);
  EXPECT_EQ(owner.handed[0]->Name(), std::string("read\0", 5));
}

struct LooseCase {
  std::int64_t keyCount;
  bool taken;
};

class LooseNode : public ::testing::TestWithParam<LooseCase> {};

TEST_P(LooseNode, NodesWithTooManyKeysContributeNothing) {
  w::ContainerWriter writer;
  writer.AddVolume("V", {Root()});
  Parsed parsed(writer.Build());
  const auto loose = w::TreeNode(77, {w::Inode(60, 2, "late.txt", false, 10, kT0)}, 2, GetParam().keyCount);
  parsed.parser->AnalyzeNode(100 * 8, 100, loose);
  parsed.parser->FlushPending(~std::uint64_t{0});
  bool found = false;
  for (APFSFileNode* node : parsed.owner->handed) {
    if (node->Name() != std::string("late.txt\0", 9)) continue;
    found = true;
    EXPECT_TRUE(node->IsDeleted()) << "met after the live walk";
  }
  EXPECT_EQ(found, GetParam().taken);
}

INSTANTIATE_TEST_SUITE_P(KeyCounts, LooseNode, ::testing::Values(LooseCase{1023, true}, LooseCase{1024, false}));

TEST(APFSRecords, EveryVolumeOfTheContainerIsWalkedInOrder) {
  w::ContainerWriter writer;
  writer.AddVolume("First", {Root(), w::Inode(70, 2, "one.txt", false, 10, kT0)});
  writer.AddVolume("Second", {Root(), w::Inode(71, 2, "two.txt", false, 10, kT0)});
  writer.AddVolume("Third", {Root(), w::Inode(72, 2, "three.txt", false, 10, kT0)});
  Parsed parsed(writer.Build());
  EXPECT_EQ(parsed.parser->ContainerName(), "First_0");
  std::vector<std::string> files;
  for (APFSFileNode* node : parsed.owner->handed)
    if (!node->IsDirectory()) files.push_back(ApfsImageDelegate::PathOf(*node));
  EXPECT_EQ(files, (std::vector<std::string>{"one.txt", "two.txt", "three.txt"}));
}

}  // namespace
