// The APFS complete scan end to end through engine-cli (real controller, tree builder and data recovery) with only
// the APFS searcher: the dfVFS project's macOS-made container against The Sleuth Kit, the Linux-made container
// with deleted files against its manifest.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "ApfsSleuthKit.h"
#include "Engines/BuiltInEngines.h"
#include "include/EngineRegistry.h"
#include "support/PublicFixture.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "tools/EngineCliRun.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

class APFSCompleteScanTest : public testing::Test {
 protected:
  // engine-cli leaves only the chosen searchers registered: every test starts and ends with all of them.
  void SetUp() override { RegisterAll(); }
  void TearDown() override { RegisterAll(); }
  static void RegisterAll() {
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }

  CliRun Complete(const fs::path& image) {
    fs::create_directories(m_dir.path() / "out");
    return Cli({"complete", image.string(), "--searchers", "apfs", "--json", "--recover",
                (m_dir.path() / "out").string()});
  }
  // Where engine-cli copied the file listed at path ("/a/b"): below the one folder named after the tree's root.
  fs::path Recovered(const std::string& path) const {
    return fs::directory_iterator(m_dir.path() / "out")->path() / fs::path(path.substr(1));
  }
  std::string HashOfCopy(const std::string& path) const {
    const fs::path copy = Recovered(path);
    return fs::exists(copy) ? Sha256Hex(ReadBytes(copy)) : std::string{};
  }

  TempDir m_dir;
};

// The quick scan does not read APFS: given a container, it says that the complete scan does, rather than that
// there is no volume.
TEST_F(APFSCompleteScanTest, TheQuickScanOfAContainerSaysThatTheCompleteScanReadsIt) {
  const fs::path image = PublicFixture("dfvfs/apfs.raw");
  ASSERT_TRUE(fs::exists(image));
  const CliRun run = Cli({"quick", image.string()});
  EXPECT_EQ(run.exit, 1);
  EXPECT_TRUE(run.lines.empty());
  EXPECT_NE(run.err.find("engine-cli: sector 0 of " + image.string() +
                         " holds an APFS container: APFS volumes are read by the complete scan (0x0104005b00000406)\n"),
            std::string::npos)
      << run.err;
}

TEST_F(APFSCompleteScanTest, MacOsContainerListsAndCopiesWhatTheSleuthKitDoes) {
  const fs::path image = PublicFixture("dfvfs/apfs.raw");
  ASSERT_TRUE(fs::exists(image));
  fs::create_directories(m_dir.path() / "tsk");
  const ApfsSleuthKit tsk(image, m_dir.path() / "tsk");
  if (!tsk.Ready()) return;

  const CliRun run = Complete(image);
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  int files = 0;
  for (const SleuthKitEntry& entry : tsk.Entries()) {
    const std::string path = "/" + entry.path;
    SCOPED_TRACE(path);
    ASSERT_EQ(listed.count(path), 1u);
    EXPECT_EQ(listed.at(path).deleted, "false");
    if (entry.kind != "r") continue;
    std::vector<std::uint8_t> theirs;
    if (tsk.Contents(entry, theirs) && !theirs.empty()) {
      EXPECT_EQ(listed.at(path).size, std::to_string(theirs.size()));
      EXPECT_EQ(HashOfCopy(path), Sha256Hex(theirs));
    }
    ++files;
  }
  EXPECT_GE(files, 6);
}

struct ManifestRow {
  std::string path;
  std::string size;
  std::string sha256;
  bool deleted = false;
};

std::vector<ManifestRow> ReadManifest(const fs::path& manifest) {
  std::vector<ManifestRow> rows;
  std::istringstream lines(ReadText(manifest));
  std::string line;
  std::getline(lines, line);  // heading
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    ManifestRow row;
    std::string state;
    std::getline(fields, row.path, '\t');
    std::getline(fields, row.size, '\t');
    std::getline(fields, row.sha256, '\t');
    std::getline(fields, state, '\t');
    row.path = "/" + WithoutLeadingDots(row.path);
    row.deleted = state == "deleted";
    rows.push_back(row);
  }
  return rows;
}

TEST_F(APFSCompleteScanTest, LinuxMadeContainerGivesLiveFilesAndDeletedOnesFromOlderTreeNodes) {
  const auto rows = ReadManifest(PublicFixture("linux-made/apfs-deleted.manifest.tsv"));
  const fs::path image = QUELLSY_APFS_DELETED_IMAGE;
  ASSERT_TRUE(fs::exists(image)) << "the build unpacks it from linux-made/apfs-deleted.img.xz";

  const CliRun run = Complete(image);
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  int live = 0;
  int deleted = 0;
  int deletedBack = 0;
  for (const ManifestRow& row : rows) {
    SCOPED_TRACE(row.path);
    if (!row.deleted) {
      ++live;
      ASSERT_EQ(listed.count(row.path), 1u);
      EXPECT_EQ(listed.at(row.path).deleted, "false");
      EXPECT_EQ(listed.at(row.path).size, row.size);
      EXPECT_EQ(HashOfCopy(row.path), row.sha256);
      continue;
    }
    ++deleted;
    // Older tree nodes still name it: it counts when listed at its path, deleted, and copied out byte for byte.
    const auto found = listed.find(row.path);
    if (found != listed.end() && found->second.deleted == "true" && HashOfCopy(row.path) == row.sha256) ++deletedBack;
  }
  EXPECT_EQ(live, 44);
  EXPECT_EQ(deleted, 6);
  RecordProperty("deleted_back_with_names", deletedBack);
  // The Sleuth Kit lists none of them; all six are still named by older tree nodes.
  EXPECT_EQ(deletedBack, 6);
}

}  // namespace
}  // namespace quellsy::test
