// The hand-over between the windowed program and its launcher: which first arguments send a plain user to the
// launcher, that root never goes back to it, which language codes may travel, and the start of the launcher itself.

#include "Platform/LauncherHandOver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>

#include "support/TempDir.h"

namespace quellsy::platform {
namespace {

namespace fs = std::filesystem;

TEST(LauncherHandOver, APlainUserWithoutALanguageGoesToTheLauncherAndRootNeverDoes) {
  const struct {
    std::vector<const char*> argv;
    uid_t user;
    bool handOver;
  } cases[] = {
      {{"quellsy"}, 1000, true},                                   // started from a menu or a shell
      {{"quellsy", ""}, 1000, true},                               // an empty first argument
      {{"quellsy", "\xc3\xa9n*loaderflag*"}, 1000, true},         // not ASCII: counts as empty
      {{"quellsy", "en*loaderflag*"}, 1000, false},                // from the launcher
      {{"quellsy", "en*loaderflag*", "/home/u/a.Vortrane"}, 1000, false},
      {{"quellsy", "de"}, 1000, false},                            // any other language is taken as it is
      {{"quellsy", "*loaderflag*"}, 1000, false},                  // an empty language, but from the launcher
      {{"quellsy"}, 0, false},                                     // root without arguments runs: no loop
      {{"quellsy", ""}, 0, false},
      {{"quellsy", "\xff"}, 0, false},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv = c.argv;
    argv.push_back(nullptr);
    EXPECT_EQ(ShouldStartLauncher(static_cast<int>(c.argv.size()), argv.data(), c.user), c.handOver)
        << (c.argv.size() > 1 ? c.argv[1] : "(no argument)") << " as uid " << c.user;
  }
}

TEST(LauncherHandOver, OnlyShortPlainLanguageCodesAreSafe) {
  for (const char* code : {"en", "de", "zh-Hant", "zh-Hant-TW", "pt_BR", "x", "abcdefghijklmnop"})
    EXPECT_TRUE(IsSafeLanguageCode(code)) << code;
  for (const char* code : {"", "abcdefghijklmnopq",  // 17 bytes
                           "-platform", "1en", "en US", "en;rm", "en/..", "/tmp/x", "\xc3\xa9", "en\n", "*loaderflag*",
                           "$(id)"})
    EXPECT_FALSE(IsSafeLanguageCode(code)) << code;
}

TEST(LauncherHandOver, StartsTheLauncherWithoutArgumentsAndDoesNotWait) {
  test::TempDir dir;
  const fs::path launcher = dir / "launcher";
  const fs::path record = dir / "record";
  std::ofstream(launcher) << "#!/bin/sh\necho \"$#\" > '" << record.string() << "'\n";
  fs::permissions(launcher, fs::perms::owner_all);

  const auto pid = StartLauncher(launcher.c_str());
  ASSERT_TRUE(pid);
  int status = 0;
  ASSERT_EQ(waitpid(*pid, &status, 0), *pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::ifstream in(record);
  std::string count;
  in >> count;
  EXPECT_EQ(count, "0");

  EXPECT_EQ(StartLauncher((dir / "missing").c_str()), std::nullopt);
}

}  // namespace
}  // namespace quellsy::platform
