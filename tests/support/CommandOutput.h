#pragma once
// Runs a shell command and keeps what it printed: how tests ask the comparison tools (The Sleuth Kit, ntfs-3g's
// tools) for their answer.

#include <string>

namespace quellsy::test {

// Standard output of `command` run by /bin/sh; status is pclose's wait status (-1 when it could not start).
std::string CommandOutput(const std::string& command, int& status);

// text in single quotes for the shell, inner quotes kept.
std::string ShellQuoted(const std::string& text);

}  // namespace quellsy::test
