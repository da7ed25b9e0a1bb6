#pragma once
// Where the installed programs are: the windowed program, its launcher, and the helper that pkexec runs as root.
// The paths are fixed when the build is configured for its install prefix; the polkit policy names the helper by
// the same path, which is how pkexec finds the policy.

namespace quellsy::platform {

const char* InstalledMainProgram();
const char* InstalledLauncher();
const char* InstalledRootStart();

}  // namespace quellsy::platform
