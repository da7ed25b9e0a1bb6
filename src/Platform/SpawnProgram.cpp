#include "Platform/SpawnProgram.h"

#include <fcntl.h>
#include <spawn.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace quellsy::platform {

namespace {

// Starts argv with standard input on /dev/null, standard output on out (/dev/null when negative) and standard
// error inherited or on /dev/null; its process id, or -1 when it could not be started.
pid_t Spawn(const std::vector<std::string>& argv, int out, bool quietErrors) {
  if (argv.empty()) return -1;
  std::vector<char*> args;
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (out >= 0)
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  else
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  if (quietErrors) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

}  // namespace

int RunProgramToFile(const std::vector<std::string>& argv, const std::filesystem::path& output) {
  if (argv.empty()) return -1;
  const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (out < 0) return -1;
  const pid_t pid = Spawn(argv, out, false);
  close(out);
  if (pid < 0) return -1;

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

LimitedRun RunProgramWithTimeLimit(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                                   const std::atomic<bool>* stop) {
  LimitedRun run;
  const pid_t pid = Spawn(argv, -1, true);
  if (pid < 0) return run;

  // A descriptor that becomes readable when the child ends, so the wait sleeps instead of polling.
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid) {
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (ended < 0 && errno != EINTR) break;
    const auto now = std::chrono::steady_clock::now();
    run.timedOut = now >= deadline;
    run.stopped = stop && stop->load();
    if (run.timedOut || run.stopped) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    const int slice = static_cast<int>(std::min<long long>(left + 1, 20));
    if (pidfd >= 0) {
      pollfd ready{pidfd, POLLIN, 0};
      poll(&ready, 1, slice);
    } else {
      usleep(static_cast<useconds_t>(slice) * 1000);
    }
  }
  if (pidfd >= 0) close(pidfd);
  return run;
}

}  // namespace quellsy::platform
