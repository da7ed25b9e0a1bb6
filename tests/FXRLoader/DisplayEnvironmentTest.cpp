// The display variables on both sides of pkexec: what the launcher collects from the session, and what the helper
// running as root accepts of it (only known names, values of their form, files and folders the user owns).

#include "FXRLoader/DisplayEnvironment.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>

#include "support/TempDir.h"

namespace quellsy::launcher {
namespace {

namespace fs = std::filesystem;

EnvironmentLookup From(const std::map<std::string, std::string>& variables) {
  return [variables](const char* name) -> const char* {
    const auto found = variables.find(name);
    return found == variables.end() ? nullptr : found->second.c_str();
  };
}

TEST(DisplayEnvironment, TheLauncherCollectsTheSessionsDisplayInAFixedOrder) {
  test::TempDir dir;
  const std::map<std::string, std::string> session = {
      {"XDG_ACTIVATION_TOKEN", "token-1"}, {"DISPLAY", ":1"},     {"HOME", dir.path().string()},
      {"XAUTHORITY", "/run/user/1000/xauth_AbC"},                  {"WAYLAND_DISPLAY", "wayland-0"},
      {"XDG_RUNTIME_DIR", "/run/user/1000"},                       {"XDG_SESSION_TYPE", "wayland"},
      {"DESKTOP_STARTUP_ID", ""},  // empty: left out
      {"LD_PRELOAD", "/tmp/evil.so"},                              {"PATH", "/usr/bin"}};
  EXPECT_EQ(CollectDisplayEnvironment(From(session)),
            (std::vector<std::string>{"DISPLAY=:1", "WAYLAND_DISPLAY=wayland-0", "XAUTHORITY=/run/user/1000/xauth_AbC",
                                      "XDG_RUNTIME_DIR=/run/user/1000", "XDG_SESSION_TYPE=wayland",
                                      "XDG_ACTIVATION_TOKEN=token-1"}));
  EXPECT_TRUE(CollectDisplayEnvironment(From({{"HOME", "/home/u"}, {"LANG", "de_DE.UTF-8"}})).empty());
}

TEST(DisplayEnvironment, WithoutXauthorityTheUsersOwnFileIsNamed) {
  test::TempDir dir;
  const std::string home = dir.path().string();
  // No file yet: nothing to name (root would look in its own home otherwise, but there is nothing to find).
  EXPECT_EQ(CollectDisplayEnvironment(From({{"DISPLAY", ":0"}, {"HOME", home}})),
            (std::vector<std::string>{"DISPLAY=:0"}));
  std::ofstream(dir / ".Xauthority") << "cookie";
  EXPECT_EQ(CollectDisplayEnvironment(From({{"DISPLAY", ":0"}, {"HOME", home}})),
            (std::vector<std::string>{"DISPLAY=:0", "XAUTHORITY=" + home + "/.Xauthority"}));
  // Wayland alone needs no X11 authority.
  EXPECT_EQ(CollectDisplayEnvironment(From({{"WAYLAND_DISPLAY", "wayland-0"}, {"HOME", home}})),
            (std::vector<std::string>{"WAYLAND_DISPLAY=wayland-0"}));
}

class AcceptedDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = (dir_ / "xauth").string();
    std::ofstream(file_) << "cookie";
    folder_ = (dir_ / "runtime").string();
    fs::create_directory(folder_);
    socket_ = (dir_ / "runtime/wayland-0").string();
    fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd_, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket_.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socket_.c_str(), socket_.size() + 1);
    ASSERT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
  }
  void TearDown() override { close(fd_); }

  test::TempDir dir_;
  std::string file_;
  std::string folder_;
  std::string socket_;
  int fd_ = -1;
};

TEST_F(AcceptedDisplay, EachValueOfItsFormIsAcceptedAndEveryOtherRefused) {
  const uid_t me = getuid();
  const struct {
    std::string assignment;
    bool accepted;
  } cases[] = {
      {"DISPLAY=:0", true},
      {"DISPLAY=localhost:10.0", true},
      {"DISPLAY=:0 -display", false},
      {"DISPLAY=:0\n", false},
      {"DISPLAY=", false},
      {"DISPLAY=" + std::string(600, '0'), false},
      {"XAUTHORITY=" + file_, true},
      {"XAUTHORITY=xauth", false},                    // relative
      {"XAUTHORITY=" + folder_, false},               // not a file
      {"XAUTHORITY=" + file_ + ".missing", false},
      {"XDG_RUNTIME_DIR=" + folder_, true},
      {"XDG_RUNTIME_DIR=" + file_, false},            // not a folder
      {"WAYLAND_DISPLAY=wayland-0", true},            // a name in the runtime folder
      {"WAYLAND_DISPLAY=" + socket_, true},           // the socket by its path
      {"WAYLAND_DISPLAY=" + file_, false},            // no socket
      {"WAYLAND_DISPLAY=../../tmp/wayland-0", false},
      {"XDG_SESSION_TYPE=wayland", true},
      {"XDG_SESSION_TYPE=x11", true},
      {"XDG_SESSION_TYPE=Wayland;rm", false},
      {"DESKTOP_STARTUP_ID=gnome-shell-1234-host-fxrloader-0_TIME5678", true},
      {"XDG_ACTIVATION_TOKEN=a b", false},
      {"LD_PRELOAD=/tmp/evil.so", false},
      {"QT_PLUGIN_PATH=/tmp", false},
      {"no assignment", false},
  };
  for (const auto& c : cases) {
    const AcceptedEnvironment result = AcceptDisplayEnvironment({c.assignment}, me);
    EXPECT_EQ(result.accepted.size(), c.accepted ? 1u : 0u) << c.assignment;
    EXPECT_EQ(result.refused.size(), c.accepted ? 0u : 1u) << c.assignment;
  }
}

TEST_F(AcceptedDisplay, PathsOwnedBySomeoneElseAndRepeatsAreRefused) {
  const uid_t someoneElse = getuid() + 1;
  const AcceptedEnvironment result = AcceptDisplayEnvironment(
      {"XAUTHORITY=" + file_, "XDG_RUNTIME_DIR=" + folder_, "WAYLAND_DISPLAY=" + socket_, "DISPLAY=:0", "DISPLAY=:1"},
      someoneElse);
  EXPECT_EQ(result.accepted, (std::vector<std::string>{"DISPLAY=:0"}));
  EXPECT_EQ(result.refused, (std::vector<std::string>{"XAUTHORITY is not owned by the invoking user",
                                                      "XDG_RUNTIME_DIR is not owned by the invoking user",
                                                      "WAYLAND_DISPLAY is not owned by the invoking user",
                                                      "DISPLAY is given more than once"}));
  // Names that are not display variables are not repeated in a message: they could hold anything.
  const AcceptedEnvironment hostile = AcceptDisplayEnvironment({"\x1b]0;title\x07=x"}, getuid());
  ASSERT_EQ(hostile.refused.size(), 1u);
  EXPECT_EQ(hostile.refused[0].find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace quellsy::launcher
