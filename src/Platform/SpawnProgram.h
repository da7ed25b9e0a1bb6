#pragma once
// Runs a program by its argument vector (never through a shell), with its standard output sent to a file.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace quellsy::platform {

// argv[0] is looked up in PATH. Waits for the program; its exit status, or -1 when it could not be started or
// the output file could not be created. Standard input reads /dev/null; standard error is inherited.
int RunProgramToFile(const std::vector<std::string>& argv, const std::filesystem::path& output);

// How a program run with a time limit ended.
struct LimitedRun {
  int status = -1;        // its exit status; -1 when it could not be started or did not exit by itself
  bool timedOut = false;  // killed at the time limit
  bool stopped = false;   // killed because stop was set
};

// Runs argv (looked up in PATH) with standard input, output and error on /dev/null, and kills it (SIGKILL) when
// it runs longer than limit or when *stop becomes true (looked at every few milliseconds). Always reaps it.
LimitedRun RunProgramWithTimeLimit(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                                   const std::atomic<bool>* stop = nullptr);

}  // namespace quellsy::platform
