// The fixture runner tells a made fixture from a failed one and from a machine that lacks a capability, and a
// failed one ends the test as a failure.

#include "support/FixtureScript.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

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
