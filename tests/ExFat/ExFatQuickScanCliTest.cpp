// The exFAT quick scan end to end through engine-cli: the real quick controller, tree builder and data recovery
// over images the FUSE driver wrote and a public image written by another program. What the scan lists is
// checked against each image's manifest, what it copies out byte for byte, and both against The Sleuth Kit.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "Engines/BuiltInEngines.h"
#include "Utility/ByteReader.h"
#include "support/PublicFixture.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "ExFat/ExFatSleuthKit.h"
#include "support/fixtures/ExFatImages.h"
#include "tools/EngineCliRun.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;

constexpr long long kPartitionStart = 2048;

// engine-cli quick IMAGE [--offset SECTORS] --live --json --recover OUT with the built-in engines (registered
// again each time: other tests reset the registry).
CliRun QuickScan(const fs::path& image, const fs::path& out, long long offset = 0) {
  RegisterBuiltInEngines();
  std::vector<std::string> args = {"quick", image.string()};
  if (offset != 0) args.insert(args.end(), {"--offset", std::to_string(offset)});
  args.insert(args.end(), {"--live", "--json", "--recover", out.string()});
  fs::create_directories(out);
  return Cli(args);
}

// An MBR disk with the volume as its one partition (type 7) at kPartitionStart, and free space after it.
void WriteDisk(const std::vector<std::uint8_t>& volume, const fs::path& disk) {
  const std::uint64_t sectors = volume.size() / 512;
  std::vector<std::uint8_t> bytes((kPartitionStart + sectors + 2048) * 512, 0);
  quellsy::FieldWriter mbr(bytes);
  mbr.u8(446 + 4, 0x07);
  mbr.le32(446 + 8, static_cast<std::uint32_t>(kPartitionStart));
  mbr.le32(446 + 12, static_cast<std::uint32_t>(sectors));
  mbr.le16(510, 0xAA55);
  std::copy(volume.begin(), volume.end(), bytes.begin() + kPartitionStart * 512);
  WriteFile(disk, bytes);
}

struct CliCase {
  const char* name;
  const char* image;
  // Placed in a partition at kPartitionStart of an MBR disk and scanned with --offset; the comparison with The
  // Sleuth Kit is made on the volume alone.
  bool inDisk;
};

void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }

class ExFatQuickScanCliTest : public testing::TestWithParam<CliCase> {};

TEST_P(ExFatQuickScanCliTest, ListsTheManifestCopiesOutByteForByteAndKeepsUpWithTheSleuthKit) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  const CliCase& c = GetParam();
  const fs::path image = images->Image(c.image);
  const std::vector<ExFatManifestEntry> files = images->Manifest(c.image).files;
  ASSERT_FALSE(files.empty());
  TempDir dir;
  fs::path scanned = image;
  if (c.inDisk) {
    scanned = dir / "disk.img";
    WriteDisk(ReadFile(image), scanned);
  }
  const CliRun run = QuickScan(scanned, dir / "out", c.inDisk ? kPartitionStart : 0);
  ASSERT_EQ(run.exit, 0) << run.err;

  // Exactly the manifest, each file with its size and deleted flag; besides them only their folders, deleted
  // when everything below them is.
  std::map<std::string, Listed> listed = ListedByPath(run);
  for (const ExFatManifestEntry& file : files) {
    const auto found = listed.find(file.path);
    ASSERT_NE(found, listed.end()) << file.path;
    EXPECT_EQ(found->second.size, std::to_string(file.size)) << file.path;
    EXPECT_EQ(found->second.deleted, file.deleted ? "true" : "false") << file.path;
    listed.erase(found);
  }
  for (const auto& [path, entry] : listed) {
    bool holdsFiles = false;
    bool allDeleted = true;
    for (const ExFatManifestEntry& file : files) {
      if (file.path.rfind(path + "/", 0) != 0) continue;
      holdsFiles = true;
      allDeleted = allDeleted && file.deleted;
    }
    EXPECT_TRUE(holdsFiles) << "not in the manifest: " << path;
    EXPECT_EQ(entry.deleted, allDeleted ? "true" : "false") << path;
  }

  // Every file copied out, empty ones too; those whose clusters nothing reused byte for byte.
  EXPECT_NE(run.err.find("recovery: " + std::to_string(files.size()) + " copied, 0 failed"), std::string::npos)
      << run.err;
  const fs::path root = RecoveredRoot(dir / "out");
  for (const ExFatManifestEntry& file : files) {
    if (!file.intact || file.size == 0) continue;
    EXPECT_EQ(HashOf(root / fs::path(file.path.substr(1))), file.sha256) << file.path;
  }

  // The Sleuth Kit on the same image: every deleted file it lists we list, every deleted file it copies out
  // correctly we copy out correctly.
  if (c.inDisk) return;
  for (const auto& [path, deleted] : SleuthKitFiles(image)) {
    if (!deleted) continue;
    const std::map<std::string, Listed> all = ListedByPath(run);
    ASSERT_EQ(all.count(path), 1u) << "listed by fls only: " << path;
    EXPECT_EQ(all.at(path).deleted, "true") << path;
  }
  SleuthKitRecover(image, dir / "tsk");
  int theirs = 0;
  int ours = 0;
  for (const ExFatManifestEntry& file : files) {
    if (!file.deleted || file.size == 0) continue;
    const bool theyGotIt = HashOf(dir / "tsk" / fs::path(file.path.substr(1))) == file.sha256;
    const bool weGotIt = HashOf(root / fs::path(file.path.substr(1))) == file.sha256;
    theirs += theyGotIt ? 1 : 0;
    ours += weGotIt ? 1 : 0;
    if (theyGotIt) {
      EXPECT_TRUE(weGotIt) << "recovered by tsk_recover only: " << file.path;
    }
  }
  RecordProperty("deleted_exact_ours", ours);
  RecordProperty("deleted_exact_sleuthkit", theirs);
  EXPECT_GE(ours, theirs);
}

INSTANTIATE_TEST_SUITE_P(Images, ExFatQuickScanCliTest,
                         testing::Values(CliCase{"ExFat", "exfat.img", false},
                                         CliCase{"SmallClusters", "smallclusters.img", false},
                                         CliCase{"SmallClustersInsideDisk", "smallclusters.img", true}),
                         [](const testing::TestParamInfo<CliCase>& param) { return std::string(param.param.name); });

// A volume another program wrote: three folders, a deleted JPEG whose FAT chain was freed, two deleted small
// files. No manifest comes with it; The Sleuth Kit's copies are the reference.
TEST(ExFatQuickScanCli, APublicImageMatchesTheSleuthKitFileForFile) {
  const fs::path image = PublicFixture("go-exfat/test.exfat");
  ASSERT_TRUE(fs::exists(image));
  TempDir dir;
  const CliRun run = QuickScan(image, dir / "out");
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  const std::map<std::string, bool> theirs = SleuthKitFiles(image);
  ASSERT_EQ(theirs.size(), 10u);
  SleuthKitRecover(image, dir / "tsk");
  const fs::path root = RecoveredRoot(dir / "out");
  for (const auto& [path, deleted] : theirs) {
    ASSERT_EQ(listed.count(path), 1u) << path;
    EXPECT_EQ(listed.at(path).deleted, deleted ? "true" : "false") << path;
    const std::string reference = HashOf(dir / "tsk" / fs::path(path.substr(1)));
    ASSERT_FALSE(reference.empty()) << path;
    EXPECT_EQ(HashOf(root / fs::path(path.substr(1))), reference) << path;
  }
  // The deleted JPEG is whole: its size, and a JPEG from start marker to end marker.
  const std::vector<std::uint8_t> jpeg = ReadFile(root / "8fd71ab132c59bf33cd7890c0acebf12.jpg");
  ASSERT_EQ(jpeg.size(), 41123u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
  EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
}

}  // namespace
