#include "Utility/CatchExeception.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <optional>
#include <cctype>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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
  void TearDown() override { CatchExeception::SetWorkPathForTesting(""); }

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

TEST(LogLocation, DefaultsToTheExecutablesFolder) {
  const auto executableFolder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  ASSERT_NE(CatchExeception::GetWorkPath(), nullptr);
  EXPECT_EQ(std::filesystem::path(CatchExeception::GetWorkPath()), executableFolder);
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
