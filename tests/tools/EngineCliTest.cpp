// The engine harness end to end: real controllers, tree builder and data recovery over image files, with fake
// searchers standing in for engines that have not landed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../DirectoryTreeBuilder/TreeTestNode.h"
#include "EngineCliRun.h"
#include "FATLib/FATEngine.h"
#include "NodeReport.h"
#include "RecoveryController/FakeSearchers.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;

constexpr std::uintmax_t kImageBytes = 64ULL << 20;
constexpr long long kClusterBytes = 4096;

// A 64 MiB image (sparse zeros) with the contents of three files at known clusters, and fake FAT and NTFS
// searchers that report them: the FAT one with runs into the image (4 KiB clusters from sector 0).
class EngineCliTest : public testing::Test {
 protected:
  void SetUp() override {
    {
      std::ofstream create(image, std::ios::binary);
    }
    fs::resize_file(image, kImageBytes);
    Place(100, PatternBytes(10000, 1));
    Place(200, PatternBytes(5000, 2));
    Place(300, PatternBytes(300, 3));
    Place(400, PatternBytes(4096, 4));

    engines.AddComplete(SEARCHER_FAT);
    engines.AddComplete(SEARCHER_NTFS);
    CSearchedPartitionInfo record;
    record.SetSectorsPerCluster(8);
    record.SetTotalSectors(kImageBytes / 512);
    engines.Script(SEARCHER_FAT).partitions = {record};
    engines.Script(SEARCHER_FAT).nodes = {
        {"docs", 10, 5, true, 0, {}},
        {"a.txt", 11, 10, false, 10000, {{100, 3}}},
        {"b.bin", 12, 5, false, 5000, {{200, 2}}},
        {"b.bin", 14, 5, false, 300, {{300, 1}}},
        {"sub/../../escape", 13, 10, false, 4096, {{400, 1}}},
    };
    engines.Script(SEARCHER_NTFS).nodes = {{"lost.doc", 20, 5, false, 1234, {}}};
  }

  void Place(long long cluster, const std::vector<std::uint8_t>& bytes) {
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(cluster * kClusterBytes);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    contents[cluster] = bytes;
  }

  TempDir dir;
  const std::string image = (dir / "card.img").string();
  FakeEngines engines;
  std::map<long long, std::vector<std::uint8_t>> contents;
};

TEST_F(EngineCliTest, CompleteScanPrintsOneJsonLinePerNodeAndASummary) {
  const CliRun run = Cli({"complete", image, "--json"});
  ASSERT_EQ(run.exit, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 7u) << testing::PrintToString(run.lines);

  std::vector<std::string> found;  // "path below the root: size deleted searcher"
  for (std::size_t i = 0; i + 1 < run.lines.size(); ++i) {
    const std::string& line = run.lines[i];
    ASSERT_EQ(line.front(), '{') << line;
    ASSERT_EQ(line.back(), '}') << line;
    const std::string path = Field(line, "path");
    ASSERT_GE(path.size(), 2u) << line;
    const std::string inside = path.substr(1, path.size() - 2);
    found.push_back(inside.substr(inside.find('/') + 1) + ": " + Field(line, "size") + " " + Field(line, "deleted") +
                    " " + Field(line, "searcher"));
    EXPECT_EQ(Field(line, "partition").find_first_not_of("0123456789"), std::string::npos) << line;
  }
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"b.bin: 300 false 32", "b.bin: 5000 false 32", "docs/a.txt: 10000 false 32",
                                             "docs/sub_.._.._escape: 4096 false 32", "docs: 0 false 32",
                                             "lost.doc: 1234 false 35"}));

  const std::string& summary = run.lines.back();
  EXPECT_EQ(summary.rfind("{\"summary\": true, ", 0), 0u) << summary;
  EXPECT_EQ(Field(summary, "nodes"), "6");
  EXPECT_EQ(Field(summary, "files"), "5");
  EXPECT_EQ(Field(summary, "bytes_scanned"), "67108864");
  EXPECT_GT(std::stod(Field(summary, "seconds")), 0.0);
  EXPECT_GT(std::stod(Field(summary, "mb_per_s")), 0.0);
  // 16 blocks of 4 MiB, each seen by both searchers.
  EXPECT_EQ(engines.Script(SEARCHER_FAT).blockHeads.size(), 16u);
  EXPECT_EQ(engines.Script(SEARCHER_NTFS).blockHeads.size(), 16u);
}

TEST_F(EngineCliTest, TextOutputAndSearcherChoice) {
  struct Case {
    std::vector<std::string> searchers;
    int fatMade;
    int ntfsMade;
    std::size_t lines;  // node lines and the summary
  };
  for (const Case& c : {Case{{}, 1, 1, 7}, Case{{"--searchers", "fat"}, 1, 0, 6},
                        Case{{"--searchers", "35,ntfs"}, 0, 1, 2}, Case{{"--searchers", "none"}, 0, 0, 1}}) {
    FakeEngines local;
    local.AddComplete(SEARCHER_FAT);
    local.AddComplete(SEARCHER_NTFS);
    local.Script(SEARCHER_FAT).nodes = engines.Script(SEARCHER_FAT).nodes;
    local.Script(SEARCHER_NTFS).nodes = engines.Script(SEARCHER_NTFS).nodes;
    std::vector<std::string> args = {"complete", image};
    args.insert(args.end(), c.searchers.begin(), c.searchers.end());
    const CliRun run = Cli(args);
    const std::string what = c.searchers.empty() ? "all" : c.searchers.back();
    ASSERT_EQ(run.exit, 0) << what << run.err;
    EXPECT_EQ(local.Script(SEARCHER_FAT).created, c.fatMade) << what;
    EXPECT_EQ(local.Script(SEARCHER_NTFS).created, c.ntfsMade) << what;
    ASSERT_EQ(run.lines.size(), c.lines) << what << "\n" << testing::PrintToString(run.lines);
    EXPECT_EQ(run.lines.back().rfind("summary: ", 0), 0u) << run.lines.back();
    EXPECT_NE(run.lines.back().find(" files, 67108864 bytes scanned in "), std::string::npos) << run.lines.back();
  }
}

// Every file is copied byte for byte under its tree path; hostile names stay inside the destination, and a second
// run into the same folder writes numbered copies instead of overwriting.
TEST_F(EngineCliTest, RecoverCopiesEveryFileByteForByteInsideTheDestination) {
  const fs::path out = dir / "out";
  const auto first = [&](long long cluster, std::size_t size) {
    const auto& bytes = contents.at(cluster);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(size));
  };
  std::map<std::string, std::vector<std::uint8_t>> expected = {{"docs/a.txt", first(100, 10000)},
                                                               {"docs/sub_.._.._escape", first(400, 4096)},
                                                               {"b.bin", first(200, 5000)},
                                                               {"b_0001.bin", first(300, 300)}};
  fs::create_directory(out);
  // Two files called b.bin: the second is renamed; the second round finds every name taken.
  for (const char* summary : {"recovery: 4 copied, 0 failed, 0 incomplete, 1 renamed",
                              "recovery: 4 copied, 0 failed, 0 incomplete, 4 renamed"}) {
    const CliRun run = Cli({"complete", image, "--searchers", "fat", "--recover", out.string()});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.err.find(summary), std::string::npos) << run.err;
  }
  expected["docs/a_0001.txt"] = expected["docs/a.txt"];
  expected["docs/sub_.._._0001._escape"] = expected["docs/sub_.._.._escape"];

  std::map<std::string, std::vector<std::uint8_t>> written;
  for (const auto& entry : fs::recursive_directory_iterator(out)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), out).string();
    for (const auto& element : fs::relative(entry.path(), out)) EXPECT_NE(element, "..") << relative;
    written[relative.substr(relative.find('/') + 1)] = ReadFile(entry.path());
  }
  EXPECT_EQ(written.size(), 8u);
  for (const auto& [path, bytes] : expected) EXPECT_EQ(written[path], bytes) << path;
}

TEST_F(EngineCliTest, QuickScanProbesTheVolumeAtTheOffset) {
  const std::string disk = (dir / "disk.img").string();
  {
    std::ofstream create(disk, std::ios::binary);
  }
  fs::resize_file(disk, 17u << 20);
  QUELLSY_REQUIRE_FIXTURE(RunFixtureCommand("mkfs.fat -F 16 -n QUICKVOL -i 1234ABCD --offset=2048 '" + disk + "' 16384"));

  RegisterFATEngine();
  engines.AddQuick(FILE_SYSTEM_FAT16);
  const CliRun run = Cli({"quick", disk, "--offset", "2048", "--json"});
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(engines.Script(FILE_SYSTEM_FAT16).created, 1);
  ASSERT_NE(engines.Script(FILE_SYSTEM_FAT16).device, nullptr);
  EXPECT_EQ(run.lines.size(), 1u);
  EXPECT_NE(run.lines.back().find("\"bytes_scanned\": 16777216"), std::string::npos) << run.lines.back();

  // The same image without the offset holds no volume the probes know.
  const CliRun whole = Cli({"quick", disk});
  EXPECT_EQ(whole.exit, 1);
  EXPECT_NE(whole.err.find("no FAT, exFAT, NTFS, HFS+ or APFS volume at sector 0 of " + disk + " (0x0104005700000401)"),
            std::string::npos)
      << whole.err;
}

TEST_F(EngineCliTest, BadCommandLinesAreRefused) {
  struct Case {
    std::vector<std::string> args;
    int exit;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{}, 2, "a scan kind and an image are needed"},
      {{"complete"}, 2, "a scan kind and an image are needed"},
      {{"deep", image}, 2, "unknown scan 'deep'"},
      {{"complete", image, "--searchers", "zfs"}, 2, "unknown searcher 'zfs'"},
      {{"complete", image, "--searchers", "36"}, 2, "unknown searcher '36'"},
      {{"quick", image, "--searchers", "fat"}, 2, "unknown option '--searchers'"},
      {{"complete", image, "--offset", "-3"}, 2, "bad offset '-3'"},
      {{"complete", image, "--offset"}, 2, "'--offset' needs a value"},
      {{"complete", (dir / "missing.img").string()}, 1, "cannot open"},
      {{"complete", image, "--offset", "131072"}, 1, "lies past the image"},
  };
  for (const Case& c : cases) {
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.exit, c.exit) << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST(NodeReport, JsonStringsAreValidJsonWhateverTheName) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain.txt", R"("plain.txt")"},
      {"say \"hi\"\\", R"("say \"hi\"\\")"},
      {"tab\there\n", R"("tab\u0009here\u000a")"},
      {"csi \xC2\x9B" "2J esc \x1B", R"("csi \u009b2J esc \u001b")"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
      {"bad \xFF end", R"("bad \ufffd end")"},
      {"cut \xE2\x82", R"("cut \ufffd\ufffd")"},
      {"overlong \xC0\xAF", R"("overlong \ufffd\ufffd")"},
      {"surrogate \xED\xA0\x80", R"("surrogate \ufffd\ufffd\ufffd")"},
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json) << json;
}

// One writer over nodes of several depths, deep first, siblings one after another: nothing of one node's path or
// chain is left in the next, and a sibling's line is what a fresh writer gives.
TEST(NodeReport, OneWriterListsEveryNodeAsAFreshOneWould) {
  using quellsy::test::TreeTestNode;
  TreeTestNode root("disk(NTFS)", true, 5, 0, 0, nullptr);
  root.searcher_ = SEARCHER_NTFS;
  TreeTestNode folder("a/b", true, 30, 5, 0, nullptr);
  TreeTestNode file("caf\xC3\xA9 \"x\".txt", false, 31, 30, 1234567890123, nullptr);
  TreeTestNode top("top", false, 32, 5, 7, nullptr);
  TreeTestNode sibling("b/c", false, 33, 30, 9, nullptr);
  file.SetBelongedPartition(3);
  file.MarkDeleted();
  ASSERT_EQ(root.AddChild(&folder), 1);
  ASSERT_EQ(folder.AddChild(&file), 1);
  ASSERT_EQ(folder.AddChild(&sibling), 1);
  ASSERT_EQ(root.AddChild(&top), 1);
  TreeTestNode loose("loose", false, 40, 99, 0, nullptr);
  const std::string fileLine = "{\"path\": \"disk(NTFS)/a_b/caf\xC3\xA9 \\\"x\\\".txt\", \"size\": 1234567890123, "
                               "\"deleted\": true, \"searcher\": 35, \"partition\": 3}";
  const std::string topLine = "{\"path\": \"disk(NTFS)/top\", \"size\": 7, \"deleted\": false, \"searcher\": 35, "
                              "\"partition\": 65535}";
  const std::string looseLine = "{\"path\": \"loose\", \"size\": 0, \"deleted\": false, \"searcher\": 38, "
                                "\"partition\": 65535}";
  const std::string siblingLine = "{\"path\": \"disk(NTFS)/a_b/b_c\", \"size\": 9, \"deleted\": false, "
                                  "\"searcher\": 35, \"partition\": 65535}";
  std::string listing;
  CNodeJsonWriter writer;
  for (const IFileNode* node : {static_cast<IFileNode*>(&file), static_cast<IFileNode*>(&sibling),
                                static_cast<IFileNode*>(&top), static_cast<IFileNode*>(&loose),
                                static_cast<IFileNode*>(&file), static_cast<IFileNode*>(&sibling)}) {
    writer.Append(listing, node);
    listing += '\n';
  }
  EXPECT_EQ(listing, fileLine + "\n" + siblingLine + "\n" + topLine + "\n" + looseLine + "\n" + fileLine + "\n" +
                         siblingLine + "\n");
  EXPECT_EQ(NodeJson(&sibling), siblingLine);
  EXPECT_EQ(NodeJson(&top), topLine);
  // Unlinked again before the nodes go, children first: a node's destructor does not follow links.
  ASSERT_EQ(folder.RemoveChild(&file), 1);
  ASSERT_EQ(folder.RemoveChild(&sibling), 1);
  ASSERT_EQ(root.RemoveChild(&folder), 1);
  ASSERT_EQ(root.RemoveChild(&top), 1);
}

}  // namespace
