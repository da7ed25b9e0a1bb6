// Whether a named display answers: sockets made by the test listen or do not.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "Platform/DisplaySockets.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

// A listening Unix socket at path, or under that name in the abstract namespace; closed with the object.
class Listener {
 public:
  Listener(const std::string& path, bool abstractName) : fd_(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstractName ? 1 : 0;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    listening_ = fd_ >= 0 && bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0 && listen(fd_, 4) == 0;
  }
  ~Listener() {
    if (fd_ >= 0) close(fd_);
  }
  bool listening() const { return listening_; }

 private:
  int fd_;
  bool listening_ = false;
};

// A display number no server here uses: its socket file is absent and the abstract name is free to bind.
std::string FreeDisplayNumber() {
  for (int number = 4000 + getpid() % 1000;; ++number) {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    if (access(path.c_str(), F_OK) != 0 && Listener(path, true).listening()) return std::to_string(number);
  }
}

TEST(DisplaySockets, AnXDisplayAnswersOnlyWhileItsSocketListens) {
  const std::string number = FreeDisplayNumber();
  for (const std::string& name : {":" + number, ":" + number + ".0", "unix:" + number})
    EXPECT_FALSE(platform::XDisplayReachable(name)) << name;
  Listener server("/tmp/.X11-unix/X" + number, true);
  ASSERT_TRUE(server.listening());
  for (const std::string& name : {":" + number, ":" + number + ".0", "unix:" + number})
    EXPECT_TRUE(platform::XDisplayReachable(name)) << name;
}

TEST(DisplaySockets, NamesThatCannotBeJudgedOrAreMalformed) {
  struct Case {
    const char* display;
    bool reachable;
  };
  for (const Case& c : {Case{"", false}, Case{":", false}, Case{":x1", false}, Case{":1x", false},
                        Case{"unix:", false}, Case{"otherhost:0", true}, Case{"localhost:10.0", true}})
    EXPECT_EQ(platform::XDisplayReachable(c.display), c.reachable) << c.display;
}

TEST(DisplaySockets, AWaylandDisplayIsLookedForUnderTheRuntimeFolderOrAtItsOwnPath) {
  TempDir runtime;
  const std::string path = (runtime / "wayland-test").string();
  EXPECT_FALSE(platform::WaylandDisplayReachable("wayland-test", runtime.path().string()));
  Listener server(path, false);
  ASSERT_TRUE(server.listening());
  EXPECT_TRUE(platform::WaylandDisplayReachable("wayland-test", runtime.path().string()));
  EXPECT_TRUE(platform::WaylandDisplayReachable(path, ""));
  EXPECT_FALSE(platform::WaylandDisplayReachable("wayland-test", "")) << "no runtime folder to look in";
  EXPECT_FALSE(platform::WaylandDisplayReachable("", runtime.path().string()));
}

}  // namespace
}  // namespace quellsy::test
