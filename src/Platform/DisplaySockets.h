// Whether the display the environment names answers, asked before the toolkit is started: a toolkit that cannot
// reach its display ends the process, and a person should read why instead.
#pragma once

#include <string>

namespace quellsy::platform {

// A local X display (":N" or "unix:N", with an optional ".screen") is reachable when its socket under
// /tmp/.X11-unix (or the abstract one of the same name) takes a connection; a Wayland display when its socket
// (absolute, or under XDG_RUNTIME_DIR) does. A display on another host cannot be judged here: it counts as
// reachable and the toolkit answers for it. Empty names are unreachable.
bool XDisplayReachable(const std::string& display);
bool WaylandDisplayReachable(const std::string& display, const std::string& runtimeDir);

}  // namespace quellsy::platform
