// One unreadable sector inside a volume's own structures costs only what that sector holds: engine-cli's quick
// scan over real images (mkntfs + ntfscp, mkfs.fat + mtools, mkfs.exfat + the FUSE driver), with reads failing
// wherever they touch the chosen sectors, as a bad sector fails them. The files whose metadata lies elsewhere are
// all listed and copied out byte for byte; the sectors that failed are reported as unreadable ranges.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "EngineCliRun.h"
#include "support/FaultyRawReadBackend.h"
#include "support/FixtureScript.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;

struct ImageFile {
  std::string path;
  std::string sha256;
  long long first = 0;  // sectors of the file's own metadata
  long long last = 0;
};

struct BadSectorImage {
  FixtureRun run;
  fs::path image;
  std::map<std::string, std::string> facts;
  std::vector<ImageFile> files;

  long long Fact(const std::string& key) const { return std::stoll(facts.at(key)); }
};

// The image of make-bad-sector-images.sh for one file system, made once per build tree and copied into a folder
// of this test process.
const BadSectorImage& Image(const std::string& kind) {
  static TempDir dir;
  static std::map<std::string, BadSectorImage> made;
  if (const auto found = made.find(kind); found != made.end()) return found->second;
  BadSectorImage& image = made[kind];
  const fs::path folder = dir / kind;
  fs::create_directories(folder);
  image.run = RunFixture("tests/tools/make-bad-sector-images.sh", {folder.string(), kind});
  image.image = folder / (kind + ".img");
  if (image.run.Made()) {
    ReadFixtureManifest(image.image.string() + ".manifest", image.facts, [&](const std::vector<std::string>& row) {
      if (row.size() >= 5) image.files.push_back({row[0], row[2], std::stoll(row[3]), std::stoll(row[4])});
    });
  }
  return image;
}

struct Sectors {
  long long first;
  long long count;
};

// For its lifetime, every raw read that touches one of the sectors fails, as a read over a bad sector does.
class FailingSectors {
 public:
  explicit FailingSectors(const std::vector<Sectors>& bad)
      : m_backend(std::make_shared<FaultyRawReadBackend>()), m_scoped(m_backend, std::chrono::seconds(30)) {
    for (const Sectors& s : bad) m_backend->FailRequestsCovering({s.first * 512, (s.first + s.count) * 512});
  }

 private:
  std::shared_ptr<FaultyRawReadBackend> m_backend;
  ScopedRawReadBackend m_scoped;
};

struct BadSectorCase {
  const char* name;
  const char* kind;
  // The sectors that fail, from the image's facts.
  std::function<std::vector<Sectors>(const BadSectorImage&)> bad;
  // The unreadable ranges the scan meets: a bad sector it never needs to read is not met.
  std::size_t met;
};

class MetadataBadSector : public EveryEngineRegistered, public ::testing::TestWithParam<BadSectorCase> {};

TEST_P(MetadataBadSector, EveryFileWhoseMetadataCanBeReadIsListedAndCopiedWhole) {
  const BadSectorCase& c = GetParam();
  const BadSectorImage& image = Image(c.kind);
  QUELLSY_REQUIRE_FIXTURE(image.run);
  ASSERT_FALSE(image.files.empty());
  const std::vector<Sectors> bad = c.bad(image);
  const FailingSectors failing(bad);

  // A file is lost when the sectors of its own metadata include a bad one; every other file stays.
  std::set<std::string> expected;
  for (const ImageFile& file : image.files) {
    const bool lost = std::any_of(bad.begin(), bad.end(), [&](const Sectors& s) {
      return s.first <= file.last && s.first + s.count > file.first;
    });
    if (!lost) expected.insert(file.path);
  }
  ASSERT_LT(expected.size(), image.files.size() + 1);

  TempDir out;
  const CliRun run = Cli({"quick", image.image.string(), "--live", "--json", "--recover", out.path().string()});
  std::set<std::string> listed;
  for (const auto& [path, entry] : ListedByPath(run))
    if (entry.size != "0" || path.find('.') != std::string::npos) listed.insert(path);
  std::set<std::string> listedFiles;
  for (const std::string& path : listed)
    if (std::any_of(image.files.begin(), image.files.end(), [&](const ImageFile& f) { return f.path == path; }))
      listedFiles.insert(path);
  EXPECT_EQ(listedFiles, expected) << run.err;
  ASSERT_FALSE(run.lines.empty()) << run.err;
  EXPECT_EQ(Field(run.lines.back(), "unreadable_ranges"), std::to_string(c.met)) << run.err;

  ASSERT_TRUE(fs::is_directory(out.path()) && !fs::is_empty(out.path())) << run.err;
  const fs::path root = fs::directory_iterator(out.path())->path();
  for (const ImageFile& file : image.files) {
    if (expected.count(file.path) == 0) continue;
    SCOPED_TRACE(file.path);
    EXPECT_EQ(Sha256Hex(ReadFile(root / file.path.substr(1))), file.sha256);
  }
}

std::vector<Sectors> At(long long first, long long count = 1) { return {{first, count}}; }

INSTANTIATE_TEST_SUITE_P(
    FileSystems, MetadataBadSector,
    ::testing::Values(
        // The first sector of one user FILE record: the 127 records read with it are still listed.
        BadSectorCase{"NtfsOneUserRecord", "ntfs",
                      [](const BadSectorImage& i) { return At(i.Fact("mft-sector") + 68 * i.Fact("record-sectors")); },
                      1},
        // The $MFT's own record: its runs come from the copy in the $MFTMirr.
        BadSectorCase{"NtfsTheMftRecord", "ntfs", [](const BadSectorImage& i) { return At(i.Fact("mft-sector")); },
                      1},
        // A sector of the fixed root folder: the 16 entries it holds are lost, the other root files stay.
        BadSectorCase{"Fat16RootFolderSector", "fat16",
                      [](const BadSectorImage& i) { return At(i.Fact("root-sector") + 1); }, 1},
        // The first sector of a sub-folder, with its "." and ".." entries: the folder's later entries stay.
        BadSectorCase{"Fat16SubFolderFirstSector", "fat16",
                      [](const BadSectorImage& i) { return At(i.Fact("sub-sector")); }, 1},
        BadSectorCase{"Fat16SubFolderSecondSector", "fat16",
                      [](const BadSectorImage& i) { return At(i.Fact("sub-sector") + 1); }, 1},
        // A sector of the root folder's cluster: the entry sets it holds (or cuts) are lost, the rest stay.
        BadSectorCase{"ExFatRootFolderSector", "exfat",
                      [](const BadSectorImage& i) { return At(i.Fact("root-sector") + 2); }, 1},
        // The first, with the bitmap's and the up-case table's entries.
        BadSectorCase{"ExFatRootFolderFirstSector", "exfat",
                      [](const BadSectorImage& i) { return At(i.Fact("root-sector")); }, 1},
        // A sector of each FAT copy, a different one in each: the second copy fills the first's gap, and its own
        // bad sector is never needed.
        BadSectorCase{"Fat16BothTablesOneSectorEach", "fat16",
                      [](const BadSectorImage& i) {
                        return std::vector<Sectors>{{i.Fact("fat0-sector"), 1}, {i.Fact("fat1-sector") + 2, 1}};
                      },
                      1}),
    [](const auto& p) { return std::string(p.param.name); });

struct FailureCase {
  const char* name;
  const char* kind;
  std::function<std::vector<Sectors>(const BadSectorImage&)> bad;
  // What engine-cli says, from the image's facts; "IMAGE" stands for the image's path.
  std::function<std::string(const BadSectorImage&)> words;
};

class FailureWords : public EveryEngineRegistered, public ::testing::TestWithParam<FailureCase> {};

// A scan that cannot go on says in words what failed and where the device refused to read, never only a code,
// and an unreadable boot sector is never "no volume".
TEST_P(FailureWords, NameWhatFailedAndTheSectorsThatCouldNotBeRead) {
  const FailureCase& c = GetParam();
  const BadSectorImage& image = Image(c.kind);
  QUELLSY_REQUIRE_FIXTURE(image.run);
  const FailingSectors failing(c.bad(image));

  const CliRun run = Cli({"quick", image.image.string(), "--live"});
  EXPECT_EQ(run.exit, 1);
  EXPECT_TRUE(run.lines.empty()) << run.lines.front();
  std::string expected = c.words(image);
  if (const std::size_t at = expected.find("IMAGE"); at != std::string::npos)
    expected.replace(at, 5, image.image.string());
  EXPECT_NE(run.err.find("engine-cli: " + expected + "\n"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    FileSystems, FailureWords,
    ::testing::Values(
        FailureCase{"NtfsBothMftCopies", "ntfs",
                    [](const BadSectorImage& i) {
                      return std::vector<Sectors>{{i.Fact("mft-sector"), 1}, {i.Fact("mirror-sector"), 1}};
                    },
                    [](const BadSectorImage& i) {
                      return "the $MFT and its mirror could not be read: input/output error at sectors " +
                             std::to_string(i.Fact("mft-sector")) + ", " + std::to_string(i.Fact("mirror-sector")) +
                             " (0x0112007f00000012)";
                    }},
        FailureCase{"NtfsBootSector", "ntfs", [](const BadSectorImage&) { return At(0); },
                    [](const BadSectorImage&) {
                      return std::string("the boot sector at sector 0 of IMAGE could not be read: input/output error "
                                         "at sector 0 (0x0104005a00000405)");
                    }},
        FailureCase{"Fat16BootSector", "fat16", [](const BadSectorImage&) { return At(0); },
                    [](const BadSectorImage&) {
                      return std::string("the boot sector at sector 0 of IMAGE could not be read: input/output error "
                                         "at sector 0 (0x0104005a00000405)");
                    }},
        FailureCase{"Fat16BothTablesHeads", "fat16",
                    [](const BadSectorImage& i) {
                      return std::vector<Sectors>{{i.Fact("fat0-sector"), 1}, {i.Fact("fat1-sector"), 1}};
                    },
                    [](const BadSectorImage& i) {
                      return "neither copy of the FAT of the volume at sector 0 of IMAGE could be used: input/output "
                             "error at sectors " +
                             std::to_string(i.Fact("fat0-sector")) + ", " + std::to_string(i.Fact("fat1-sector")) +
                             " (0x010a00d800000007)";
                    }},
        FailureCase{"ExFatBootSector", "exfat", [](const BadSectorImage&) { return At(0); },
                    [](const BadSectorImage&) {
                      return std::string("the boot sector at sector 0 of IMAGE could not be read: input/output error "
                                         "at sector 0 (0x0104005a00000405)");
                    }}),
    [](const auto& p) { return std::string(p.param.name); });

class FailingSectorsOnly : public EveryEngineRegistered, public ::testing::Test {};

// The image shrinks under a quick scan, as a card pulled from its reader, just before the scan first reads the
// sub-folder: the scan ends with a failure of its own, named in words, and the files it found before stay
// listed. Scattered bad sectors on a device that keeps its size are no such failure: the scan succeeds and
// reports them as unreadable ranges.
TEST_F(FailingSectorsOnly, AShrunkDeviceEndsTheScanInWordsAndKeepsWhatWasFound) {
  const BadSectorImage& image = Image("fat16");
  QUELLSY_REQUIRE_FIXTURE(image.run);
  const long long cut = image.Fact("sub-sector") * 512;
  std::set<std::string> before;
  for (const ImageFile& file : image.files)
    if ((file.last + 1) * 512 <= cut) before.insert(file.path);
  ASSERT_FALSE(before.empty());
  ASSERT_LT(before.size(), image.files.size());

  const TempDir dir;
  const fs::path copy = dir / "shrinking.img";
  fs::copy_file(image.image, copy);
  const auto backend = std::make_shared<FaultyRawReadBackend>();
  backend->BeforeFirstRequestPast(cut, [&] { fs::resize_file(copy, static_cast<std::uintmax_t>(cut)); });
  {
    const ScopedRawReadBackend scoped(backend, std::chrono::seconds(30));
    const CliRun run = Cli({"quick", copy.string(), "--live", "--json"});
    EXPECT_EQ(fs::file_size(copy), static_cast<std::uintmax_t>(cut)) << "the scan read past the cut";
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find("engine-cli: " + copy.string() +
                           " stopped answering during the scan: the device was removed or now holds less than when "
                           "the scan began, so what lay past its new end could not be read; what was found before "
                           "is kept (0x0104006000000407)\n"),
              std::string::npos)
        << run.err;
    std::set<std::string> listed;
    for (const auto& [path, entry] : ListedByPath(run))
      if (before.count(path)) listed.insert(path);
    EXPECT_EQ(listed, before) << run.err;
  }

  // The same image kept whole, with a bad sector in the root folder and one in the sub-folder.
  const FailingSectors failing({{image.Fact("root-sector") + 1, 1}, {image.Fact("sub-sector") + 1, 1}});
  const CliRun run = Cli({"quick", image.image.string(), "--live", "--json"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.err.find("stopped answering"), std::string::npos) << run.err;
  ASSERT_FALSE(run.lines.empty()) << run.err;
  EXPECT_EQ(Field(run.lines.back(), "unreadable_ranges"), "2") << run.err;
}

}  // namespace
