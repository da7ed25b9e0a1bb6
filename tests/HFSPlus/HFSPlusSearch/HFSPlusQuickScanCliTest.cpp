// The HFS+ quick scan end to end through engine-cli: the real quick controller, tree builder and data recovery.
// Live entries are compared with The Sleuth Kit's `fls -r -p` on the same image and the copies with what was
// written (or what `icat` reads); deleted files come from the journal only, which The Sleuth Kit does not read:
// it lists none of them, and the copies are compared with what was written.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "../HFSPlusLib/HFSPlusPublicImages.h"
#include "../HFSPlusLib/HFSPlusWrittenVolume.h"
#include "Engines/BuiltInEngines.h"
#include "include/EngineRegistry.h"
#include "support/CommandOutput.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "tools/EngineCliRun.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

struct FlsEntry {
  std::uint32_t id = 0;
  bool deleted = false;
  bool directory = false;
  bool regular = false;  // "r/r": links have no content icat copies
};

// The folders the system hides its hard-link data in: fls shows their control characters as '^'.
bool Hidden(const std::string& path) { return path.find("Private D") != std::string::npos; }

// Each name as the tree builder shows it: without its leading blanks and dots.
std::string AsBuilderShows(const std::string& path) {
  std::string shown;
  std::size_t from = 0;
  while (from <= path.size()) {
    std::size_t end = path.find('/', from);
    if (end == std::string::npos) end = path.size();
    std::string name = path.substr(from, end - from);
    name.erase(0, name.find_first_not_of(" ."));
    shown += (from == 0 ? "" : "/") + name;
    from = end + 1;
  }
  return shown;
}

// fls -r -p: "r/r 19:<TAB>path", "r/r * 23:<TAB>path" when deleted; the file system's own files (IDs below 16)
// are left out, and so are empty folders, which the tree builder does not show.
std::map<std::string, FlsEntry> FlsOf(const std::string& text) {
  std::map<std::string, FlsEntry> entries;
  std::size_t from = 0;
  for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
    const std::string line = text.substr(from, end - from);
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || line.size() < 4) continue;
    FlsEntry entry;
    entry.directory = line[0] == 'd';
    entry.regular = line[0] == 'r';
    const std::size_t star = line.find(" * ");
    entry.deleted = star != std::string::npos && star < tab;
    const std::size_t digits = line.find_first_of("0123456789", 4);
    entry.id = static_cast<std::uint32_t>(std::stoul(line.substr(digits)));
    const std::string path = AsBuilderShows("/" + line.substr(tab + 1));
    if (entry.id < hfsplus::kFirstUserCatalogNodeID || Hidden(path)) continue;
    entries[path] = entry;
  }
  for (auto at = entries.begin(); at != entries.end();) {
    const auto next = std::next(at);
    const bool empty = next == entries.end() || next->first.rfind(at->first + "/", 0) != 0;
    at = at->second.directory && empty ? entries.erase(at) : next;
  }
  return entries;
}

std::map<std::string, FlsEntry> Fls(const fs::path& image) {
  int status = 0;
  const std::string text = CommandOutput("fls -r -p " + ShellQuoted(image.string()), status);
  EXPECT_EQ(status, 0) << "fls failed on " << image;
  return FlsOf(text);
}

struct Scan {
  CliRun run;
  std::map<std::string, Listed> listed;
  fs::path root;  // the copied-out tree
};

Scan QuickScan(const fs::path& image, const fs::path& out) {
  fs::create_directories(out);
  EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  Scan scan;
  scan.run = Cli({"quick", image.string(), "--live", "--json", "--recover", out.string()});
  for (auto& [path, listed] : ListedByPath(scan.run)) {
    if (!Hidden(path)) scan.listed[path] = listed;
  }
  if (fs::is_directory(out) && fs::directory_iterator(out) != fs::directory_iterator()) {
    scan.root = fs::directory_iterator(out)->path();
  }
  EngineRegistry::Instance().Reset();
  return scan;
}

// Every live entry fls lists is listed live, and nothing is listed live that fls does not know.
void ExpectLiveAsFlsLists(const Scan& scan, const std::map<std::string, FlsEntry>& fls) {
  for (const auto& [path, entry] : fls) {
    if (entry.deleted) continue;
    SCOPED_TRACE(path);
    ASSERT_TRUE(scan.listed.count(path)) << "not listed";
    EXPECT_EQ(scan.listed.at(path).deleted, "false");
  }
  for (const auto& [path, listed] : scan.listed) {
    if (listed.deleted == "false") {
      EXPECT_TRUE(fls.count(path)) << "not listed by fls: " << path;
    }
  }
}

struct MadeVolume {
  TempDir dir;
  fs::path image;
  std::vector<ImageManifestEntry> live;
  std::vector<ImageManifestEntry> deleted;
};

// A journaled volume with the standard tree and, deleted after their records were logged: a plain file, one
// of twelve pieces (extents past eight only in the logged extents leaf), a compressed one (its decmpfs
// attribute only in the logged attributes leaf) and a folder with a file in it.
const MadeVolume& Made() {
  static const std::unique_ptr<MadeVolume> made = [] {
    auto volume = std::make_unique<MadeVolume>();
    HFSPlusWriterOptions options;
    options.totalBlocks = 4096;
    options.journal.enabled = true;
    HFSPlusWriter writer(options);
    WrittenVolume unused;
    VolumeContent content(writer, unused);
    StandardContent(content, options.blockSize);
    const std::uint32_t plain = writer.AddFile(2, u"deleted note.txt", PatternBytes(3000, 31));
    const std::uint32_t pieces = writer.AddFile(2, u"pieces.bin", PatternBytes(12 * 4096 + 7, 32), 12);
    const std::uint32_t packed = writer.AddCompressedFile(2, u"packed.txt", PatternBytes(50000, 33), 4, 2);
    const std::uint32_t folder = writer.AddFolder(2, u"gone folder");
    const std::uint32_t inner = writer.AddFile(folder, u"inner.dat", PatternBytes(8192, 34));
    for (std::uint32_t id : {plain, pieces, packed, folder, inner}) writer.Delete(id);
    const auto image = writer.Build();
    volume->image = volume->dir / "made.img";
    image->WriteFile(volume->image);
    volume->live = writer.Manifest();
    volume->deleted = writer.DeletedManifest();
    return volume;
  }();
  return *made;
}

TEST(HFSPlusQuickScanCli, WrittenVolumeListsLiveAsFlsAndRecoversJournalDeletedFiles) {
  const MadeVolume& made = Made();
  TempDir out;
  const Scan scan = QuickScan(made.image, out / "out");
  ASSERT_EQ(scan.run.exit, 0) << scan.run.err;
  const auto fls = Fls(made.image);
  ASSERT_FALSE(fls.empty());
  ExpectLiveAsFlsLists(scan, fls);
  // The Sleuth Kit reads only the live catalog: none of the deleted files.
  for (const auto& [path, entry] : fls) EXPECT_FALSE(entry.deleted) << path;
  ASSERT_FALSE(scan.root.empty()) << scan.run.err;

  auto expectCopied = [&](const ImageManifestEntry& file, const char* state) {
    const std::string path = "/" + file.path;
    SCOPED_TRACE(path);
    ASSERT_TRUE(scan.listed.count(path));
    EXPECT_EQ(scan.listed.at(path).deleted, state);
    EXPECT_EQ(scan.listed.at(path).size, std::to_string(file.size));
    if (file.size == 0) return;
    EXPECT_EQ(Sha256Hex(ReadFile(scan.root / file.path)), file.sha256);
  };
  for (const auto& file : made.live) expectCopied(file, "false");
  ASSERT_EQ(made.deleted.size(), 4u);
  for (const auto& file : made.deleted) expectCopied(file, "true");
  ASSERT_TRUE(scan.listed.count("/gone folder"));
  EXPECT_EQ(scan.listed.at("/gone folder").deleted, "true");

  // And The Sleuth Kit reads the live files the writer wrote as they were written.
  std::size_t compared = 0;
  for (const auto& file : made.live) {
    const auto entry = fls.find("/" + file.path);
    ASSERT_NE(entry, fls.end()) << file.path;
    int status = 0;
    const std::string icat = CommandOutput("icat " + ShellQuoted(made.image.string())
                                           + " " + std::to_string(entry->second.id), status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(Sha256Hex(std::vector<std::uint8_t>(icat.begin(), icat.end())), file.sha256) << file.path;
    ++compared;
  }
  EXPECT_GT(compared, 10u);

  // tsk_recover -e copies out every file it finds, deleted ones included: none of the deleted ones (it does
  // not read the journal), and each file it copies we copied too, with the same bytes.
  TempDir tsk;
  int status = 0;
  CommandOutput("tsk_recover -e " + ShellQuoted(made.image.string()) + " "
                + ShellQuoted(tsk.path().string()) + " 2>&1", status);
  ASSERT_EQ(status, 0);
  for (const auto& file : made.deleted) EXPECT_FALSE(fs::exists(tsk / file.path)) << file.path;
  std::size_t recovered = 0;
  for (const auto& entry : fs::recursive_directory_iterator(tsk.path())) {
    if (!entry.is_regular_file()) continue;
    const std::string path = fs::relative(entry.path(), tsk.path()).string();
    if (path.front() == '$') continue;  // the file system's own files ($CatalogFile and the others)
    SCOPED_TRACE(path);
    ASSERT_TRUE(scan.listed.count("/" + path));
    EXPECT_EQ(Sha256Hex(ReadFile(scan.root / path)), Sha256Hex(ReadFile(entry.path())));
    ++recovered;
  }
  EXPECT_GT(recovered, 10u);
}

class PublicVolumeQuickScan : public ::testing::TestWithParam<const char*> {};

// Live entries as fls lists them, each regular file copied out as icat reads it. None of these volumes keeps
// a journal with deleted records (the Linux driver writes no journal): fls lists no deleted file and neither
// do we.
TEST_P(PublicVolumeQuickScan, ListsWhatFlsListsAndCopiesWhatIcatReads) {
  PublicHFSPlusImages& images = PublicHFSPlusImages::Get();
  ASSERT_TRUE(images.ok()) << images.why();
  const std::string name = GetParam();
  const fs::path image = images / (name + ".img");
  TempDir out;
  const Scan scan = QuickScan(image, out / "out");
  ASSERT_EQ(scan.run.exit, 0) << scan.run.err;
  std::ifstream listing(images / (name + ".fls"));
  const std::string text((std::istreambuf_iterator<char>(listing)), std::istreambuf_iterator<char>());
  const auto fls = FlsOf(text);
  ASSERT_FALSE(fls.empty());
  ExpectLiveAsFlsLists(scan, fls);
  for (const auto& [path, listed] : scan.listed) EXPECT_EQ(listed.deleted, "false") << path;
  for (const auto& [path, entry] : fls) EXPECT_FALSE(entry.deleted) << path;
  ASSERT_FALSE(scan.root.empty()) << scan.run.err;
  std::size_t compared = 0;
  for (const auto& [path, entry] : fls) {
    if (!entry.regular) continue;
    SCOPED_TRACE(path);
    const fs::path icat = images / (name + ".files") / std::to_string(entry.id);
    const fs::path copy = scan.root / path.substr(1);
    if (fs::file_size(icat) == 0) continue;
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_EQ(Sha256Hex(ReadFile(copy)), Sha256Hex(ReadFile(icat)));
    ++compared;
  }
  EXPECT_GT(compared, 0u);
}

INSTANTIATE_TEST_SUITE_P(Images, PublicVolumeQuickScan,
                         ::testing::Values("dfvfs", "forensic-volume", "forensic-nested", "linux"));

}  // namespace
}  // namespace quellsy::test
