#pragma once
// Whether another program is running, by the short command names the kernel keeps for every process.

#include <sys/types.h>

#include <filesystem>
#include <string_view>

namespace quellsy::bridge {

// True at the first process under procRoot, other than self, whose non-empty command name
// (procRoot/<pid>/comm) equals the start of name, ignoring ASCII case over the length of the command name.
bool IsProcessRunning(std::string_view name, const std::filesystem::path& procRoot, pid_t self);
// The same over /proc, skipping this process.
bool IsProcessRunning(std::string_view name);

}  // namespace quellsy::bridge
