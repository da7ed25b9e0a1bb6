// The installed launcher, run as the desktop entry runs it, with a stand-in pkexec first on PATH: what pkexec is
// given, that the launcher ends while a waiter stays pkexec's parent, and what happens without pkexec.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "FXRLoader/RecordedFiles.h"
#include "FXRLoader/StagedInstall.h"
#include "Platform/StringPlist.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

constexpr int kStubStatus = 3;
// Only a guard against a broken launcher: a working one has pkexec running long before.
constexpr int kGuardMilliseconds = 60000;

// The parent process id of a process, from /proc; -1 when it is gone.
pid_t ParentOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return -1;
  // "pid (name) state ppid ...": the name may hold anything, so read after its last ')'.
  std::istringstream rest(line.substr(line.rfind(')') + 1));
  char state = 0;
  pid_t parent = -1;
  rest >> state >> parent;
  return parent;
}

// Orphans of our children come to this process while it lives, so the waiter can be watched and reaped.
class SubreaperScope {
 public:
  SubreaperScope() { prctl(PR_SET_CHILD_SUBREAPER, 1); }
  ~SubreaperScope() { prctl(PR_SET_CHILD_SUBREAPER, 0); }
};

class LauncherRun : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(home_);
    fs::create_directories(runtime_);
    fs::create_directories(work_ / "scans");
    fs::create_directories(stubs_);
    std::ofstream(home_ / ".Xauthority") << "cookie";
    // Stands in for pkexec: keeps what it was given, says so on its standard output, and stays until its standard
    // input ends.
    std::ofstream(stubs_ / "pkexec") << "#!/bin/sh\n"
                                        "printf '%s\\0' \"$@\" > '" << (dir_ / "argv").string() << "'\n"
                                        "cat /proc/$$/environ > '" << (dir_ / "environ").string() << "'\n"
                                        "echo \"$PPID\"\n"
                                        "cat > /dev/null\n"
                                        "exit " << kStubStatus << "\n";
    fs::permissions(stubs_ / "pkexec", fs::perms::owner_all);
  }

  std::vector<std::string> Environment(const std::string& path) const {
    return {"PATH=" + path,
            "HOME=" + home_.string(),
            "XDG_CONFIG_HOME=" + (dir_ / "config").string(),
            "LANG=de_DE.UTF-8",
            "DISPLAY=:7",
            "WAYLAND_DISPLAY=wayland-1",
            "XDG_RUNTIME_DIR=" + runtime_.string(),
            "XDG_SESSION_TYPE=wayland",
            "DESKTOP_STARTUP_ID=desktop-1234_TIME42",
            "LD_LIBRARY_PATH=/nowhere",
            "UNRELATED=kept as it is"};
  }

  // Starts the staged launcher in the work folder with its standard input and output on pipes; its pid.
  pid_t Start(const std::string& launcher, const std::vector<std::string>& arguments,
              const std::vector<std::string>& environment) {
    int in[2], out[2];
    EXPECT_EQ(pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
    release_ = in[1];
    report_ = out[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir_ / "stderr").c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, work_.c_str());
    std::vector<std::string> argv{launcher};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args, env;
    for (auto& text : argv) args.push_back(text.data());
    args.push_back(nullptr);
    std::vector<std::string> envCopy = environment;
    for (auto& text : envCopy) env.push_back(text.data());
    env.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, launcher.c_str(), &actions, nullptr, args.data(), env.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    return pid;
  }

  // The line the stand-in pkexec writes once it has kept its arguments; empty when none came.
  std::string AwaitPkexec() {
    pollfd entry{report_, POLLIN, 0};
    if (poll(&entry, 1, kGuardMilliseconds) != 1) return {};
    char buffer[64] = {};
    const ssize_t got = read(report_, buffer, sizeof buffer - 1);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
  }

  void TearDown() override {
    if (release_ >= 0) close(release_);
    if (report_ >= 0) close(report_);
  }

  TempDir dir_;
  fs::path home_ = dir_ / "home";
  fs::path runtime_ = dir_ / "run";
  fs::path work_ = dir_ / "work";
  fs::path stubs_ = dir_ / "stubs";
  int release_ = -1;
  int report_ = -1;
};

TEST_F(LauncherRun, PkexecGetsTheExpectedArgvAndEnvironmentAndTheLauncherEndsFirst) {
  const StagedInstall& staged = GetStagedInstall();
  QUELLSY_REQUIRE_STAGED_INSTALL(staged);
  const SubreaperScope subreaper;
  const auto environment = Environment(stubs_.string() + ":/usr/bin:/bin");
  // The desktop entry's Exec line, with a file opened by a path relative to the working folder.
  const pid_t launcher = Start(staged.Staged(staged.launcher).string(), {"scans/card.Vortrane"}, environment);
  ASSERT_GT(launcher, 0);

  int status = 0;
  ASSERT_EQ(waitpid(launcher, &status, 0), launcher);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Text(dir_ / "stderr");
  // The launcher has ended; pkexec runs on.
  const std::string parentLine = AwaitPkexec();
  ASSERT_FALSE(parentLine.empty()) << "pkexec was not started: " << Text(dir_ / "stderr");

  EXPECT_EQ(Fields(dir_ / "argv"),
            (std::vector<std::string>{staged.helper,
                                      "DISPLAY=:7",
                                      "WAYLAND_DISPLAY=wayland-1",
                                      "XAUTHORITY=" + (home_ / ".Xauthority").string(),
                                      "XDG_RUNTIME_DIR=" + runtime_.string(),
                                      "XDG_SESSION_TYPE=wayland",
                                      "DESKTOP_STARTUP_ID=desktop-1234_TIME42",
                                      "--",
                                      "en*loaderflag*",
                                      (work_ / "scans/card.Vortrane").string()}));
  // pkexec itself gets the launcher's environment unchanged; it clears it for the program on its own.
  EXPECT_EQ(Sorted(Fields(dir_ / "environ")), Sorted(environment));

  // pkexec's parent is neither the launcher (gone) nor PID 1, but the waiter: a copy of the launcher that this
  // process adopted when the launcher ended.
  const pid_t parent = std::stoi(parentLine);
  EXPECT_NE(parent, launcher);
  EXPECT_NE(parent, 1);
  EXPECT_EQ(ParentOf(parent), getpid());
  EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(parent) + "/exe"), staged.Staged(staged.launcher));

  // German is not offered by the installed list: English is chosen and stored as the user's language.
  const auto stored = platform::ReadStringDictionary(dir_ / "config/Quellsy/PrivateData.plist");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->at("CurLanguage"), "English");

  // Once pkexec (in real life: the program it became) ends, the waiter ends with its status.
  close(release_);
  release_ = -1;
  ASSERT_EQ(waitpid(parent, &status, 0), parent);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kStubStatus);
}

TEST_F(LauncherRun, WithoutADocumentTheProgramGetsOneArgumentInTheStoredLanguage) {
  const StagedInstall& staged = GetStagedInstall();
  QUELLSY_REQUIRE_STAGED_INSTALL(staged);
  ASSERT_TRUE(platform::WriteStringDictionary(dir_ / "config/Quellsy/PrivateData.plist", {{"CurLanguage", "English"}}));
  const SubreaperScope subreaper;
  std::vector<std::string> environment = {"PATH=" + stubs_.string() + ":/usr/bin:/bin", "LANG=pt_BR.UTF-8",
                                          "XDG_CONFIG_HOME=" + (dir_ / "config").string()};
  const pid_t launcher = Start(staged.Staged(staged.launcher).string(), {}, environment);
  int status = 0;
  ASSERT_EQ(waitpid(launcher, &status, 0), launcher);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Text(dir_ / "stderr");
  const std::string parentLine = AwaitPkexec();
  ASSERT_FALSE(parentLine.empty()) << "pkexec was not started: " << Text(dir_ / "stderr");
  // No display variables in this environment, and "English" names "en" whatever the locale prefers.
  EXPECT_EQ(Fields(dir_ / "argv"), (std::vector<std::string>{staged.helper, "--", "en*loaderflag*"}));
  close(release_);
  release_ = -1;
  const pid_t parent = std::stoi(parentLine);
  ASSERT_EQ(waitpid(parent, &status, 0), parent);
}

TEST_F(LauncherRun, WithoutPkexecTheLauncherSaysSoAndEnds) {
  const StagedInstall& staged = GetStagedInstall();
  QUELLSY_REQUIRE_STAGED_INSTALL(staged);
  fs::create_directories(dir_ / "empty");
  const pid_t launcher = Start(staged.Staged(staged.launcher).string(), {"/a.Vortrane"},
                               Environment((dir_ / "empty").string()));
  int status = 0;
  ASSERT_EQ(waitpid(launcher, &status, 0), launcher);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_NE(Text(dir_ / "stderr").find("pkexec could not be started"), std::string::npos) << Text(dir_ / "stderr");
  EXPECT_FALSE(fs::exists(dir_ / "argv"));
}

}  // namespace
}  // namespace quellsy::test
