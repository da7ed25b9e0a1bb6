#pragma once
// The environment a window needs, carried from the user's session to the program that pkexec starts as root:
// pkexec clears the environment, so the launcher passes these variables as "NAME=VALUE" arguments and the helper
// that pkexec runs sets those it accepts.

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quellsy::launcher {

// The X11 display and its authority file, the Wayland socket and the runtime folder that holds it, the session's
// kind (through which the toolkit picks Wayland or X11), and the start-up token with which the new window is
// brought to the front.
inline constexpr const char* kDisplayVariables[] = {"DISPLAY",          "WAYLAND_DISPLAY",    "XAUTHORITY",
                                                    "XDG_RUNTIME_DIR",  "XDG_SESSION_TYPE",   "DESKTOP_STARTUP_ID",
                                                    "XDG_ACTIVATION_TOKEN"};

bool IsDisplayVariable(std::string_view name);

using EnvironmentLookup = std::function<const char*(const char* name)>;

// Launcher side: the variables that are set and not empty, as "NAME=VALUE" in the order above. With a DISPLAY but
// no XAUTHORITY the X11 libraries read ~/.Xauthority, which as root would be root's: that file is named instead
// when HOME holds one.
std::vector<std::string> CollectDisplayEnvironment(const EnvironmentLookup& lookup);

struct AcceptedEnvironment {
  std::vector<std::string> accepted;  // "NAME=VALUE"
  std::vector<std::string> refused;   // why each other assignment was left out, in words
};

// Root side: what of the launcher's assignments the program may be given. Only the names above, each once, with
// values of their form: no control characters; DISPLAY and the tokens without blanks; XDG_SESSION_TYPE one short
// word; XAUTHORITY an absolute path to a regular file and XDG_RUNTIME_DIR one to a folder, each owned by the
// invoking user, as is the socket an absolute WAYLAND_DISPLAY names (a relative one is a plain name in the runtime
// folder). Root then reads no file the user could not have given it anyway.
AcceptedEnvironment AcceptDisplayEnvironment(const std::vector<std::string>& assignments, uid_t invokingUser);

}  // namespace quellsy::launcher
