// The FAT quick scan end to end through engine-cli: the real quick controller, tree builder and data recovery
// over mkfs.fat + mtools images, alone and inside a partitioned disk. What the scan lists is checked against
// each image's manifest, and what it copies out byte for byte.

#include <gtest/gtest.h>

#include <set>

#include "tools/EngineCliRun.h"
#include "Engines/BuiltInEngines.h"
#include "FATSearch/QuickScanTestSupport.h"
#include "support/PublicFixture.h"
#include "support/Sha256.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;

constexpr long long kPartitionStart = 2048;

// The node lines of engine-cli's JSON output.
std::vector<std::string> NodeLines(const CliRun& run) {
  std::vector<std::string> lines;
  for (const std::string& line : run.lines)
    if (line.rfind("{\"path\": ", 0) == 0) lines.push_back(line);
  return lines;
}

// engine-cli quick with the built-in engines (registered again each time: other tests reset the registry).
CliRun QuickScan(const std::vector<std::string>& args) {
  RegisterBuiltInEngines();
  std::vector<std::string> all = {"quick"};
  all.insert(all.end(), args.begin(), args.end());
  return Cli(all);
}

struct Listed {
  std::string size;
  std::string deleted;
};

// Paths inside the volume ("/docs/x.txt"): the first element, the tree's root, is cut off.
std::map<std::string, Listed> ListedByPath(const CliRun& run) {
  std::map<std::string, Listed> listed;
  for (const std::string& line : NodeLines(run)) {
    std::string path = Field(line, "path");
    path = path.substr(1, path.size() - 2);
    const std::size_t slash = path.find('/');
    if (slash == std::string::npos) continue;
    listed[path.substr(slash)] = {Field(line, "size"), Field(line, "deleted")};
  }
  return listed;
}

struct CliCase {
  const char* name;
  const char* image;
  bool inDisk;  // placed in a partition at kPartitionStart of an MBR disk and scanned with --offset
  // Deleted files whose bytes are gone or cannot be placed, so not compared.
  std::set<std::string> notExact;
};

const std::set<std::string> kFragmentHoles = {"/frag/piece2.bin", "/frag/piece4.bin"};

class FatQuickScanCliTest : public testing::TestWithParam<CliCase> {};

TEST_P(FatQuickScanCliTest, ListsTheManifestAndCopiesFilesOutByteForByte) {
  const CliCase& c = GetParam();
  QUELLSY_REQUIRE_FIXTURE(FatTestFixture(c.image));
  fs::path image = FatTestImage(c.image);
  TempDir dir;
  std::vector<std::string> args;
  if (c.inDisk) {
    const fs::path disk = dir / "disk.img";
    QUELLSY_REQUIRE_FIXTURE(RunFixture("tests/FATSearch/make-fat-disk-image.sh",
                                       {image.string(), std::to_string(kPartitionStart), disk.string()}));
    image = disk;
    args.insert(args.end(), {image.string(), "--offset", std::to_string(kPartitionStart)});
  } else {
    args.push_back(image.string());
  }
  const fs::path out = dir / "out";
  args.insert(args.end(), {"--live", "--json", "--recover", out.string()});
  const CliRun run = QuickScan(args);
  ASSERT_EQ(run.exit, 0) << run.err;

  // Exactly the manifest: each file with its size and deleted flag, and nothing but the folders above them.
  const std::vector<ExpectedFile> expected = ExpectedFiles(c.image);
  ASSERT_FALSE(expected.empty());
  std::map<std::string, Listed> listed = ListedByPath(run);
  for (const ExpectedFile& file : expected) {
    const auto found = listed.find(file.shownPath);
    ASSERT_NE(found, listed.end()) << file.shownPath;
    EXPECT_EQ(found->second.size, std::to_string(file.size)) << file.shownPath;
    EXPECT_EQ(found->second.deleted, file.deleted ? "true" : "false") << file.shownPath;
    listed.erase(found);
  }
  for (const auto& [path, entry] : listed) {
    const bool folderOfAFile = std::any_of(expected.begin(), expected.end(), [&](const ExpectedFile& file) {
      return file.shownPath.rfind(path + "/", 0) == 0;
    });
    EXPECT_TRUE(folderOfAFile) << "not in the manifest: " << path;
  }

  // Copied out under the tree's root folder, live and deleted alike.
  EXPECT_NE(run.err.find("recovered " + std::to_string(expected.size()) + " files, 0 failed"), std::string::npos)
      << run.err;
  ASSERT_TRUE(fs::is_directory(out));
  const fs::path root = fs::directory_iterator(out)->path();
  for (const ExpectedFile& file : expected) {
    if (c.notExact.count(file.path) != 0) continue;
    const fs::path copy = root / fs::path(file.shownPath.substr(1));
    ASSERT_TRUE(fs::exists(copy)) << copy;
    EXPECT_EQ(Sha256Hex(ReadFile(copy)), file.sha256) << file.shownPath;
  }
}

INSTANTIATE_TEST_SUITE_P(Images, FatQuickScanCliTest,
                         // fat16.img: fragmented.bin was written into the clusters of piece2 and piece4.
                         // nodes32.img: the entry of notes.xyz lost its high cluster word, and nothing in its
                         // content tells where it lay.
                         testing::Values(CliCase{"Fat16", "fat16.img", false, kFragmentHoles},
                                         CliCase{"Fat32", "fat32.img", false, {}},
                                         CliCase{"NodesFat32", "nodes32.img", false, {"/notes.xyz"}},
                                         CliCase{"Fat16InsideDisk", "fat16.img", true, kFragmentHoles}),
                         [](const testing::TestParamInfo<CliCase>& param) { return std::string(param.param.name); });

TEST(FatQuickScanCliTest, WithoutLiveListsTheDeletedFilesOnly) {
  QUELLSY_REQUIRE_FIXTURE(FatTestFixture("fat16.img"));
  const fs::path image = FatTestImage("fat16.img");
  const CliRun run = QuickScan({image.string(), "--json"});
  ASSERT_EQ(run.exit, 0) << run.err;
  std::set<std::string> deleted;
  for (const ExpectedFile& file : ExpectedFiles("fat16.img"))
    if (file.deleted) deleted.insert(file.shownPath);
  std::set<std::string> listedFiles;
  for (const auto& [path, entry] : ListedByPath(run)) {
    if (entry.size != "0") listedFiles.insert(path);
  }
  EXPECT_EQ(listedFiles, deleted);
}

TEST(FatQuickScanCliTest, VolumesWithoutAQuickScanAreRefusedWithACode) {
  const fs::path floppy = PublicFixture("rust-fatfs/floppy.img");
  QUELLSY_REQUIRE_FIXTURE(FatTestFixture("fat12.img"));
  std::vector<fs::path> images = {FatTestImage("fat12.img"), FatTestImage("fat16-zeroboot.img")};
  images.push_back(floppy);
  // FAT12 (a mkfs.fat volume and a real floppy) and a FAT16 volume without its boot sector: the volume probe
  // does not recognise them, so the quick controller has no searcher for them.
  for (const fs::path& image : images) {
    SCOPED_TRACE(image.string());
    const CliRun run = QuickScan({image.string(), "--live", "--json"});
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find("scan failed: 0x0104005700000401"), std::string::npos) << run.err;
    EXPECT_TRUE(NodeLines(run).empty());
  }
}

}  // namespace
