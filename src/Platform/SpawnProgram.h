#pragma once
// Runs a program by its argument vector (never through a shell), with its standard output sent to a file.

#include <filesystem>
#include <string>
#include <vector>

namespace quellsy::platform {

// argv[0] is looked up in PATH. Waits for the program; its exit status, or -1 when it could not be started or
// the output file could not be created. Standard input reads /dev/null; standard error is inherited.
int RunProgramToFile(const std::vector<std::string>& argv, const std::filesystem::path& output);

}  // namespace quellsy::platform
