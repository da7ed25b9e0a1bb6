#include "Utility/CatchExeception.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <optional>
#include <cctype>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

std::vector<std::string> LogLines(const std::filesystem::path& file) {
  const auto bytes = quellsy::test::ReadFile(file);
  std::string text(bytes.begin(), bytes.end());
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// "hh:mm:ss " and the rest of the line behind it, or nothing when the stamp is missing.
std::optional<std::string> AfterStamp(const std::string& line) {
  if (line.size() < 9 || line[2] != ':' || line[5] != ':' || line[8] != ' ') return std::nullopt;
  for (int i : {0, 1, 3, 4, 6, 7})
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) return std::nullopt;
  return line.substr(9);
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override { CatchExeception::SetWorkPathForTesting(dir_.path().string()); }
  void TearDown() override {
    CatchExeception::SetLogLimitForTesting(0);
    CatchExeception::SetWorkPathForTesting("");
  }

  std::filesystem::path LogFile() const { return dir_ / "sQuellsy.log"; }
  quellsy::test::TempDir dir_;
};

TEST_F(LogTest, LineStartsWithTheTimeAndIsAppended) {
  EXPECT_EQ(CatchExeception::WriteLog("first %d\r\n", 1), 9 + 9);
  CatchExeception::WriteLog("%s\r\n", "second");
  const auto lines = LogLines(LogFile());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(AfterStamp(lines[0]), "first 1\r") << lines[0];
  EXPECT_EQ(AfterStamp(lines[1]), "second\r") << lines[1];
}

TEST_F(LogTest, LongMessageIsCutTo1999Characters) {
  const std::string longText(3000, 'x');
  EXPECT_EQ(CatchExeception::WriteLog("%s", longText.c_str()), 9 + 1999);
  const auto bytes = quellsy::test::ReadFile(LogFile());
  ASSERT_EQ(bytes.size(), 9u + 1999u);
  EXPECT_EQ(std::string(bytes.begin() + 9, bytes.end()), std::string(1999, 'x'));
}

TEST_F(LogTest, LinesFromManyThreadsNeverInterleave) {
  constexpr int kThreads = 8, kLinesEach = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      const std::string body(150, static_cast<char>('a' + t));
      for (int i = 0; i < kLinesEach; ++i) CatchExeception::WriteLog("T%d %s %d\n", t, body.c_str(), i);
    });
  for (auto& thread : threads) thread.join();

  const auto lines = LogLines(LogFile());
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesEach));
  std::set<std::string> seen;
  for (const auto& line : lines) {
    const auto body = AfterStamp(line);
    ASSERT_TRUE(body) << line;
    // "T<t> " + 150 copies of the thread's letter + " <i>"
    ASSERT_GE(body->size(), 155u) << line;
    const int thread = (*body)[1] - '0';
    EXPECT_EQ(body->substr(3, 150), std::string(150, static_cast<char>('a' + thread))) << line;
    EXPECT_EQ((*body)[153], ' ') << line;
    seen.insert(body->substr(0, 2) + body->substr(153));
  }
  EXPECT_EQ(seen.size(), lines.size());
}

// A file grown past its limit is set aside as the one old file and a new one starts, also while many threads
// write: together they hold the latest lines, whole and in order.
TEST_F(LogTest, PastItsLimitTheFileIsSetAsideOnce) {
  constexpr std::uint64_t kLimit = 4000;
  CatchExeception::SetLogLimitForTesting(kLimit);
  constexpr int kThreads = 4, kLinesEach = 100;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLinesEach; ++i)
        CatchExeception::WriteLog("T%d line %03d %s\n", t, i, std::string(60, 'x').c_str());
    });
  for (auto& thread : threads) thread.join();
  CatchExeception::SetLogLimitForTesting(0);

  ASSERT_TRUE(std::filesystem::exists(dir_ / "sQuellsy.log.1"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "sQuellsy.log.2"));
  // The old file was set aside when the next line would no longer fit.
  EXPECT_GT(std::filesystem::file_size(dir_ / "sQuellsy.log.1"), kLimit - 9 - 72 - 1);
  EXPECT_LE(std::filesystem::file_size(dir_ / "sQuellsy.log.1"), kLimit);
  EXPECT_LE(std::filesystem::file_size(LogFile()), kLimit);
  std::vector<std::string> lines = LogLines(dir_ / "sQuellsy.log.1");
  const std::vector<std::string> current = LogLines(LogFile());
  lines.insert(lines.end(), current.begin(), current.end());
  // Each thread's lines: a run of its latest ones, in the order written, ending with its last.
  std::map<int, std::vector<int>> byThread;
  for (const std::string& line : lines) {
    const auto body = AfterStamp(line);
    ASSERT_TRUE(body && body->size() == 2 + 6 + 3 + 1 + 60) << line;
    byThread[(*body)[1] - '0'].push_back(std::stoi(body->substr(8, 3)));
  }
  // What is kept is the tail of what was written: a thread with a line in it has all its later ones there too.
  ASSERT_FALSE(byThread.empty());
  for (const auto& [thread, seen] : byThread) {
    EXPECT_EQ(seen.back(), kLinesEach - 1) << thread;
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i], seen[i - 1] + 1) << thread;
  }
}

// The file is never written through a link planted in its place.
TEST_F(LogTest, ALinkInPlaceOfTheFileIsNotFollowed) {
  const auto victim = dir_ / "victim";
  quellsy::test::WriteFile(victim, {'k', 'e', 'e', 'p'});
  std::filesystem::create_symlink(victim, LogFile());
  CatchExeception::WriteLog("must not land in the victim\n");
  EXPECT_EQ(quellsy::test::ReadFile(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
}

// Where the log goes without a test's folder: "quellsy" in the XDG state folder of the user we run for.
class LogLocation : public ::testing::Test {
 protected:
  void SetUp() override { CatchExeception::SetWorkPathForTesting(""); }
  void TearDown() override { CatchExeception::SetWorkPathForTesting(""); }

  // Writes one line and gives the folder the log took.
  static std::filesystem::path LogFolder() {
    CatchExeception::SetWorkPathForTesting("");
    CatchExeception::WriteLog("located\n");
    const char* folder = CatchExeception::GetWorkPath();
    return folder != nullptr ? std::filesystem::path(folder) : std::filesystem::path();
  }

  quellsy::test::TempDir dir_;
  quellsy::test::ScopedEnv pkexec_{"PKEXEC_UID", nullptr};
  quellsy::test::ScopedEnv sudo_{"SUDO_UID", nullptr};
};

TEST_F(LogLocation, TheStateFolderMadeWhereItIsMissing) {
  struct Case {
    const char* name;
    std::optional<std::string> xdg;  // nothing: unset
    std::string home;
    std::string expected;
  };
  const std::string base = dir_.path().string();
  const std::vector<Case> cases = {
      {"xdg", base + "/xdg", base + "/home", base + "/xdg/quellsy"},
      {"home", std::nullopt, base + "/home", base + "/home/.local/state/quellsy"},
      {"relative xdg is ignored", std::string("state"), base + "/home", base + "/home/.local/state/quellsy"},
  };
  std::filesystem::create_directories(dir_ / "xdg");
  std::filesystem::create_directories(dir_ / "home");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const quellsy::test::ScopedEnv xdg("XDG_STATE_HOME", c.xdg ? c.xdg->c_str() : nullptr);
    const quellsy::test::ScopedEnv home("HOME", c.home.c_str());
    EXPECT_EQ(LogFolder(), std::filesystem::path(c.expected));
    const auto lines = LogLines(std::filesystem::path(c.expected) / "sQuellsy.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(AfterStamp(lines.back()), "located");
    EXPECT_EQ(std::filesystem::status(c.expected).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
  }
}

// Run as root for a user (pkexec, sudo), the folders and the file the log makes are that user's.
TEST_F(LogLocation, AsRootForAUserTheFolderAndFileAreTheUsers) {
  if (geteuid() != 0) GTEST_SKIP() << "acting for another user needs root";
  const passwd* nobody = getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "no user \"nobody\" on this machine";
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  for (const char* variable : {"PKEXEC_UID", "SUDO_UID"}) {
    SCOPED_TRACE(variable);
    const auto state = dir_ / variable;
    std::filesystem::create_directories(state);
    const quellsy::test::ScopedEnv xdg("XDG_STATE_HOME", state.c_str());
    const quellsy::test::ScopedEnv user(variable, std::to_string(uid).c_str());
    EXPECT_EQ(LogFolder(), state / "quellsy");
    for (const auto& made : {state / "quellsy", state / "quellsy" / "sQuellsy.log"}) {
      struct stat status {};
      ASSERT_EQ(lstat(made.c_str(), &status), 0) << made;
      EXPECT_EQ(status.st_uid, uid) << made;
      EXPECT_EQ(status.st_gid, gid) << made;
      EXPECT_EQ(status.st_mode & 0777, S_ISDIR(status.st_mode) ? 0700u : 0600u) << made;
    }
  }
}

// A link below the state folder cannot send the log elsewhere.
TEST_F(LogLocation, ALinkInPlaceOfTheFolderIsNotFollowed) {
  std::filesystem::create_directories(dir_ / "xdg");
  std::filesystem::create_directories(dir_ / "elsewhere");
  std::filesystem::create_directory_symlink(dir_ / "elsewhere", dir_ / "xdg" / "quellsy");
  const quellsy::test::ScopedEnv xdg("XDG_STATE_HOME", (dir_ / "xdg").c_str());
  EXPECT_EQ(LogFolder(), std::filesystem::path());
  EXPECT_TRUE(std::filesystem::is_empty(dir_ / "elsewhere"));
}

TEST(CrashHandler, ReRaisesTheSignalAfterItsBacktrace) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        CatchExeception::Install();
        std::raise(SIGSEGV);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
}

}  // namespace
