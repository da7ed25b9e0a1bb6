// The HFS+ complete scan end to end through engine-cli (real controller, tree builder, signature search and data
// recovery): disk images assembled from written volumes with no partition table, on 512- and 4096-byte sectors,
// and the Linux-made volume with deleted files against its manifest.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "../HFSPlusLib/HFSPlusPublicImages.h"
#include "HFSPlusCompleteDisk.h"
#include "Engines/BuiltInEngines.h"
#include "include/EngineRegistry.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "tools/EngineCliRun.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

class HFSPlusCompleteScanCli : public ::testing::Test {
 protected:
  // engine-cli leaves only the chosen searchers registered: every test starts and ends with all of them.
  void SetUp() override { RegisterAll(); }
  void TearDown() override { RegisterAll(); }
  static void RegisterAll() {
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }

  CliRun Complete(const fs::path& image, std::vector<std::string> extra = {}) {
    fs::create_directories(m_dir / "out");
    std::vector<std::string> args{"complete", image.string(), "--json", "--recover", (m_dir / "out").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    return Cli(args);
  }
  // The SHA-256 of every file copied out, by its path below the destination.
  std::map<std::string, std::string> Copies() const {
    std::map<std::string, std::string> copies;
    for (const auto& entry : fs::recursive_directory_iterator(m_dir / "out")) {
      if (entry.is_regular_file())
        copies[fs::relative(entry.path(), m_dir / "out").string()] = Sha256Hex(ReadFile(entry.path()));
    }
    return copies;
  }

  TempDir m_dir;
};

// Whether some copy whose path ends in "/<path>" has that hash.
bool CopiedAs(const std::map<std::string, std::string>& copies, const std::string& path, const std::string& sha256) {
  for (const auto& [copy, hash] : copies) {
    if (hash == sha256 && copy.size() > path.size() && copy.compare(copy.size() - path.size(), path.size(), path) == 0 &&
        copy[copy.size() - path.size() - 1] == '/')
      return true;
  }
  return false;
}

struct DiskCase {
  unsigned sectorSize;
};

class WipedTableDisk : public HFSPlusCompleteScanCli, public ::testing::WithParamInterface<DiskCase> {};

// Two volumes on a disk whose partition table is gone: each is found by its header, searched through its own
// catalog and journal, and every live and journal-deleted file is copied out byte for byte.
TEST_P(WipedTableDisk, BothVolumesAreRebuiltAndRecovered) {
  const unsigned sectorSize = GetParam().sectorSize;
  constexpr std::uint64_t kFirst = 1024ull * 1024;
  constexpr std::uint64_t kSecond = kFirst + 4096ull * 2048 + 1024 * 1024;
  SparseImage disk(kSecond + 4096ull * 2048 + 1024 * 1024);
  const PlacedVolume one = PlaceStandardVolume(disk, kFirst, 2048, 0xE1100000, u"one");
  const PlacedVolume two = PlaceStandardVolume(disk, kSecond, 2048, 0xE1200000, u"two");
  const fs::path image = m_dir / "disk.img";
  disk.WriteFile(image);

  const CliRun run = Complete(image, {"--searchers", "hfs", "--sector-size", std::to_string(sectorSize)});
  ASSERT_EQ(run.exit, 0) << run.err;
  const auto copies = Copies();
  for (const PlacedVolume* placed : {&one, &two}) {
    for (const auto& file : placed->live) {
      if (file.size == 0) continue;
      EXPECT_TRUE(CopiedAs(copies, file.path, file.sha256)) << file.path;
    }
    ASSERT_EQ(placed->deleted.size(), 1u);
    EXPECT_TRUE(CopiedAs(copies, placed->deleted[0].path, placed->deleted[0].sha256)) << placed->deleted[0].path;
  }
}

INSTANTIATE_TEST_SUITE_P(Sectors, WipedTableDisk, ::testing::Values(DiskCase{512}, DiskCase{4096}),
                         [](const auto& param) { return std::to_string(param.param.sectorSize); });

struct ManifestRow {
  std::string path;
  std::string sha256;
  std::string state;
};

std::vector<ManifestRow> ReadManifest(const fs::path& path) {
  std::ifstream in(path);
  std::vector<ManifestRow> rows;
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    ManifestRow row;
    std::string size;
    std::getline(fields, row.path, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, row.sha256, '\t');
    std::getline(fields, row.state, '\t');
    rows.push_back(row);
  }
  return rows;
}

// Every live file comes back through the volume's catalog. The deleted ones left no catalog record (the volume
// keeps no journal); the signature search finds those it knows by content, and no live file a second time, since
// the bitmap holds the live files' blocks.
TEST_F(HFSPlusCompleteScanCli, LinuxMadeVolumeGivesLiveFilesByNameAndDeletedOnesByContent) {
  PublicHFSPlusImages& images = PublicHFSPlusImages::Get();
  ASSERT_TRUE(images.ok()) << images.why();
  const auto rows = ReadManifest(images / "linux.manifest.tsv");
  const CliRun run = Complete(images / "linux.img");
  ASSERT_EQ(run.exit, 0) << run.err;
  const auto copies = Copies();
  // The volume keeps its names decomposed, the manifest composed: copies are matched by content within the HFS+
  // tree, whose every copy has its name from a catalog record.
  std::set<std::string> carved;
  std::set<std::string> named;
  for (const auto& [copy, hash] : copies) {
    if (copy.find("RAW Files") != std::string::npos) carved.insert(hash);
    if (copy.find("(HFS+)") != std::string::npos) named.insert(hash);
  }

  int live = 0;
  int intactDeleted = 0;
  int byName = 0;
  std::set<std::string> carvedPaths;
  for (const ManifestRow& row : rows) {
    SCOPED_TRACE(row.path);
    if (row.state == "allocated" || row.state == "fragmented") {
      ++live;
      EXPECT_TRUE(named.count(row.sha256));
      EXPECT_FALSE(carved.count(row.sha256)) << "carved again";
    } else if (row.state == "deleted") {
      ++intactDeleted;
      if (named.count(row.sha256)) ++byName;
      if (carved.count(row.sha256)) carvedPaths.insert(row.path);
    }
  }
  EXPECT_EQ(live, 66);
  EXPECT_EQ(intactDeleted, 9);
  RecordProperty("deleted_by_name", byName);
  RecordProperty("deleted_by_content", static_cast<int>(carvedPaths.size()));
  EXPECT_EQ(byName, 0);
  // The WAVE file ends at its stated RIFF length; the plain-text logs are not carved.
  const std::set<std::string> expected = {
      "Users/alice/Pictures/Vacation 2023/IMG_0002.JPG",
      "Users/alice/Documents/Quarterly Report 2023 (final).docx",
      "Users/alice/Library/Application Support/AddressBook/contacts.sqlite",
      "spacer.wav",
  };
  EXPECT_EQ(carvedPaths, expected);
}

}  // namespace
}  // namespace quellsy::test
