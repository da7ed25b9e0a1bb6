#include "Utility/CatchExeception.h"

#include <errno.h>
#include <execinfo.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Utility/SimpleCs.h"
#include "Utility/TimeUtil.h"
#include "Utility/WorkPath.h"

namespace {

constexpr int kCrashSignals[] = {SIGILL, SIGABRT, SIGBUS, SIGSEGV};
constexpr int kMaxFrames = 128;

SimpleCs& LogLock() {
  static SimpleCs lock;
  return lock;
}

// Guarded by LogLock().
std::string& WorkPathOverride() {
  static std::string folder;
  return folder;
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
  if (!WorkPathOverride().empty()) return WorkPathOverride().c_str();
  return GetAppWorkPath();
}

void CatchExeception::SetWorkPathForTesting(const std::string& folder) {
  SimpleLock guard(&LogLock());
  WorkPathOverride() = folder;
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

  const char* folder = GetWorkPath();
  if (!folder) return static_cast<int>(lineLength);
  const std::string path = std::string(folder) + "/sQuellsy.log";
  if (FILE* file = std::fopen(path.c_str(), "a+")) {
    if (std::fwrite(line, 1, lineLength, file) == 0 && lineLength > 0)
      std::printf("%s failed with %s\n", "WriteLog", std::strerror(errno));
    std::fclose(file);
  }
  return static_cast<int>(lineLength);
}
