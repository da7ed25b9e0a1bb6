#include "Platform/UserSession.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

extern char** environ;

namespace quellsy::platform {
namespace {

constexpr const char* kUserPath = "/usr/local/bin:/usr/bin:/bin";
// What a program of the desktop needs of ours: the display, the desktop it runs in and the language.
constexpr const char* kSessionVariables[] = {
    "DISPLAY",     "WAYLAND_DISPLAY", "XAUTHORITY", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP",
    "DESKTOP_SESSION", "LANG",        "LANGUAGE",   "LC_ALL",           "LC_MESSAGES",         "LC_CTYPE"};
constexpr std::size_t kMaxGroups = 65536;

bool OwnedBy(const std::filesystem::path& path, uid_t uid, mode_t kind) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 && (status.st_mode & S_IFMT) == kind && status.st_uid == uid;
}

std::string ValueOf(const std::vector<std::string>& environment, std::string_view name) {
  for (const std::string& entry : environment)
    if (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 && entry[name.size()] == '=')
      return entry.substr(name.size() + 1);
  return {};
}

std::string FindProgram(const std::string& name, const std::string& searchPath) {
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : std::string();
  std::size_t start = 0;
  while (start <= searchPath.size()) {
    const std::size_t end = std::min(searchPath.find(':', start), searchPath.size());
    const std::string folder = searchPath.substr(start, end - start);
    if (!folder.empty()) {
      const std::string candidate = folder + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return {};
}

std::vector<gid_t> GroupsOf(const InvokingUser& user) {
  int count = 0;
  getgrouplist(user.name.c_str(), user.gid, nullptr, &count);  // too small on purpose: tells the number
  if (count <= 0 || static_cast<std::size_t>(count) > kMaxGroups) return {user.gid};
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  if (getgrouplist(user.name.c_str(), user.gid, groups.data(), &count) < 0) return {user.gid};
  groups.resize(static_cast<std::size_t>(count));
  return groups;
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (const std::string& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Between fork and exec only async-signal-safe calls: everything was prepared before the fork.
[[noreturn]] void RunInChild(const std::string& program, char* const* argv, char* const* envp,
                             const InvokingUser* user, const std::vector<gid_t>& groups, int report) {
  const pid_t grandchild = fork();
  if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);  // the program is not ours to wait for
  setsid();
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGPIPE, SIG_DFL);
  signal(SIGCHLD, SIG_DFL);
  bool ready = true;
  if (user)
    ready = setgroups(groups.size(), groups.data()) == 0 && setresgid(user->gid, user->gid, user->gid) == 0 &&
            setresuid(user->uid, user->uid, user->uid) == 0;
  // The user's home, else the root folder; neither failing stops the start.
  if (!user || chdir(user->home.c_str()) != 0) {
    [[maybe_unused]] const int ignored = chdir("/");
  }
  const int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
  }
  // Everything above standard error goes, but the report pipe, which closes itself on exec.
  if (report > 3) close_range(3, static_cast<unsigned>(report) - 1, 0);
  close_range(static_cast<unsigned>(report) + 1, ~0U, 0);
  if (ready) execve(program.c_str(), argv, envp);
  const int error = ready ? errno : EPERM;
  [[maybe_unused]] const ssize_t written = write(report, &error, sizeof error);
  _exit(127);
}

}  // namespace

std::vector<std::string> UserSessionEnvironment(const InvokingUser& user, const EnvironmentLookup& lookup,
                                                const std::filesystem::path& runtimeRoot) {
  std::vector<std::string> environment = {"HOME=" + user.home, "USER=" + user.name, "LOGNAME=" + user.name,
                                          std::string("PATH=") + kUserPath};
  for (const char* name : kSessionVariables)
    if (const char* value = lookup(name); value && *value) environment.push_back(std::string(name) + "=" + value);
  std::filesystem::path runtime;
  if (const char* given = lookup("XDG_RUNTIME_DIR"); given && given[0] == '/' && OwnedBy(given, user.uid, S_IFDIR))
    runtime = given;
  else if (OwnedBy(runtimeRoot / std::to_string(user.uid), user.uid, S_IFDIR))
    runtime = runtimeRoot / std::to_string(user.uid);
  if (!runtime.empty()) environment.push_back("XDG_RUNTIME_DIR=" + runtime.string());
  if (const char* bus = lookup("DBUS_SESSION_BUS_ADDRESS"); bus && *bus)
    environment.push_back(std::string("DBUS_SESSION_BUS_ADDRESS=") + bus);
  else if (!runtime.empty() && OwnedBy(runtime / "bus", user.uid, S_IFSOCK))
    environment.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + (runtime / "bus").string());
  return environment;
}

std::vector<std::string> CurrentEnvironment() {
  std::vector<std::string> environment;
  for (char** entry = environ; entry && *entry; ++entry) environment.emplace_back(*entry);
  return environment;
}

bool StartDetachedProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                          const InvokingUser* user) {
  if (argv.empty() || argv[0].empty()) return false;
  const std::string program = FindProgram(argv[0], ValueOf(environment, "PATH"));
  if (program.empty()) return false;
  const std::vector<gid_t> groups = user ? GroupsOf(*user) : std::vector<gid_t>();
  const std::vector<char*> arguments = Pointers(argv);
  const std::vector<char*> variables = Pointers(environment);
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child == 0) RunInChild(program, arguments.data(), variables.data(), user, groups, report[1]);
  close(report[1]);
  if (child < 0) {
    close(report[0]);
    return false;
  }
  // The pipe ends at the program's exec (nothing read) or carries why it failed; the child ends at once.
  int error = 0;
  ssize_t got = 0;
  do got = read(report[0], &error, sizeof error);
  while (got < 0 && errno == EINTR);
  close(report[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return got == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace quellsy::platform
