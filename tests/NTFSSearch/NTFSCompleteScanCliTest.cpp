// The NTFS complete scan end to end through engine-cli (real controller, tree builder and data recovery) with
// only the NTFS searcher, over whole-disk images with two volumes: intact, with the first volume's boot sector
// wiped, and with both volumes formatted again over their files. Listings are checked against the manifests,
// copies byte for byte, and the deleted files against The Sleuth Kit on the same partitions.

#include <gtest/gtest.h>

#include <map>

#include "Engines/BuiltInEngines.h"
#include "NTFSSearch/NtfsDiskImages.h"
#include "include/EngineRegistry.h"
#include "tools/EngineCliRun.h"

namespace quellsy::test {
namespace {

class NtfsCompleteScanCliTest : public testing::Test {
 protected:
  // engine-cli leaves only the chosen searchers registered: every test starts and ends with all of them.
  void SetUp() override { RegisterAll(); }
  void TearDown() override { RegisterAll(); }
  static void RegisterAll() {
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }

  CliRun Complete(const std::string& image) {
    fs::create_directories(m_dir / "out");
    return Cli({"complete", NtfsDiskImages::Get().Image(image).string(), "--searchers", "ntfs", "--json", "--recover",
                (m_dir / "out").string()});
  }
  // Where engine-cli copied the file it listed at path (its tree's root is the one folder in out).
  fs::path Recovered(const std::string& path) const {
    return fs::directory_iterator(m_dir / "out")->path() / fs::path(path.substr(1));
  }
  // The one listed path that ends with tail ("" when none or several).
  static std::string EndingWith(const std::map<std::string, Listed>& listed, const std::string& tail) {
    std::string found;
    for (const auto& [path, entry] : listed) {
      if (path.size() < tail.size() || path.compare(path.size() - tail.size(), tail.size(), tail) != 0) continue;
      if (!found.empty()) return "";
      found = path;
    }
    return found;
  }

  TempDir m_dir;
};

struct ImageCase {
  const char* name;
  const char* image;
  bool reformatted;
};

class NtfsCompleteScanImageTest : public NtfsCompleteScanCliTest, public testing::WithParamInterface<ImageCase> {};

TEST_P(NtfsCompleteScanImageTest, EveryFileFoundAndCopiedOutByteForByteFromItsOwnVolume) {
  QUELLSY_REQUIRE_FIXTURE(NtfsDiskImages::Get().Run());
  const ImageCase& c = GetParam();
  const CliRun run = Complete(c.image);
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  const NtfsDisk disk = NtfsDiskImages::Get().Manifest(c.image);
  ASSERT_FALSE(disk.files.empty());
  for (const NtfsDiskFile& file : disk.files) {
    SCOPED_TRACE(file.path);
    // Below a wiped folder or inside the parent loop the path changes: the file is found by its last folders.
    std::string path = file.path;
    if (file.path.rfind("/p1top/", 0) == 0) path = EndingWith(listed, "/p1sub/p1-orphan.txt");
    if (file.path.rfind("/p1loopa/", 0) == 0) path = EndingWith(listed, "/p1loopb/p1-inloop.txt");
    ASSERT_EQ(listed.count(path), 1u) << "not listed";
    EXPECT_EQ(listed.at(path).size, std::to_string(file.size));
    // The old records of a volume formatted again lie outside its new $MFT, which no longer tells which were in
    // use: each is listed as its record says.
    if (!c.reformatted) {
      EXPECT_EQ(listed.at(path).deleted, file.deleted ? "true" : "false");
    }
    EXPECT_EQ(HashOfFile(Recovered(path)), file.sha256);
  }
  // The parent loop is not linked into itself.
  for (const auto& [path, entry] : listed) EXPECT_EQ(path.find("p1loopb/p1loopa"), std::string::npos) << path;
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsCompleteScanImageTest,
                         testing::Values(ImageCase{"intact", "disk.img", false},
                                         ImageCase{"bootSectorWiped", "wiped.img", false},
                                         ImageCase{"reformatted", "reformatted.img", true}),
                         [](const testing::TestParamInfo<ImageCase>& param) { return std::string(param.param.name); });

TEST_F(NtfsCompleteScanCliTest, EveryDeletedFileTheSleuthKitListsIsListedAndCopiedAsWell) {
  QUELLSY_REQUIRE_FIXTURE(NtfsDiskImages::Get().Run());
  const fs::path image = NtfsDiskImages::Get().Image("disk.img");
  const NtfsDisk disk = NtfsDiskImages::Get().Manifest("disk.img");
  const CliRun run = Complete("disk.img");
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  int deleted = 0;
  for (const char* start : {"p1-start", "p2-start"}) {
    const fs::path tsk = m_dir / "tsk" / start;
    SleuthKitNtfsRecover(image, disk.Fact(start), tsk);
    for (const auto& [path, isDeleted] : SleuthKitNtfsFiles(image, disk.Fact(start))) {
      if (!isDeleted || path.rfind("/$OrphanFiles", 0) == 0) continue;
      SCOPED_TRACE(path);
      ++deleted;
      ASSERT_EQ(listed.count(path), 1u);
      EXPECT_EQ(listed.at(path).deleted, "true");
      const std::string theirs = HashOfFile(tsk / fs::path(path.substr(1)));
      if (!theirs.empty()) {
        EXPECT_EQ(HashOfFile(Recovered(path)), theirs);
      }
    }
  }
  EXPECT_GE(deleted, 3);
}

}  // namespace
}  // namespace quellsy::test
