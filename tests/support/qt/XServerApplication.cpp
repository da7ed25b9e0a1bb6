// One application object for a window-test binary that needs a real X server: Xvfb on a display of its own
// and, when QUELLSY_TEST_WINDOW_MANAGER names one ("openbox"), that window manager on it, ready before the
// application (xcb platform) is made; all gone after the last test. A missing Xvfb or window manager fails the
// tests. Compiled into the binary in place of QtTestApplication.cpp.

#include <QApplication>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/CommandOutput.h"

extern char** environ;

namespace {

pid_t Spawn(std::vector<std::string> arguments, posix_spawn_file_actions_t* actions = nullptr) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], actions, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

class XServerEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    StartServer();
    ASSERT_FALSE(display_.empty()) << "Xvfb did not start (is the xvfb package installed?)";
    setenv("DISPLAY", display_.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const char* manager = std::getenv("QUELLSY_TEST_WINDOW_MANAGER");
    if (manager && *manager && std::string(manager) != "none") {
      manager_ = Spawn({manager, "--sm-disable"});
      ASSERT_GT(manager_, 0) << manager << " did not start (is its package installed?)";
      ASSERT_TRUE(WaitForWindowManager()) << manager << " did not take the display";
    }
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }

  void TearDown() override {
    application_.reset();
    Stop(manager_);
    Stop(server_);
  }

 private:
  // Xvfb picks a free display and writes its number to the pipe once it accepts clients.
  void StartServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    server_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x800x24", "-nolisten", "tcp"},
                    &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    char c = 0;
    while (server_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }

  // The manager announces itself on the root window; it is asked until it has (each ask waits for xprop).
  static bool WaitForWindowManager() {
    for (int attempt = 0; attempt < 400; ++attempt) {
      int status = 0;
      const std::string answer = quellsy::test::CommandOutput("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null", status);
      if (answer.find("window id") != std::string::npos) return true;
      usleep(25000);
    }
    return false;
  }

  pid_t server_ = -1;
  pid_t manager_ = -1;
  std::string display_;
  int argc_ = 1;
  char name_[24] = "window-display-tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kServer = ::testing::AddGlobalTestEnvironment(new XServerEnvironment);

}  // namespace

// The leak checker's own hook: allocations the X and D-Bus client libraries keep for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\nleak:libxcb\nleak:libX11\nleak:libfontconfig\n";
}
