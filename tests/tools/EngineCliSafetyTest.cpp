// The harness as a person uses it: what it refuses before scanning, how it reports in words, where its output goes,
// and what a copy-out does with hostile names, links, a full or read-only destination.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <map>

#include "EngineCliRun.h"
#include "Engines/BuiltInEngines.h"
#include "ProgressLine.h"
#include "RecoveryController/FakeSearchers.h"
#include "include/EngineRegistry.h"
#include "Utility/CatchExeception.h"
#include "Utility/RawRead.h"
#include "support/FaultyRawReadBackend.h"
#include "support/FixtureScript.h"
#include "support/LoopDevice.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;

constexpr long long kClusterBytes = 4096;
constexpr std::uintmax_t kImageBytes = 64ULL << 20;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A tmpfs mounted over a folder for the life of the object; mounted() is false (with why) where mounting is not
// permitted.
class Tmpfs {
 public:
  Tmpfs(const fs::path& at, unsigned long flags, const std::string& options) : m_at(at) {
    fs::create_directories(at);
    m_mounted = mount("tmpfs", at.c_str(), "tmpfs", flags, options.c_str()) == 0;
    if (!m_mounted) why = std::string("cannot mount a tmpfs here (") + std::strerror(errno) + ")";
  }
  ~Tmpfs() {
    if (m_mounted) umount2(m_at.c_str(), MNT_DETACH);
  }
  bool mounted() const { return m_mounted; }
  std::string why;

 private:
  fs::path m_at;
  bool m_mounted = false;
};

// A 64 MiB image and a fake FAT searcher reporting files on it (4 KiB clusters from sector 0).
class HarnessSafety : public testing::Test {
 protected:
  void SetUp() override {
    { std::ofstream create(image, std::ios::binary); }
    fs::resize_file(image, kImageBytes);
    engines.AddComplete(SEARCHER_FAT);
    CSearchedPartitionInfo record;
    record.SetSectorsPerCluster(8);
    record.SetTotalSectors(kImageBytes / 512);
    engines.Script(SEARCHER_FAT).partitions = {record};
  }

  void AddFile(const std::string& name, long long id, long long cluster, std::size_t size, std::uint32_t seed) {
    const std::vector<std::uint8_t> bytes = PatternBytes(size, seed);
    std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(cluster * kClusterBytes);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const long long clusters = static_cast<long long>((size + kClusterBytes - 1) / kClusterBytes);
    engines.Script(SEARCHER_FAT)
        .nodes.push_back({name, id, 5, false, static_cast<long long>(size), {{cluster, clusters}}});
  }

  TempDir dir;
  const std::string image = (dir / "card.img").string();
  FakeEngines engines;
};

TEST_F(HarnessSafety, WhatCannotBeScannedOrWrittenIsRefusedBeforeTheScan) {
  AddFile("a.txt", 11, 100, 1000, 1);
  const std::string fifo = (dir / "pipe").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string notAFolder = (dir / "file.txt").string();
  WriteFile(notAFolder, {1});
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      // Opening a FIFO for reading would wait for a writer forever.
      {{"complete", fifo}, fifo + " (a FIFO) is not a regular file or a block device (0x0120001300000e04)"},
      {{"complete", "/dev/null"}, "/dev/null (a character device) is not a regular file or a block device"},
      {{"complete", dir.path().string()}, dir.path().string() + " is a directory (0x0120001100000e02)"},
      {{"complete", (dir / "missing.img").string()},
       "cannot open " + (dir / "missing.img").string() + ": no such file"},
      {{"complete", image, "--recover", (dir / "none").string()},
       "destination " + (dir / "none").string() + " does not exist (0x010d020100000d10)"},
      {{"complete", image, "--recover", notAFolder}, "destination " + notAFolder + " is not a folder"},
  };
  for (const Case& c : cases) {
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.exit, 1) << c.message;
    EXPECT_TRUE(Contains(run.err, "engine-cli: " + c.message)) << run.err;
    EXPECT_TRUE(run.lines.empty()) << c.message;
  }
  EXPECT_EQ(engines.Script(SEARCHER_FAT).created, 0) << "no scan ran";
}

TEST_F(HarnessSafety, AReadOnlyDestinationIsRefusedBeforeTheScan) {
  if (geteuid() != 0) GTEST_SKIP() << "a read-only mount needs root (as root, permission bits do not stop a write)";
  const fs::path readOnly = dir / "ro";
  const Tmpfs mounted(readOnly, MS_RDONLY, "size=1m");
  if (!mounted.mounted()) GTEST_SKIP() << mounted.why;
  AddFile("a.txt", 11, 100, 1000, 1);
  const CliRun run = Cli({"complete", image, "--recover", readOnly.string()});
  EXPECT_EQ(run.exit, 1);
  EXPECT_TRUE(Contains(run.err, "engine-cli: destination " + readOnly.string() + " is read-only (0x010d020300000d12)"))
      << run.err;
  EXPECT_EQ(engines.Script(SEARCHER_FAT).created, 0) << "no scan ran";
}

TEST_F(HarnessSafety, AFullDestinationStopsTheCopyWithOneMessage) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  const fs::path small = dir / "small";
  const Tmpfs mounted(small, 0, "size=2m");
  if (!mounted.mounted()) GTEST_SKIP() << mounted.why;
  // Three files of 3 MiB: whichever comes first does not fit.
  AddFile("one.bin", 11, 100, 3 << 20, 1);
  AddFile("two.bin", 12, 1000, 3 << 20, 2);
  AddFile("three.bin", 13, 2000, 3 << 20, 3);
  const CliRun run = Cli({"complete", image, "--searchers", "fat", "--recover", small.string()});
  EXPECT_EQ(run.exit, 1);
  EXPECT_TRUE(Contains(run.err, "engine-cli: stopped: no space left on the destination (0x010d017000000d04)"))
      << run.err;
  EXPECT_TRUE(Contains(run.err, "recovery: 0 copied, 1 failed, 0 incomplete, 0 renamed")) << run.err;
  std::size_t notRecovered = 0;
  for (std::size_t at = run.err.find("not recovered: "); at != std::string::npos;
       at = run.err.find("not recovered: ", at + 1))
    ++notRecovered;
  EXPECT_EQ(notRecovered, 1u) << run.err;
  EXPECT_TRUE(Contains(run.err, std::string(": no space left on the destination: ") + std::strerror(ENOSPC) +
                                    " (0x010d017000000d04)"))
      << run.err;
  for (const auto& entry : fs::recursive_directory_iterator(small))
    EXPECT_FALSE(entry.is_regular_file()) << "a partial copy was left: " << entry.path();
}

TEST_F(HarnessSafety, LinksPlantedInTheDestinationAreReportedAndNotFollowed) {
  AddFile("a.txt", 11, 100, 1000, 1);
  AddFile("b.txt", 12, 200, 2000, 2);
  const CliRun listing = Cli({"complete", image, "--searchers", "fat", "--json"});
  ASSERT_EQ(listing.exit, 0) << listing.err;
  const std::string first = Field(listing.lines.front(), "path");
  const std::string rootName = first.substr(1, first.find('/') - 1);  // the volume's folder
  struct Case {
    const char* what;
    std::string link;
    std::string target;
    const char* summary;
  };
  const std::vector<Case> cases = {
      {"a folder link", rootName, "../outside", "recovery: 2 copied, 0 failed, 0 incomplete, 2 renamed"},
      {"a dangling file link", rootName + "/a.txt", "../../outside/planted",
       "recovery: 2 copied, 0 failed, 0 incomplete, 1 renamed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path out = dir / "out";
    const fs::path outside = dir / "outside";
    fs::remove_all(out);
    fs::remove_all(outside);
    fs::create_directories((out / c.link).parent_path());
    fs::create_directories(outside);
    fs::create_symlink(c.target, out / c.link);
    const CliRun run = Cli({"complete", image, "--searchers", "fat", "--recover", out.string()});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, c.summary)) << run.err;
    EXPECT_TRUE(Contains(run.err, "renamed: " + rootName + "/a.txt -> ")) << run.err;
    EXPECT_TRUE(fs::is_empty(outside)) << "written outside the destination";
    EXPECT_TRUE(fs::is_symlink(out / c.link));
  }
}

TEST_F(HarnessSafety, CommandLinesInAnyOrderHelpAndUsageErrors) {
  AddFile("a.txt", 11, 100, 1000, 1);
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string err;  // a part of standard error
  };
  const std::vector<Case> cases = {
      {{"--json", "complete", "--searchers", "fat", image}, 0, ""},
      {{image, "--searchers", "fat", "complete"}, 2, "unknown scan '" + image + "'"},
      {{"complete", image, "extra"}, 2, "unexpected argument 'extra'"},
      {{"complete", image, "--bogus"}, 2, "unknown option '--bogus'"},
      {{"--live", "complete", image}, 2, "unknown option '--live' for a complete scan"},
      {{"complete", image, "--recover"}, 2, "'--recover' needs a value"},
  };
  for (const Case& c : cases) {
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.exit, c.exit) << testing::PrintToString(c.args) << run.err;
    EXPECT_TRUE(Contains(run.err, c.err)) << run.err;
    EXPECT_EQ(Contains(run.err, "usage: engine-cli"), c.exit == 2) << run.err;
  }
  const CliRun help = Cli({"--help"});
  EXPECT_EQ(help.exit, 0);
  EXPECT_TRUE(help.err.empty());
  ASSERT_FALSE(help.lines.empty());
  EXPECT_EQ(help.lines.front().rfind("usage: engine-cli", 0), 0u);
  for (const char* option : {"--offset", "--searchers", "--live", "--json", "--recover", "--help", "exit status"}) {
    bool listed = false;
    for (const std::string& line : help.lines) listed = listed || Contains(line, option);
    EXPECT_TRUE(listed) << option;
  }
}

TEST_F(HarnessSafety, AProgressLineOnlyOnATerminal) {
  AddFile("a.txt", 11, 100, 1000, 1);
  fs::create_directory(dir / "out");
  for (const bool terminal : {false, true}) {
    std::ostringstream out;
    std::ostringstream err;
    const int exit = EngineCliMain({"complete", image, "--searchers", "fat", "--recover", (dir / "out").string()}, out,
                                   err, terminal);
    ASSERT_EQ(exit, 0) << err.str();
    EXPECT_EQ(Contains(err.str(), "\rscanning "), terminal) << err.str();
    EXPECT_EQ(Contains(err.str(), "\rcopying "), terminal) << err.str();
    EXPECT_FALSE(Contains(out.str(), "\r"));
  }
  // 50 of 100 MB in 2 s: 25 MB/s, and 2 s for the other half.
  EXPECT_EQ(ProgressLine::Format("scanning", 50'000'000, 100'000'000, 2.0), "scanning 50% 25.0 MB/s 0:02 left");
  EXPECT_EQ(ProgressLine::Format("copying", 1'000'000, 100'000'000, 1.0), "copying 1% 1.0 MB/s 1:39 left");
  EXPECT_EQ(ProgressLine::Format("copying", 0, 100, 0.0), "copying 0%");
}

// The FAT engine over an image made by mtools whose names are hostile: a name longer than Linux takes, "." and "..",
// a terminal escape, an empty file. Every file comes back whole under a name that can exist, and no escape
// sequence from the disk reaches the terminal.
class HarnessOnRealImages : public testing::Test {
 protected:
  void SetUp() override {
    quellsy::EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }
  void TearDown() override { quellsy::EngineRegistry::Instance().Reset(); }
  TempDir dir;
};

TEST_F(HarnessOnRealImages, HostileNamesComeOutWholeUnderNamesThatCanExist) {
  std::string why;
  ASSERT_TRUE(
      RunFixtureScript("tests/tools/make-hostile-names-fat.sh", dir.path(), "mkfs.fat or mtools is missing", why))
      << why;
  std::map<std::string, std::pair<std::uint64_t, std::string>> manifest;  // disk path: size, sha256
  std::map<std::string, std::string> facts;
  ReadFixtureManifest(dir / "hostile.img.manifest", facts, [&](const std::vector<std::string>& row) {
    ASSERT_GE(row.size(), 3u);
    manifest[row[0]] = {std::stoull(row[1]), row[2]};
  });
  ASSERT_EQ(manifest.size(), 5u);
  const std::string e = "\xC3\xA9";
  std::string longName;
  for (int i = 0; i < 127; ++i) longName += e;
  std::string shortened;
  for (int i = 0; i < 125; ++i) shortened += e;  // 250 bytes and ".txt": the most that fits in 255
  struct Case {
    std::string disk;     // in the manifest
    std::string written;  // below the volume's folder
  };
  const std::vector<Case> cases = {
      {"/" + longName + ".txt", shortened + ".txt"},
      {"/..", "_"},
      {"/SUB/.", "SUB/_"},
      {"/ctl\x1B[31mred.txt", "ctl_[31mred.txt"},
      {"/EMPTY.TXT", "EMPTY.TXT"},
  };

  const fs::path out = dir / "out";
  fs::create_directory(out);
  const CliRun run = Cli({"quick", (dir / "hostile.img").string(), "--live", "--recover", out.string()});
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_TRUE(Contains(run.err, "recovery: 5 copied, 0 failed, 0 incomplete, 2 renamed")) << run.err;
  EXPECT_TRUE(Contains(run.err, "ctl\\x1B[31mred.txt -> ")) << run.err;
  EXPECT_FALSE(Contains(run.err, "\x1B")) << "an escape sequence from the disk reached standard error";
  for (const std::string& line : run.lines) EXPECT_FALSE(Contains(line, "\x1B")) << line;

  std::vector<fs::path> volumes;
  for (const auto& entry : fs::directory_iterator(out)) volumes.push_back(entry.path());
  ASSERT_EQ(volumes.size(), 1u) << "one folder for the volume";
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(out)) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, cases.size());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.written);
    ASSERT_EQ(manifest.count(c.disk), 1u);
    const fs::path written = volumes.front() / c.written;
    ASSERT_TRUE(fs::is_regular_file(written));
    EXPECT_EQ(fs::file_size(written), manifest[c.disk].first);
    EXPECT_EQ(Sha256Hex(ReadFile(written)), manifest[c.disk].second);
  }
}

// A copy that met an unreadable sector keeps its file as ".incomplete", says in the summary that not everything
// came back whole and ends the run with status 1; the engine's log holds one line for the range, with the
// reason the failing read gave. A loop device over the image, so that the copies are read (an image file's are
// copied inside the kernel).
TEST_F(HarnessOnRealImages, ARecoveryThatLostDataSaysSoAndExitsWithOne) {
  QUELLSY_REQUIRE_FIXTURE(RunFixture("tests/DataRecovery/make-recovery-fat.sh", {dir.path().string()}));
  const fs::path image = dir / "recovery.img";
  std::map<std::string, std::string> manifest;  // file name: sha256
  std::map<std::string, std::string> facts;
  ReadFixtureManifest(image.string() + ".manifest", facts, [&](const std::vector<std::string>& row) {
    ASSERT_GE(row.size(), 3u);
    manifest[fs::path(row[0]).filename().string()] = row[2];
  });
  ASSERT_EQ(manifest.count("EXACT4M.BIN"), 1u);
  // The file's contents start with its first line; nothing before it holds that line.
  const std::vector<std::uint8_t> bytes = ReadFile(image);
  const std::string head = "exact EXACT4M.BIN\n";
  const auto found = std::search(bytes.begin(), bytes.end(), head.begin(), head.end());
  ASSERT_NE(found, bytes.end());
  const long long start = found - bytes.begin();
  LoopDevice loop;
  if (const std::string reason = loop.Attach(image, 512); !reason.empty()) GTEST_SKIP() << reason;
  auto backend = std::make_shared<FaultyRawReadBackend>();
  backend->FailRequestsCovering({start + (1 << 20), start + (1 << 20) + 512});
  const ScopedRawReadBackend failing(backend, quellsy::kRawReadTimeout);
  const TempDir logs;
  CatchExeception::SetWorkPathForTesting(logs.path().string());
  const fs::path out = dir / "out";
  fs::create_directory(out);
  const CliRun run = Cli({"quick", loop.path(), "--live", "--recover", out.string()});
  CatchExeception::SetWorkPathForTesting("");

  EXPECT_EQ(run.exit, 1) << run.err;
  EXPECT_TRUE(Contains(run.err, " copied, 0 failed, 1 incomplete, 0 renamed; ")) << run.err;
  EXPECT_TRUE(Contains(run.err, "unreadable ranges; not everything was recovered whole\n")) << run.err;
  std::map<std::string, fs::path> written;
  for (const auto& entry : fs::recursive_directory_iterator(out))
    if (entry.is_regular_file()) written[entry.path().filename().string()] = entry.path();
  // The one chunk the file is lost with its unreadable sector; every other file comes back whole.
  ASSERT_EQ(written.count("EXACT4M.incomplete.BIN"), 1u);
  const std::vector<std::uint8_t> lost = ReadFile(written["EXACT4M.incomplete.BIN"]);
  EXPECT_EQ(lost.size(), 4u << 20);
  EXPECT_TRUE(std::all_of(lost.begin(), lost.end(), [](std::uint8_t b) { return b == 0; }));
  for (const auto& [name, sha256] : manifest) {
    if (name == "EXACT4M.BIN") continue;
    SCOPED_TRACE(name);
    ASSERT_EQ(written.count(name), 1u);
    EXPECT_EQ(Sha256Hex(ReadFile(written[name])), sha256);
  }
  std::ifstream log(logs / "sQuellsy.log");
  std::vector<std::string> copyLines;
  for (std::string line; std::getline(log, line);)
    if (Contains(line, "RecoverTo") || Contains(line, "FileReader")) copyLines.push_back(line);
  ASSERT_EQ(copyLines.size(), 1u) << testing::PrintToString(copyLines);
  EXPECT_TRUE(Contains(copyLines[0], "EXACT4M.BIN file bytes 0-4194304 unreadable")) << copyLines[0];
  EXPECT_TRUE(Contains(copyLines[0], std::strerror(EIO))) << copyLines[0];
}

// The program itself: standard output holds the listing and nothing else, whatever the engine prints.
TEST_F(HarnessOnRealImages, StandardOutputHoldsOnlyTheListing) {
  std::string why;
  ASSERT_TRUE(
      RunFixtureScript("tests/tools/make-hostile-names-fat.sh", dir.path(), "mkfs.fat or mtools is missing", why))
      << why;
  const std::string command = std::string("'") + ENGINE_CLI_BINARY + "' quick '" + (dir / "hostile.img").string() +
                              "' --live --json >'" + (dir / "stdout").string() + "' 2>'" + (dir / "stderr").string() +
                              "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream listing(dir / "stdout");
  std::size_t lines = 0;
  for (std::string line; std::getline(listing, line); ++lines)
    EXPECT_TRUE(line.size() > 2 && line.front() == '{' && line.back() == '}') << line;
  EXPECT_EQ(lines, 7u) << "SUB, five files and the summary";
  std::ifstream diagnostics(dir / "stderr");
  const std::string err((std::istreambuf_iterator<char>(diagnostics)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(Contains(err, "\r")) << "no progress line when standard error is not a terminal";
}
// A destination inside a mount of the very image being scanned would write onto what is read. The image holds an
// ext4 file system, which this kernel mounts; the check does not care what is on it.
TEST_F(HarnessOnRealImages, ADestinationOnTheScannedDeviceIsRefused) {
  const fs::path image = dir / "volume.img";
  {
    std::ofstream create(image, std::ios::binary);
  }
  fs::resize_file(image, 16u << 20);
  const std::string make = "PATH=\"$PATH:/usr/sbin:/sbin\" mkfs.ext4 -q -F '" + image.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(make.c_str()), 0) << make;
  LoopDevice loop;
  if (const std::string reason = loop.Attach(image, 512); !reason.empty()) GTEST_SKIP() << reason;
  const fs::path mounted = dir / "mnt";
  fs::create_directory(mounted);
  if (mount(loop.path().c_str(), mounted.c_str(), "ext4", MS_RDONLY, "noload") != 0)
    GTEST_SKIP() << "cannot mount an ext4 volume here (" << std::strerror(errno) << ")";
  struct Unmount {
    fs::path at;
    ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
  } unmount{mounted};
  for (const std::string& scanned : {image.string(), loop.path()}) {
    const CliRun run = Cli({"quick", scanned, "--recover", (mounted / "lost+found").string()});
    EXPECT_EQ(run.exit, 1) << scanned;
    EXPECT_TRUE(Contains(run.err, "engine-cli: destination is on the scanned device (0x010d020400000d13)")) << run.err;
    EXPECT_TRUE(run.lines.empty()) << "no scan ran";
  }
}

}  // namespace
