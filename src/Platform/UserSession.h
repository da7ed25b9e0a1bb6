#pragma once
// Programs started in the desktop session of the user who started us. When pkexec made us root they run as that
// user, with that user's groups and an environment made for the user (browsers and file managers refuse to run as
// root, and what they save must be the user's); otherwise they run as we are.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Platform/InvokingUser.h"

namespace quellsy::platform {

using EnvironmentLookup = std::function<const char*(const char* name)>;

// The environment for a program of user's session, as "NAME=VALUE": HOME, USER and LOGNAME of the user, a plain
// PATH, the display, desktop and language variables we were given, the user's runtime folder (the one we were
// given, else runtimeRoot/<uid>, only when it is a folder the user owns) and the session bus in it when there is
// one and we were given none. Nothing of root's own environment beyond those.
std::vector<std::string> UserSessionEnvironment(const InvokingUser& user, const EnvironmentLookup& lookup,
                                                const std::filesystem::path& runtimeRoot = "/run/user");

// Our own environment as "NAME=VALUE".
std::vector<std::string> CurrentEnvironment();

// Starts argv (argv[0] looked up in the PATH that environment holds, unless it names a path) with exactly that
// environment, in a session of its own, and does not wait for it: it is no child of ours once started. With user
// it runs as that user with the user's groups, in the user's home. It inherits standard error only (standard input
// and output read and write /dev/null): no device or file we hold open reaches it. False when the program was not
// found or could not be started.
bool StartDetachedProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                          const InvokingUser* user = nullptr);

}  // namespace quellsy::platform
