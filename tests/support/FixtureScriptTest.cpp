// The fixture runner tells a made fixture from a failed one and from a machine that lacks a capability, and a
// failed one ends the test as a failure.

#include "support/FixtureScript.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "support/CommandOutput.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

// Sets (or unsets, with nullopt) an environment variable for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

struct CommandCase {
  const char* name;
  const char* command;
  FixtureRun::Outcome outcome;
  const char* why;  // a piece of the reason; empty when made
};

class FixtureCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(FixtureCommand, OutcomeAndReason) {
  const FixtureRun run = RunFixtureCommand(GetParam().command);
  EXPECT_EQ(run.outcome, GetParam().outcome);
  EXPECT_EQ(run.Made(), GetParam().outcome == FixtureRun::Outcome::kMade);
  if (std::string(GetParam().why).empty()) {
    EXPECT_EQ(run.why, "");
  } else {
    EXPECT_NE(run.why.find(GetParam().why), std::string::npos) << run.why;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FixtureCommand,
    ::testing::Values(
        CommandCase{"Made", "echo made an image", FixtureRun::Outcome::kMade, ""},
        // The output of a failed script is in the reason, its last lines at least.
        CommandCase{"FailedStep", "echo first step; echo 'mkfs: bad option' >&2; exit 3", FixtureRun::Outcome::kFailed,
                    "mkfs: bad option"},
        CommandCase{"FailedStatus", "exit 3", FixtureRun::Outcome::kFailed, "exited with status 3"},
        CommandCase{"LastLinesKept", "for i in $(seq 1 40); do echo line $i; done; exit 1",
                    FixtureRun::Outcome::kFailed, "line 40"},
        // A missing tool is a failure like any other: only exit 77 says the machine lacks something.
        CommandCase{"MissingTool", "no-such-tool-anywhere --make", FixtureRun::Outcome::kFailed, "not found"},
        CommandCase{"Killed", "kill -9 $$", FixtureRun::Outcome::kFailed, "killed"},
        CommandCase{"NoCapability", "echo checking; echo 'no /dev/fuse' >&2; exit 77",
                    FixtureRun::Outcome::kNoCapability, "no /dev/fuse"},
        // The sbin folders are searched, where mkfs.fat and losetup live.
        CommandCase{"SbinOnPath", "case \":$PATH:\" in *:/usr/sbin:*) ;; *) exit 5;; esac",
                    FixtureRun::Outcome::kMade, ""}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(FixtureScript, RunsAScriptOfTheSourceTreeWithItsArgumentsIntact) {
  TempDir source;
  WriteText(source / "tests/Some/make-it.sh", "printf '%s\\n' \"$@\" > \"$1/args\"\n");
  const ScopedEnv env("QUELLSY_SOURCE_DIR", source.path().string());
  // Made in place: a cached script never sees the caller's folder.
  const ScopedEnv noCache("QUELLSY_FIXTURE_CACHE", "");
  TempDir out;
  const std::string awkward = "it's a \"name\" with $HOME and spaces";
  const FixtureRun run = RunFixture("tests/Some/make-it.sh", {out.path().string(), awkward});
  ASSERT_TRUE(run.Made()) << run.why;
  std::ifstream in(out / "args");
  std::string first;
  std::string second;
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_EQ(first, out.path().string());
  EXPECT_EQ(second, awkward);
}

TEST(FixtureScript, AMissingScriptOrSourceFolderFails) {
  TempDir source;
  {
    const ScopedEnv env("QUELLSY_SOURCE_DIR", source.path().string());
    const FixtureRun run = RunFixture("tests/Some/not-there.sh", {});
    EXPECT_EQ(run.outcome, FixtureRun::Outcome::kFailed);
    EXPECT_NE(run.why.find("not-there.sh"), std::string::npos) << run.why;
  }
  const ScopedEnv env("QUELLSY_SOURCE_DIR", std::nullopt);
  const FixtureRun run = RunFixture("tests/Some/make-it.sh", {});
  EXPECT_EQ(run.outcome, FixtureRun::Outcome::kFailed);
  EXPECT_NE(run.why.find("QUELLSY_SOURCE_DIR"), std::string::npos) << run.why;
}

void RequireFailedFixture() {
  static const FixtureRun failed{FixtureRun::Outcome::kFailed, "mkfs: bad option"};
  QUELLSY_REQUIRE_FIXTURE(failed);
}

void RequireMadeFixture() {
  static const FixtureRun made{FixtureRun::Outcome::kMade, ""};
  QUELLSY_REQUIRE_FIXTURE(made);
}

TEST(FixtureScript, AFailedFixtureFailsTheTest) {
  EXPECT_FATAL_FAILURE(RequireFailedFixture(), "mkfs: bad option");
  EXPECT_NO_FATAL_FAILURE(RequireMadeFixture());
}

void RunBrokenScriptTheFormerWay() {
  std::string why;
  EXPECT_FALSE(RunFixtureScript("tests/Some/broken.sh", std::filesystem::temp_directory_path(), "", why));
}

TEST(FixtureScript, TheFormerFormRecordsAFailureForAFailedScript) {
  TempDir source;
  WriteText(source / "tests/Some/broken.sh", "echo 'cannot copy' >&2\nexit 1\n");
  WriteText(source / "tests/Some/lacking.sh", "echo 'loop devices need root' >&2\nexit 77\n");
  const ScopedEnv env("QUELLSY_SOURCE_DIR", source.path().string());
  EXPECT_NONFATAL_FAILURE(RunBrokenScriptTheFormerWay(), "cannot copy");
  std::string why;
  EXPECT_FALSE(RunFixtureScript("tests/Some/lacking.sh", source.path(), "", why));
  EXPECT_EQ(why, "loop devices need root");
}

// A source tree with one fixture script and a cache of its own; the script counts its runs in a file outside both.
class CachedFixtureScript : public ::testing::Test {
 protected:
  void SetUp() override { Write("echo made >> " + ShellQuoted((counter_ / "runs").string())); }

  // The script's body, after which it writes its arguments (but the folder) and a sparse image into the folder.
  void Write(const std::string& body) {
    WriteText(source_ / "tests/Some/make-it.sh",
              body + "\nout=$1; shift; printf '%s\\n' \"$@\" > \"$out/args\"\n" +
                  "truncate -s 16M \"$out/image\"; printf 'end' | dd of=\"$out/image\" bs=1 seek=1000 conv=notrunc status=none\n");
  }
  int Runs() const {
    std::ifstream in(counter_ / "runs");
    int runs = 0;
    for (std::string line; std::getline(in, line);) ++runs;
    return runs;
  }
  FixtureRun Make(const std::filesystem::path& out, std::vector<std::string> args = {}) {
    args.insert(args.begin(), out.string());
    return RunFixture("tests/Some/make-it.sh", args);
  }
  static std::string Read(const std::filesystem::path& path, std::streamoff at = 0, std::size_t length = 64) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(at);
    std::string bytes(length, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(length));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
  }

  TempDir source_;
  TempDir cache_;
  TempDir counter_;
  const ScopedEnv sourceEnv_{"QUELLSY_SOURCE_DIR", source_.path().string()};
  const ScopedEnv cacheEnv_{"QUELLSY_FIXTURE_CACHE", (cache_ / "cache").string()};
};

TEST_F(CachedFixtureScript, MadeOnceAndEachCallerGetsItsOwnCopy) {
  TempDir first;
  TempDir second;
  ASSERT_TRUE(Make(first.path(), {"label"}).Made());
  ASSERT_TRUE(Make(second.path(), {"label"}).Made());
  EXPECT_EQ(Runs(), 1);
  for (const TempDir* out : {&first, &second}) {
    EXPECT_EQ(Read(*out / "args"), "label\n");
    EXPECT_EQ(std::filesystem::file_size(*out / "image"), 16u << 20);
    EXPECT_EQ(Read(*out / "image", 1000, 3), "end");
  }
  // The copy stays sparse: a 16 MiB image of one written block takes a few blocks of the disk.
  struct stat copied {};
  ASSERT_EQ(stat((second / "image").c_str(), &copied), 0);
  EXPECT_LT(copied.st_blocks * 512, 1 << 20);

  // What one caller does to its copy reaches no other.
  std::ofstream(first / "image", std::ios::binary | std::ios::in) << "damage";
  TempDir third;
  ASSERT_TRUE(Make(third.path(), {"label"}).Made());
  EXPECT_EQ(Read(third / "image", 0, 6), std::string(6, '\0'));
  EXPECT_EQ(Runs(), 1);
}

TEST_F(CachedFixtureScript, ANewScriptTextOrOtherArgumentsMakeItAgain) {
  TempDir out1;
  TempDir out2;
  TempDir out3;
  TempDir out4;
  ASSERT_TRUE(Make(out1.path(), {"label"}).Made());
  ASSERT_TRUE(Make(out2.path(), {"other label"}).Made());
  EXPECT_EQ(Runs(), 2);
  EXPECT_EQ(Read(out2 / "args"), "other label\n");
  Write("echo made >> " + ShellQuoted((counter_ / "runs").string()) + "; echo changed > /dev/null");
  ASSERT_TRUE(Make(out3.path(), {"label"}).Made());
  EXPECT_EQ(Runs(), 3);
  // A script of the folder the script may call counts as its text too.
  WriteText(source_ / "tests/Some/helper.sh", "echo help\n");
  ASSERT_TRUE(Make(out4.path(), {"label"}).Made());
  EXPECT_EQ(Runs(), 4);
}

// A file of the source tree that the script calls or sources, directly or through another file, written with the
// files it needs; changing it makes the script's images again.
struct NamedFileCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> files;  // path in the source tree, text
  const char* body;                                         // the script's lines that reach them
  const char* changed;                                      // the file changed
};

class NamedFile : public CachedFixtureScript, public ::testing::WithParamInterface<NamedFileCase> {};

TEST_P(NamedFile, ChangingItMakesTheImagesAgain) {
  for (const auto& [path, text] : GetParam().files) WriteText(source_ / path, text);
  Write("echo made >> " + ShellQuoted((counter_ / "runs").string()) + "\n" + GetParam().body);
  TempDir out1;
  TempDir out2;
  TempDir out3;
  ASSERT_TRUE(Make(out1.path()).Made()) << "the script reaches what it names";
  ASSERT_TRUE(Make(out2.path()).Made());
  EXPECT_EQ(Runs(), 1);
  std::ofstream(source_ / GetParam().changed, std::ios::app) << "# changed\n";
  const FixtureRun remade = Make(out3.path());
  ASSERT_TRUE(remade.Made()) << remade.why;
  EXPECT_EQ(Runs(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NamedFile,
    ::testing::Values(
        NamedFileCase{"CalledInAnotherFolder",
                      {{"tests/Other/make-part.sh", "echo part\n"}},
                      "here=$(dirname \"$0\"); bash \"$here/../Other/make-part.sh\" >/dev/null",
                      "tests/Other/make-part.sh"},
        // As the fixture scripts source the clean-up helper.
        NamedFileCase{"SourcedFromTheSharedFolder",
                      {{"tests/support/fixtures/helper.sh", "helped=yes\n"}},
                      "here=$(cd \"$(dirname \"$0\")\" && pwd)\nsource \"$here/../support/fixtures/helper.sh\"\n"
                      "[ \"$helped\" = yes ]",
                      "tests/support/fixtures/helper.sh"},
        // Named by a script of another folder, relative to that folder.
        NamedFileCase{"SourcedByACalledScript",
                      {{"tests/Other/make-part.sh", "here=$(cd \"$(dirname \"$0\")\" && pwd)\nsource \"$here/../Lib/helper.sh\"\n"},
                       {"tests/Lib/helper.sh", "true\n"}},
                      "bash \"$(dirname \"$0\")/../Other/make-part.sh\"",
                      "tests/Lib/helper.sh"},
        NamedFileCase{"SourcedFromASubfolder",
                      {{"tests/Some/lib/helper.bash", "true\n"}},
                      ". \"$(dirname \"$0\")/lib/helper.bash\"",
                      "tests/Some/lib/helper.bash"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Every fixture script of the tree that sources the clean-up helper has it among the inputs of its key, also where
// it reaches it only through another script.
TEST(FixtureInputs, TheCleanUpHelperCountsForEveryScriptThatReachesIt) {
  const char* source = std::getenv("QUELLSY_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "run the tests through ctest";
  const std::filesystem::path root = std::filesystem::path(source).lexically_normal();
  const auto helper = root / "tests/support/fixtures/cleanup-on-exit.sh";
  ASSERT_TRUE(std::filesystem::is_regular_file(helper));
  const auto has = [](const std::vector<std::filesystem::path>& inputs, const std::filesystem::path& file) {
    return std::find(inputs.begin(), inputs.end(), file) != inputs.end();
  };
  int naming = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root / "tests")) {
    if (entry.path().extension() != ".sh" || entry.path() == helper) continue;
    std::ifstream in(entry.path());
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (text.find("cleanup-on-exit.sh") == std::string::npos) continue;
    ++naming;
    EXPECT_TRUE(has(FixtureInputs(entry.path()), helper)) << entry.path();
  }
  EXPECT_GT(naming, 0);
  // The journey disk's NTFS partition is made by a script of another folder, which sources the helper too.
  const auto journey = FixtureInputs(root / "tests/UI/App/make-journey-disk.sh");
  EXPECT_EQ(journey.front(), root / "tests/UI/App/make-journey-disk.sh");
  EXPECT_TRUE(has(journey, root / "tests/NTFSSearch/make-ntfs-compressed-image.sh"));
  EXPECT_TRUE(has(journey, helper));
}

TEST_F(CachedFixtureScript, AFailedOrImpossibleRunIsNotKeptAndFailsAgain) {
  for (const auto& [body, outcome] :
       {std::pair{std::string("echo 'mkfs: bad option' >&2; exit 3"), FixtureRun::Outcome::kFailed},
        std::pair{std::string("echo 'no /dev/fuse' >&2; exit 77"), FixtureRun::Outcome::kNoCapability}}) {
    Write("echo made >> " + ShellQuoted((counter_ / "runs").string()) + "; " + body);
    const int before = Runs();
    for (int attempt = 0; attempt < 2; ++attempt) {
      TempDir out;
      const FixtureRun run = Make(out.path());
      EXPECT_EQ(run.outcome, outcome);
      EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    }
    EXPECT_EQ(Runs(), before + 2);
  }
  // Only the folders of kept entries remain: nothing half-made.
  for (const auto& entry : std::filesystem::directory_iterator(cache_ / "cache"))
    EXPECT_EQ(entry.path().extension(), ".lock") << entry.path();
}

TEST_F(CachedFixtureScript, AFolderWithFilesOrAPathArgumentIsMadeInPlace) {
  TempDir withInput;
  WriteText(withInput / "input.bin", "input");
  ASSERT_TRUE(Make(withInput.path()).Made());
  ASSERT_TRUE(Make(withInput.path()).Made());
  TempDir out1;
  TempDir out2;
  ASSERT_TRUE(Make(out1.path(), {(withInput / "input.bin").string()}).Made());
  ASSERT_TRUE(Make(out2.path(), {(withInput / "input.bin").string()}).Made());
  EXPECT_EQ(Runs(), 4);
}

TEST_F(CachedFixtureScript, ProcessesAskingAtOnceMakeItOnce) {
  Write("echo made >> " + ShellQuoted((counter_ / "runs").string()) + "; sleep 0.2");
  constexpr int kAsking = 4;
  std::vector<TempDir> outs(kAsking);
  std::vector<FixtureRun> runs(kAsking);
  std::vector<std::thread> asking;
  for (int i = 0; i < kAsking; ++i) asking.emplace_back([&, i] { runs[i] = Make(outs[i].path()); });
  for (std::thread& thread : asking) thread.join();
  for (int i = 0; i < kAsking; ++i) {
    EXPECT_TRUE(runs[i].Made()) << runs[i].why;
    EXPECT_EQ(Read(outs[i] / "image", 1000, 3), "end");
  }
  EXPECT_EQ(Runs(), 1);
}

// The clean-up helper, sourced as the fixture scripts source it: however the script ends, its mount (kept busy by
// the script's own open file, so only umount -l takes it away), its loop device and its scratch folder are gone,
// and the script's status is its own.
struct CleanUpCase {
  const char* name;
  const char* end;  // the script's last step
  FixtureRun::Outcome outcome;
  const char* why;  // a piece of the reason; empty when made
};

class CleanUpOnExit : public ::testing::TestWithParam<CleanUpCase> {};

TEST_P(CleanUpOnExit, LeavesNothingMountedAttachedOrBehind) {
  if (geteuid() != 0) GTEST_SKIP() << "this machine lacks a capability: mounting and loop devices need root";
  if (!std::filesystem::exists("/dev/loop-control")) GTEST_SKIP() << "this machine lacks a capability: loop devices";
  const char* source = std::getenv("QUELLSY_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "run the tests through ctest";
  const auto helper = std::filesystem::path(source) / "tests/support/fixtures/cleanup-on-exit.sh";
  TempDir noted;
  const std::string note = ShellQuoted(noted.path().string());
  const FixtureRun run = RunFixtureCommand(
      "set -euo pipefail\nsource " + ShellQuoted(helper.string()) +
      "\nscratch_folder work\necho \"$work\" > " + note + "/work\n"
      "truncate -s 1M \"$work/image\"\nattach_loop loop \"$work/image\"\necho \"$loop\" > " + note + "/loop\n"
      "mkdir \"$work/m\"\nunmount_at_exit \"$work/m\"\nmount -t tmpfs quellsy-clean-up \"$work/m\"\n"
      "exec 3>\"$work/m/held\"\n" + GetParam().end + "\n");
  EXPECT_EQ(run.outcome, GetParam().outcome) << run.why;
  if (std::string(GetParam().why).empty()) {
    EXPECT_EQ(run.why, "");
  } else {
    EXPECT_NE(run.why.find(GetParam().why), std::string::npos) << run.why;
  }

  std::string work;
  std::string loop;
  std::getline(std::ifstream(noted / "work"), work);
  std::getline(std::ifstream(noted / "loop"), loop);
  ASSERT_FALSE(work.empty());
  ASSERT_EQ(loop.rfind("/dev/loop", 0), 0u) << loop;
  EXPECT_FALSE(std::filesystem::exists(work)) << "the scratch folder is left";
  std::ifstream mounts("/proc/self/mountinfo");
  for (std::string line; std::getline(mounts, line);)
    EXPECT_EQ(line.find(work), std::string::npos) << "still mounted: " << line;
  // The device may be attached again meanwhile, by another test, but not to this image.
  std::string backing;
  std::getline(std::ifstream("/sys/block/" + std::filesystem::path(loop).filename().string() + "/loop/backing_file"),
               backing);
  EXPECT_EQ(backing.find(work), std::string::npos) << loop << " still attached to " << backing;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CleanUpOnExit,
    ::testing::Values(CleanUpCase{"Made", "true", FixtureRun::Outcome::kMade, ""},
                      CleanUpCase{"ExitedWithAStatus", "exit 3", FixtureRun::Outcome::kFailed, "status 3"},
                      CleanUpCase{"AStepFailed", "false", FixtureRun::Outcome::kFailed, "status 1"},
                      CleanUpCase{"Terminated", "kill -TERM $$", FixtureRun::Outcome::kFailed, "status 143"},
                      CleanUpCase{"NoCapability", "echo 'no /dev/fuse' >&2; exit 77",
                                  FixtureRun::Outcome::kNoCapability, "no /dev/fuse"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(FixtureManifest, FactsAndRowsSplitAtTabs) {
  TempDir dir;
  WriteText(dir / "image.manifest", "# label=QUELLSY 16\n# sector-size=512\n/a.txt\t5\tabc\t0\n/dir/b b.bin\t7\tdef\t1\n");
  std::map<std::string, std::string> facts;
  std::vector<std::vector<std::string>> rows;
  ReadFixtureManifest(dir / "image.manifest", facts, [&](const std::vector<std::string>& fields) { rows.push_back(fields); });
  EXPECT_EQ(facts, (std::map<std::string, std::string>{{"label", "QUELLSY 16"}, {"sector-size", "512"}}));
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"/a.txt", "5", "abc", "0"}, {"/dir/b b.bin", "7", "def", "1"}}));
}

}  // namespace
}  // namespace quellsy::test
