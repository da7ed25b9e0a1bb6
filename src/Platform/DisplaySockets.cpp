#include "Platform/DisplaySockets.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

namespace quellsy::platform {
namespace {

// abstractName: the socket's name in the abstract namespace (a leading zero byte) instead of the file system.
bool Connects(const std::string& path, bool abstractName) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t offset = abstractName ? 1 : 0;
  if (path.empty() || path.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const int socketFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socketFd < 0) return false;
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
  const bool connected = connect(socketFd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  close(socketFd);
  return connected;
}

}  // namespace

bool XDisplayReachable(const std::string& display) {
  std::string rest;
  if (display.rfind(':', 0) == 0)
    rest = display.substr(1);
  else if (display.rfind("unix:", 0) == 0)
    rest = display.substr(5);
  else
    return !display.empty();
  const std::string number = rest.substr(0, rest.find('.'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::string socketPath = "/tmp/.X11-unix/X" + number;
  return Connects(socketPath, false) || Connects(socketPath, true);
}

bool WaylandDisplayReachable(const std::string& display, const std::string& runtimeDir) {
  if (display.empty()) return false;
  if (display.front() == '/') return Connects(display, false);
  if (runtimeDir.empty()) return false;
  return Connects(runtimeDir + "/" + display, false);
}

}  // namespace quellsy::platform
