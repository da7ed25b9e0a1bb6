// The exFAT complete scan end to end through engine-cli (real controller, tree builder and data recovery) with
// only the exFAT searcher: a disk whose partition table and main boot sector are gone, volumes without a
// partition table, and a volume formatted again over its old folders. Listings are checked against the
// images' manifests, copies byte for byte, deleted files against The Sleuth Kit.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "Engines/BuiltInEngines.h"
#include "ExFat/ExFatSleuthKit.h"
#include "include/EngineRegistry.h"
#include "support/fixtures/ExFatImages.h"
#include "tools/EngineCliRun.h"

namespace quellsy::test {
namespace {

class ExFatCompleteScanTest : public testing::Test {
 protected:
  // engine-cli leaves only the chosen searchers registered: every test starts and ends with all of them.
  void SetUp() override { RegisterAll(); }
  void TearDown() override { RegisterAll(); }
  static void RegisterAll() {
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }

  CliRun Complete(const fs::path& image) {
    fs::create_directories(m_dir / "out");
    return Cli({"complete", image.string(), "--searchers", "exfat", "--json", "--recover", (m_dir / "out").string()});
  }
  fs::path Recovered(const std::string& path) const { return RecoveredRoot(m_dir / "out") / fs::path(path.substr(1)); }

  TempDir m_dir;
};

struct ImageCase {
  const char* name;
  const char* image;
};

class ExFatCompleteScanImageTest : public ExFatCompleteScanTest, public testing::WithParamInterface<ImageCase> {};

TEST_P(ExFatCompleteScanImageTest, EveryManifestFileFoundAtItsPathAndCopiedOutByteForByte) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  const CliRun run = Complete(images->Image(GetParam().image));
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  const std::vector<ExFatManifestEntry> files = images->Manifest(GetParam().image).files;
  ASSERT_FALSE(files.empty());
  for (const ExFatManifestEntry& file : files) {
    SCOPED_TRACE(file.path);
    const auto found = listed.find(file.path);
    ASSERT_NE(found, listed.end());
    EXPECT_EQ(found->second.size, std::to_string(file.size));
    EXPECT_EQ(found->second.deleted, file.deleted ? "true" : "false");
    if (file.intact && file.size > 0) {
      EXPECT_EQ(HashOf(Recovered(file.path)), file.sha256);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Images, ExFatCompleteScanImageTest,
                         testing::Values(ImageCase{"diskWithoutTableOrMainBootSector", "lost-partition.img"},
                                         ImageCase{"volumeAlone", "exfat.img"},
                                         ImageCase{"smallClusters", "smallclusters.img"}),
                         [](const testing::TestParamInfo<ImageCase>& param) { return std::string(param.param.name); });

TEST_F(ExFatCompleteScanTest, ReformattedVolumeShowsItsOldFoldersUnderPlaceholders) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  const CliRun run = Complete(images->Image("reformatted.img"));
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  std::map<std::string, std::string> placeholderOf;  // old top folder -> its placeholder
  int old = 0;
  for (const ExFatManifestEntry& file : images->Manifest("reformatted.img").files) {
    SCOPED_TRACE(file.path);
    if (!file.deleted) {
      ASSERT_TRUE(listed.count(file.path));
      EXPECT_EQ(listed.at(file.path).deleted, "false");
      EXPECT_EQ(HashOf(Recovered(file.path)), file.sha256);
      continue;
    }
    // The old root's entries are gone with it: its files are not expected.
    const std::size_t slash = file.path.find('/', 1);
    if (slash == std::string::npos) continue;
    const std::string top = file.path.substr(0, slash);
    const std::string below = file.path.substr(slash);
    std::string shown;
    for (const auto& [path, entry] : listed) {
      const std::size_t cut = path.find('/', 1);
      if (path.rfind("/DIR", 0) != 0 || cut == std::string::npos || path.substr(cut) != below) continue;
      EXPECT_EQ(placeholderOf.emplace(top, path.substr(0, cut)).first->second, path.substr(0, cut));
      shown = path;
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(listed.at(shown).deleted, "true");
    EXPECT_EQ(HashOf(Recovered(shown)), file.sha256);
    ++old;
  }
  // /old-a (with its sub-folder /old-a/old-sub kept by name) and /old-b.
  EXPECT_EQ(old, 12 + 1 + 5);
  EXPECT_EQ(placeholderOf.size(), 2u);
  EXPECT_NE(placeholderOf["/old-a"], placeholderOf["/old-b"]);
}

TEST_F(ExFatCompleteScanTest, EveryDeletedFileTheSleuthKitListsIsListedAndCopiedAsWell) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  const fs::path image = images->Image("exfat.img");
  const CliRun run = Complete(image);
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  SleuthKitRecover(image, m_dir / "tsk");
  int deleted = 0;
  for (const auto& [path, isDeleted] : SleuthKitFiles(image)) {
    if (!isDeleted) continue;
    SCOPED_TRACE(path);
    ++deleted;
    ASSERT_EQ(listed.count(path), 1u);
    EXPECT_EQ(listed.at(path).deleted, "true");
    const std::string theirs = HashOf(m_dir / "tsk" / fs::path(path.substr(1)));
    if (!theirs.empty()) {
      EXPECT_EQ(HashOf(Recovered(path)), theirs);
    }
  }
  EXPECT_GT(deleted, 0);
}

}  // namespace
}  // namespace quellsy::test
