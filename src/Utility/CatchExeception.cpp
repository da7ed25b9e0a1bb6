#include "Utility/CatchExeception.h"

#include <errno.h>
#include <execinfo.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "Platform/UserPaths.h"
#include "Utility/LogFile.h"
#include "Utility/SimpleCs.h"
#include "Utility/TimeUtil.h"

namespace {

constexpr int kCrashSignals[] = {SIGILL, SIGABRT, SIGBUS, SIGSEGV};
constexpr int kMaxFrames = 128;

SimpleCs& LogLock() {
  static SimpleCs lock;
  return lock;
}

// Where the log goes; guarded by LogLock().
struct LogPlace {
  std::string override;  // a test's folder
  bool resolved = false;
  std::string folder;    // empty when there is none
  LogFile file;
};

LogPlace& Place() {
  static LogPlace place;
  return place;
}

// Finds (and makes) the log's folder once: the invoking user's state folder, or a test's.
void Resolve(LogPlace& place) {
  if (place.resolved) return;
  place.resolved = true;
  place.folder.clear();
  place.file.Close();
  std::filesystem::path folder;
  int descriptor = -1;
  std::optional<LogFile::Owner> owner;
  if (!place.override.empty()) {
    folder = place.override;
    descriptor = quellsy::platform::OpenOrMakeFolder(folder, {}, std::nullopt);
  } else if (const auto state = quellsy::platform::UserStateDir()) {
    folder = state->path() / "quellsy";
    if (state->owner) owner = LogFile::Owner{state->owner->uid, state->owner->gid};
    descriptor = quellsy::platform::OpenOrMakeFolder(state->base, state->below / "quellsy", state->owner);
  } else {
    std::printf("%s: no home folder for the log\n", "WriteLog");
    return;
  }
  if (descriptor < 0) {
    std::printf("%s: log folder %s unavailable: %s\n", "WriteLog", folder.c_str(), std::strerror(errno));
    return;
  }
  place.folder = folder.string();
  place.file.Use(descriptor, owner);
}

void RaiseLimit(int resource) {
  rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
  if (setrlimit(resource, &limit) == 0) return;
  // An unprivileged process (or RLIMIT_NOFILE, which has a kernel ceiling) can still raise the soft limit.
  if (getrlimit(resource, &limit) == 0) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(resource, &limit);
  }
}

}  // namespace

CatchExeception& CatchExeception::Instance() {
  static CatchExeception instance;
  return instance;
}

CatchExeception::CatchExeception() {
  RaiseLimit(RLIMIT_CORE);
  RaiseLimit(RLIMIT_NOFILE);
  const char* name = program_invocation_short_name;
  WriteLog("process[%s:%d] started\n", (name && *name) ? name : "Quellsy", static_cast<int>(getpid()));
}

CatchExeception::~CatchExeception() { WriteLog("process[%d] existed\n", static_cast<int>(getpid())); }

int CatchExeception::Install() {
  // backtrace() loads its unwinder on first use, which allocates: do that now, not inside the handler.
  void* warmUp[1];
  backtrace(warmUp, 1);
  for (int signalNumber : kCrashSignals) {
    struct sigaction action {};
    action.sa_handler = &CatchExeception::SignalHandle;
    sigemptyset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
  }
  return 0;
}

void CatchExeception::SignalHandle(int signalNumber) {
  for (int crashSignal : kCrashSignals) signal(crashSignal, SIG_DFL);
  void* frames[kMaxFrames];
  const int count = backtrace(frames, kMaxFrames);
  backtrace_symbols_fd(frames, count, STDOUT_FILENO);
  raise(signalNumber);
}

const char* CatchExeception::GetWorkPath() {
  SimpleLock guard(&LogLock());
  Resolve(Place());
  return Place().folder.empty() ? nullptr : Place().folder.c_str();
}

void CatchExeception::SetWorkPathForTesting(const std::string& folder) {
  SimpleLock guard(&LogLock());
  Place().override = folder;
  Place().resolved = false;
  Place().file.Close();
}

void CatchExeception::SetLogLimitForTesting(std::uint64_t bytes) {
  SimpleLock guard(&LogLock());
  Place().file.SetLimit(bytes);
}

int CatchExeception::WriteLog(const char* format, ...) {
  if (!format) return 0;

  _SYSTEMTIME now{};
  GetLocalTime(&now);
  char line[16 + kMessageLimit];
  const int stampLength = std::snprintf(line, 16, "%02d:%02d:%02d ", now.wHour, now.wMinute, now.wSecond);

  va_list arguments;
  va_start(arguments, format);
  const int wanted = std::vsnprintf(line + stampLength, kMessageLimit, format, arguments);
  va_end(arguments);
  const int messageLength = wanted < 0 ? 0 : (wanted < kMessageLimit ? wanted : kMessageLimit - 1);
  line[stampLength + messageLength] = '\0';
  const auto lineLength = static_cast<std::size_t>(stampLength + messageLength);

  SimpleLock guard(&LogLock(), "WriteLog");
  std::fputs(line, stdout);
  LogPlace& place = Place();
  Resolve(place);
  if (place.file.HasFolder() && !place.file.Append(line, lineLength))
    std::printf("%s failed with %s\n", "WriteLog", std::strerror(errno));
  return static_cast<int>(lineLength);
}
