// The NTFS quick scan end to end through engine-cli: the real quick controller, tree builder and data recovery
// over mkntfs/ntfs-3g volumes and Windows-made samples. What it lists is compared with The Sleuth Kit's
// `fls -r -p` on the same image, and every file it copies out with what `icat` reads for the same record (and,
// for the made volumes, with the hashes of what was written).

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "Engines/BuiltInEngines.h"
#include "NTFSLib/NtfsImages.h"
#include "support/CommandOutput.h"
#include "support/FixtureScript.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "tools/EngineCliRun.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;

// The first MFT number a user file can have; below lie the meta files and the records kept for them.
constexpr unsigned long long kFirstUserRecord = 24;

struct FlsEntry {
  unsigned long long inode = 0;
  bool deleted = false;
  bool directory = false;
};

// fls -r -p: "r/r * 95-128-2:<TAB>victim.bin". Meta files, $Extend, orphans and named streams are left out.
std::map<std::string, FlsEntry> FlsListing(const fs::path& image) {
  int status = 0;
  const std::string text = CommandOutput("fls -r -p " + ShellQuoted(image.string()), status);
  EXPECT_EQ(status, 0) << "fls failed on " << image;
  std::map<std::string, FlsEntry> entries;
  std::size_t from = 0;
  for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
    const std::string line = text.substr(from, end - from);
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || line.size() < 4) continue;
    const std::string path = "/" + line.substr(tab + 1);
    FlsEntry entry;
    entry.directory = line[2] == 'd';
    entry.deleted = line.find(" * ") != std::string::npos && line.find(" * ") < tab;
    const std::size_t digits = line.find_first_of("0123456789", 4);
    entry.inode = std::stoull(line.substr(digits));
    if (entry.inode < kFirstUserRecord || path.rfind("/$Extend/", 0) == 0 || path.rfind("/$OrphanFiles", 0) == 0 ||
        fs::path(path).filename().string().find(':') != std::string::npos)
      continue;
    entries[path] = entry;
  }
  return entries;
}

struct Listed {
  long long size = 0;
  bool deleted = false;
};

enum class Source { kMade, kSample, kCompressed };

// The volume of make-ntfs-compressed-image.sh, made once per test process.
struct CompressedVolume {
  TempDir dir;
  bool available = false;
  std::string why;
  NtfsImage image;
};

const CompressedVolume& Compressed() {
  // Destroyed at exit, so the image's folder goes with the test process.
  static const std::unique_ptr<CompressedVolume> made = [] {
    auto volume = std::make_unique<CompressedVolume>();
    volume->available = RunFixtureScript("tests/NTFSSearch/make-ntfs-compressed-image.sh", volume->dir.path(),
                                         "ntfs-3g tools missing: compressed NTFS image not made", volume->why);
    volume->image.path = volume->dir / "ntfs-compressed.img";
    ReadFixtureManifest(volume->image.Beside(".manifest"), volume->image.facts, [&](const std::vector<std::string>& f) {
      if (f.size() >= 5) volume->image.files.push_back({f[0], std::stoull(f[1]), f[2], f[3] == "1", std::stoull(f[4])});
    });
    return volume;
  }();
  return *made;
}

struct CliCase {
  const char* name;
  const char* image;
  Source source;
  // A file that must be among those listed and copied out, and how istat describes its data.
  const char* mustHave;
  const char* istatSays;
};

class NtfsQuickScanCliTest : public testing::TestWithParam<CliCase> {};

TEST_P(NtfsQuickScanCliTest, ListsWhatFlsListsAndCopiesFilesOutAsIcatReadsThem) {
  const CliCase& c = GetParam();
  NtfsImage image;
  if (c.source == Source::kCompressed) {
    ASSERT_TRUE(Compressed().available) << Compressed().why;
    image = Compressed().image;
  } else {
    const NtfsImages* images = c.source == Source::kSample ? NtfsImages::Samples() : NtfsImages::Generated();
    ASSERT_TRUE(images->Available()) << images->Why();
    image = images->Image(c.image);
  }
  TempDir dir;
  const fs::path out = dir / "out";
  fs::create_directories(out);
  RegisterBuiltInEngines();
  const CliRun run = Cli({"quick", image.path.string(), "--live", "--json", "--recover", out.string()});

  std::map<std::string, Listed> listed;
  for (const std::string& line : run.lines) {
    if (line.rfind("{\"path\": ", 0) != 0) continue;
    std::string path = Field(line, "path");
    path = path.substr(1, path.size() - 2);
    const std::size_t slash = path.find('/');
    if (slash == std::string::npos) continue;
    listed[path.substr(slash)] = {std::stoll(Field(line, "size")), Field(line, "deleted") == "true"};
  }
  ASSERT_FALSE(listed.empty()) << run.err;

  // Only empty files may fail to copy out: they have no data to read.
  std::size_t from = 0;
  for (std::size_t at; (at = run.err.find("not recovered (", from)) != std::string::npos; from = at + 1) {
    const std::size_t colon = run.err.find("): ", at);
    const std::size_t end = run.err.find('\n', colon);
    std::string path = run.err.substr(colon + 3, end - colon - 3);
    path = path.substr(path.find('/'));
    ASSERT_TRUE(listed.count(path)) << path;
    EXPECT_EQ(listed[path].size, 0) << "not recovered: " << path;
  }

  // Each record fls lists is listed under one of its names (hard links share a record), in the same state; the
  // tree builder shows what lies in the recycle bin as deleted.
  const std::map<std::string, FlsEntry> fls = FlsListing(image.path);
  std::map<unsigned long long, std::vector<std::string>> namesOf;
  for (const auto& [path, entry] : fls) namesOf[entry.inode].push_back(path);
  std::size_t deleted = 0;
  for (const auto& [inode, names] : namesOf) {
    SCOPED_TRACE(names.front());
    const auto name = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return listed.count(n); });
    ASSERT_NE(name, names.end()) << "record " << inode << " not listed";
    const FlsEntry& entry = fls.at(*name);
    if (name->find("/$RECYCLE.BIN") == std::string::npos) {
      EXPECT_EQ(listed[*name].deleted, entry.deleted);
    }
    deleted += entry.deleted ? 1 : 0;
  }
  // And nothing fls does not know.
  for (const auto& [path, entry] : listed) EXPECT_TRUE(fls.count(path)) << "not listed by fls: " << path;

  // Copied out byte for byte as icat reads the record's unnamed data.
  ASSERT_TRUE(fs::is_directory(out)) << run.err;
  const fs::path root = fs::directory_iterator(out)->path();
  std::size_t compared = 0;
  for (const auto& [path, entry] : fls) {
    if (entry.directory || listed[path].size == 0) continue;
    SCOPED_TRACE(path);
    const fs::path copy = root / path.substr(1);
    if (!fs::exists(copy)) continue;  // another name of the same record was the one listed
    int status = 0;
    const std::string icat = CommandOutput("icat " + ShellQuoted(image.path.string())
                                           + " " + std::to_string(entry.inode), status);
    ASSERT_EQ(status, 0);
    const std::vector<std::uint8_t> bytes = ReadFile(copy);
    EXPECT_EQ(bytes.size(), icat.size());
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == icat);
    ++compared;
  }
  EXPECT_GT(compared, 0u);
  if (c.source != Source::kSample) {
    EXPECT_GT(deleted, 0u);
  }

  // The made volumes: what was written, and deleted files among it.
  for (const NtfsManifestFile& file : image.files) {
    SCOPED_TRACE(file.path);
    ASSERT_TRUE(listed.count(file.path));
    EXPECT_EQ(listed[file.path].deleted, file.deleted);
    EXPECT_EQ(Sha256Hex(ReadFile(root / file.path.substr(1))), file.sha256);
  }

  if (c.mustHave != nullptr) {
    ASSERT_TRUE(listed.count(c.mustHave));
    ASSERT_TRUE(fs::exists(root / (c.mustHave + 1)));
    int status = 0;
    const std::string istat = CommandOutput("istat " + ShellQuoted(image.path.string())
                                            + " " + std::to_string(fls.at(c.mustHave).inode), status);
    EXPECT_NE(istat.find(c.istatSays), std::string::npos) << istat;
  }
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsQuickScanCliTest,
                         testing::Values(CliCase{"Sectors512", "ntfs-512.img", Source::kMade, "/streams.bin", "$DATA"},
                                         CliCase{"FourKn", "ntfs-4k.img", Source::kMade, "/sparse.bin", "Sparse"},
                                         // Stored, packed and empty compression units, and a deleted packed file.
                                         CliCase{"Compressed", "ntfs-compressed.img", Source::kCompressed,
                                                 "/packed/holes.bin", "Compressed"},
                                         // Made on Windows with compression on: /1.txt is LZNT1-compressed.
                                         CliCase{"WindowsCompressed", "ntfs-ramslack.part", Source::kSample, "/1.txt",
                                                 "Compressed"}),
                         [](const auto& param) { return std::string(param.param.name); });

// The Sleuth Kit cannot open a volume with 2 MiB clusters; ntfs-3g can, and is the reference here.
TEST(NtfsQuickScanCli, TwoMegabyteClustersAreReadAsNtfs3gReadsThem) {
  const NtfsImages* images = NtfsImages::Samples();
  ASSERT_TRUE(images->Available()) << images->Why();
  const NtfsImage image = images->Image("ntfs-2m.part");
  TempDir dir;
  const fs::path out = dir / "out";
  fs::create_directories(out);
  RegisterBuiltInEngines();
  const CliRun run = Cli({"quick", image.path.string(), "--live", "--json", "--recover", out.string()});
  ASSERT_EQ(run.exit, 0) << run.err;
  std::set<std::string> listed;
  for (const std::string& line : run.lines) {
    if (line.rfind("{\"path\": ", 0) != 0) continue;
    const std::string path = Field(line, "path");
    const std::size_t slash = path.find('/');
    if (slash != std::string::npos) listed.insert(path.substr(slash, path.size() - 1 - slash));
  }
  std::set<std::string> expected;
  for (const NtfsListedName& name : image.listing) {
    const std::string path = (name.folder == "/" ? "" : name.folder) + "/" + name.name;
    if (name.mftNumber >= kFirstUserRecord && path.rfind("/$Extend", 0) != 0) expected.insert(path);
  }
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(listed, expected);
  const fs::path root = fs::directory_iterator(out)->path();
  for (const std::string& path : expected) {
    if (fs::is_directory(root / path.substr(1))) continue;
    SCOPED_TRACE(path);
    int status = 0;
    const std::string ntfscat = CommandOutput("ntfscat " + ShellQuoted(image.path.string())
                                              + " " + ShellQuoted(path), status);
    ASSERT_EQ(status, 0);
    const std::vector<std::uint8_t> bytes = ReadFile(root / path.substr(1));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ntfscat);
  }
}

TEST(NtfsQuickScanCli, ADamagedMftIsReadThroughItsMirror) {
  const NtfsImages* images = NtfsImages::Generated();
  ASSERT_TRUE(images->Available()) << images->Why();
  const NtfsImage image = images->Image("ntfs-512.img");
  const NtfsVolume volume(image.path, 512);
  ASSERT_TRUE(volume.ok);
  TempDir dir;
  const fs::path copy = dir / "damaged.img";
  fs::copy_file(image.path, copy);
  {
    std::fstream bytes(copy, std::ios::in | std::ios::out | std::ios::binary);
    bytes.seekp(static_cast<std::streamoff>(volume.boot.GetMFTStartCluster() * volume.geometry.ClusterBytes()));
    const std::string zeros(volume.geometry.recordSize, '\0');
    bytes.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  const fs::path out = dir / "out";
  fs::create_directories(out);
  RegisterBuiltInEngines();
  const CliRun run = Cli({"quick", copy.string(), "--live", "--json", "--recover", out.string()});
  ASSERT_TRUE(fs::is_directory(out)) << run.err;
  const fs::path root = fs::directory_iterator(out)->path();
  for (const NtfsManifestFile& file : image.files) {
    SCOPED_TRACE(file.path);
    EXPECT_EQ(Sha256Hex(ReadFile(root / file.path.substr(1))), file.sha256);
  }
}

}  // namespace
