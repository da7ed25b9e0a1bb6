#include "FXRLoader/WaiterStart.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace quellsy::launcher {
namespace {

// The waiter's life: start the program, tell the caller how that went, outlive the program. It only makes calls
// that are safe between fork and exec, whatever threads the caller had.
[[noreturn]] void RunWaiter(char* const* args, int report) {
  pid_t program = -1;
  const int started = args[0] == nullptr ? EINVAL : posix_spawnp(&program, args[0], nullptr, nullptr, args, environ);
  while (write(report, &started, sizeof started) < 0 && errno == EINTR) {
  }
  close(report);
  if (started != 0) _exit(127);
  int status = 0;
  while (waitpid(program, &status, 0) < 0) {
    if (errno != EINTR) _exit(127);
  }
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

}  // namespace

WaiterStart StartBehindWaiter(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return {errno, -1};
  const pid_t waiter = fork();
  if (waiter < 0) {
    const int error = errno;
    close(report[0]);
    close(report[1]);
    return {error, -1};
  }
  if (waiter == 0) {
    close(report[0]);
    RunWaiter(args.data(), report[1]);
  }
  close(report[1]);
  int started = 0;
  ssize_t got = 0;
  while ((got = read(report[0], &started, sizeof started)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  // A waiter that ended without a word did not start the program.
  if (got != static_cast<ssize_t>(sizeof started)) started = ECHILD;
  return {started, waiter};
}

}  // namespace quellsy::launcher
