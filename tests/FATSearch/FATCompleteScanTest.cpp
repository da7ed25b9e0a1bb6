// Complete scans through engine-cli (real controller, tree builder and data recovery) with only the FAT
// searcher: lost partitions found on whole-disk images with their trees, files copied out byte for byte; a
// reformatted volume's old folders under placeholders and its unclaimed directory clusters as lost files; the
// FAT12 images (mkfs.fat's and the public floppy) rebuilt.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "EngineCli.h"
#include "Engines/BuiltInEngines.h"
#include "FATSearch/FatDiskImages.h"
#include "FATSearch/QuickScanTestSupport.h"
#include "include/EngineRegistry.h"
#include "support/PublicFixture.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "support/fixtures/FatImages.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;

struct FoundNode {
  std::string path;  // below the tree's root, "/" separated, with a leading "/"
  long long size = 0;
  bool deleted = false;
};

// One complete scan with --searchers fat --json --recover; the nodes by path and the copied files' digests by
// the same path.
struct CompleteRun {
  int exit = -1;
  std::string err;
  std::map<std::string, FoundNode> nodes;
  std::map<std::string, std::string> recovered;
};

std::string Field(const std::string& line, const std::string& key) {
  const std::string tag = "\"" + key + "\": ";
  const std::size_t at = line.find(tag);
  if (at == std::string::npos) return {};
  const std::size_t from = at + tag.size();
  std::size_t to = line.find(", \"", from);
  if (to == std::string::npos) to = line.rfind('}');
  return line.substr(from, to - from);
}

// "/DIR<n>/rest" split into "DIR<n>" and "/rest".
std::optional<std::pair<std::string, std::string>> UnderPlaceholder(const std::string& path) {
  if (path.rfind("/DIR", 0) != 0) return std::nullopt;
  const std::size_t slash = path.find('/', 1);
  const std::string name = path.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
  if (slash == std::string::npos || name.size() == 3 ||
      name.find_first_not_of("0123456789", 3) != std::string::npos)
    return std::nullopt;
  return std::pair{name, path.substr(slash)};
}

class FATCompleteScanTest : public testing::Test {
 protected:
  // engine-cli leaves only the chosen searchers registered: every test starts and ends with all of them.
  void SetUp() override { RegisterAll(); }
  void TearDown() override { RegisterAll(); }
  static void RegisterAll() {
    quellsy::EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }

  CompleteRun Scan(const fs::path& image) {
    const fs::path destination = m_dir / image.filename().string();
    std::ostringstream out;
    std::ostringstream err;
    CompleteRun run;
    fs::create_directories(destination);
    run.exit = EngineCliMain(
        {"complete", image.string(), "--searchers", "fat", "--json", "--recover", destination.string()}, out, err);
    run.err = err.str();
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
      std::string path = Field(line, "path");
      if (path.size() < 2) continue;
      path = path.substr(1, path.size() - 2);
      // Drop the root's name ("IMAGE(FAT_FAT32)").
      const std::size_t slash = path.find('/');
      if (slash == std::string::npos) continue;
      FoundNode node{path.substr(slash), std::stoll(Field(line, "size")), Field(line, "deleted") == "true"};
      run.nodes[node.path] = node;
    }
    for (const auto& entry : fs::recursive_directory_iterator(destination)) {
      if (!entry.is_regular_file()) continue;
      const std::string relative = fs::relative(entry.path(), destination).string();
      run.recovered[relative.substr(relative.find('/'))] = Sha256Hex(ReadFile(entry.path()));
    }
    return run;
  }

  TempDir m_dir;
};

struct ImageCase {
  const char* name;
  const char* image;
};

class FATCompleteScanImageTest : public FATCompleteScanTest, public testing::WithParamInterface<ImageCase> {};

TEST_P(FATCompleteScanImageTest, EveryManifestFileFoundAtItsPathAndCopiedOutByteForByte) {
  const FatDiskImages* images = FatDiskImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  const CompleteRun run = Scan(images->Image(GetParam().image));
  EXPECT_EQ(run.exit, 0) << run.err;
  const FatDiskManifest manifest = images->Manifest(GetParam().image);
  ASSERT_FALSE(manifest.files.empty());
  for (const FatDiskFile& file : manifest.files) {
    SCOPED_TRACE(file.path);
    const auto found = run.nodes.find(file.path);
    ASSERT_NE(found, run.nodes.end());
    EXPECT_EQ(found->second.size, static_cast<long long>(file.size));
    EXPECT_EQ(found->second.deleted, file.state == FatDiskFile::kDeleted);
    const auto copied = run.recovered.find(file.path);
    ASSERT_NE(copied, run.recovered.end());
    EXPECT_EQ(copied->second, file.sha256);
  }
}

INSTANTIATE_TEST_SUITE_P(Images, FATCompleteScanImageTest,
                         testing::Values(ImageCase{"twoPartitionsWithZeroedMbr", "mbr-zeroed.img"},
                                         ImageCase{"fat32FromItsBackupBootSector", "fat32-backup.img"},
                                         ImageCase{"fat16WithoutBootSector", "fat16-noboot.img"}),
                         [](const testing::TestParamInfo<ImageCase>& param) { return std::string(param.param.name); });

TEST_F(FATCompleteScanTest, ReformattedVolumeShowsOldFoldersUnderPlaceholdersAndLostClustersAsLostFiles) {
  const FatDiskImages* images = FatDiskImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  const CompleteRun run = Scan(images->Image("fat32-reformatted.img"));
  EXPECT_EQ(run.exit, 0) << run.err;
  ASSERT_TRUE(run.nodes.count("/new file.txt"));
  EXPECT_FALSE(run.nodes.at("/new file.txt").deleted);

  // The old folder's placeholder for each old file's top folder, by manifest folder.
  std::map<std::string, std::string> placeholderOf;
  int inPlaceholders = 0;
  int lost = 0;
  for (const FatDiskFile& file : images->Manifest("fat32-reformatted.img").files) {
    if (file.state != FatDiskFile::kFormerFormat || file.path == "/OLDROOT.TXT") continue;
    SCOPED_TRACE(file.path);
    const std::string top = file.path.substr(0, file.path.find('/', 1));
    const std::string below = file.path.substr(top.size());
    std::string shown;
    for (const auto& [path, node] : run.nodes) {
      const auto placed = UnderPlaceholder(path);
      if (placed && placed->second == below) {
        EXPECT_EQ(placeholderOf.emplace(top, placed->first).first->second, placed->first);
        shown = path;
        ++inPlaceholders;
      } else if (path == "/Other lost files" + below.substr(below.rfind('/'))) {
        shown = path;
        ++lost;
      }
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(run.nodes.at(shown).deleted);
    ASSERT_TRUE(run.recovered.count(shown));
    EXPECT_EQ(run.recovered.at(shown), file.sha256);
  }
  // /old and /parent keep their sub-folders' names (/parent/child lies below its parent on the disk); /big's
  // first cluster keeps 14 entries under its placeholder, the rest come from clusters no folder claims.
  EXPECT_EQ(placeholderOf.size(), 3u);
  EXPECT_EQ(inPlaceholders, 2 + 1 + 14);
  EXPECT_EQ(lost, 40 - 14);
  EXPECT_TRUE(run.nodes.count("/" + placeholderOf["/parent"] + "/child/kid file.txt"));
}

TEST_F(FATCompleteScanTest, Fat12VolumeRebuiltWithItsDeletedFile) {
  const FatImages* images = FatImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  const CompleteRun run = Scan(images->Image("fat12.img"));
  EXPECT_EQ(run.exit, 0) << run.err;
  const std::vector<ExpectedFile> expected = ExpectedFiles("fat12.img");
  ASSERT_FALSE(expected.empty());
  for (const ExpectedFile& file : expected) {
    SCOPED_TRACE(file.shownPath);
    ASSERT_TRUE(run.nodes.count(file.shownPath));
    EXPECT_EQ(run.nodes.at(file.shownPath).deleted, file.deleted);
    ASSERT_TRUE(run.recovered.count(file.shownPath));
    EXPECT_EQ(run.recovered.at(file.shownPath), file.sha256);
  }
}

TEST_F(FATCompleteScanTest, PublicFloppyYieldsItsDeletedEntriesAndItsIntactFiles) {
  const fs::path floppy = PublicFixture("rust-fatfs/floppy.img");
  ASSERT_TRUE(fs::exists(floppy));
  const CompleteRun run = Scan(floppy);
  // Digests from The Sleuth Kit's icat over the same image.
  const std::string stage1 = "77c1024a494c2170d0236dabdb795131d8a0f1809792735b3dd7f563ef5d951e";
  const std::map<std::string, std::string> live = {
      {"/grub/stage1", stage1},
      {"/grub/stage2", "1cb2742b611594aa356c5fb2556dabaa6e0a8939c612bc16d109cfb29aeb7a4c"},
      {"/grub/menu.lst", "131dac247af4e3542cecff17b6cef1bf151701a2e93b64f13c791cafb113bcb6"},
      {"/rafos/kernel.bin", "b8cbd93f7ef446ea937760229e64ae8982fcf8aa8e1711ca0235b707760b6efe"},
  };
  for (const auto& [path, sha] : live) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(run.nodes.count(path));
    EXPECT_FALSE(run.nodes.at(path).deleted);
    EXPECT_EQ(run.recovered.count(path) != 0 ? run.recovered.at(path) : "", sha);
  }
  // Deleted entries (a deleted short name shows "#" for its lost first letter); the five "_ernel" entries
  // share two clusters and their names, so two nodes stand for them.
  for (const char* path : {"/#tage1", "/#tage2", "/#ernel", "/grub/#enu.lst", "/grub/Nowy Dokument"}) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(run.nodes.count(path));
    EXPECT_TRUE(run.nodes.at(path).deleted);
  }
  // The old stage1 and menu.lst still lie in cluster 3; later files took the clusters of the others.
  EXPECT_EQ(run.recovered.count("/#tage1") != 0 ? run.recovered.at("/#tage1") : "", stage1);
  EXPECT_EQ(run.recovered.count("/grub/#enu.lst") != 0 ? run.recovered.at("/grub/#enu.lst") : "",
            "71166786ff613eacd56453f56bcf735dbcffc3568577b4ec6c498df73d384bb7");
}

}  // namespace

namespace {

// The searchers analyse each block on threads of their own: what a scan finds, and the order it is listed in,
// must not depend on that. A FAT disk image followed by signature samples spread over several blocks of random
// bytes is scanned with the FAT and signature searchers on one thread and on several.
TEST_F(FATCompleteScanTest, OneThreadAndManyFindTheSameNodes) {
  const FatDiskImages* images = FatDiskImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  const std::vector<std::string> samples = {"jpg.jpg", "bmp.bmp", "ico.ico", "au.au", "icns.icns"};
  for (const char* disk : {"mbr-zeroed.img", "fat16-noboot.img"}) {
    SCOPED_TRACE(disk);
    std::vector<std::uint8_t> bytes = ReadFile(images->Image(disk));
    bytes.resize((bytes.size() + 511) / 512 * 512);
    std::mt19937 random(22);
    for (int round = 0; round < 3; ++round) {
      for (const std::string& sample : samples) {
        const fs::path path = PublicFixture("mimetype-testdata/" + sample);
        ASSERT_TRUE(fs::exists(path)) << path;
        for (int i = 0; i < (1 << 20) + 512 * (round + 1); ++i) bytes.push_back(static_cast<std::uint8_t>(random()));
        const std::vector<std::uint8_t> file = ReadFile(path);
        bytes.insert(bytes.end(), file.begin(), file.end());
        bytes.resize((bytes.size() + 511) / 512 * 512);
      }
    }
    const fs::path image = m_dir / (std::string("mixed-") + disk);
    WriteFile(image, bytes);

    std::vector<std::string> listings;
    for (const char* threads : {"1", "2", "8"}) {
      std::ostringstream out;
      std::ostringstream err;
      const int exit = EngineCliMain(
          {"complete", image.string(), "--searchers", "fat,raw", "--threads", threads, "--json"}, out, err);
      ASSERT_EQ(exit, 0) << err.str();
      // Every node line, sorted: the tree builder hands nodes on in batches of a size or an age, so their order
      // follows the clock; the closing summary holds the time taken.
      std::vector<std::string> lines;
      std::istringstream listed(out.str());
      for (std::string line; std::getline(listed, line);)
        if (line.find("{\"summary\"") != 0) lines.push_back(line);
      std::sort(lines.begin(), lines.end());
      std::string listing;
      for (const std::string& line : lines) listing += line + "\n";
      listings.push_back(listing);
    }
    EXPECT_EQ(listings[0], listings[1]);
    EXPECT_EQ(listings[0], listings[2]);
    // Both searchers found something: the FAT trees and every placed sample, three times.
    std::istringstream lines(listings[0]);
    int fatNodes = 0;
    int signatureFiles = 0;
    for (std::string line; std::getline(lines, line);) {
      // A signature file stands in the folder of its kind: "...(RAW Files)/jpg/FILE000.JPG".
      const std::size_t raw = line.find("(RAW Files)/");
      if (raw != std::string::npos && line.find('/', raw + 12) < line.find("\", \"size\"")) ++signatureFiles;
      if (line.find("(FAT") != std::string::npos) ++fatNodes;
    }
    EXPECT_GT(fatNodes, 0);
    EXPECT_GE(signatureFiles, static_cast<int>(3 * samples.size()));
  }
}

}  // namespace
