#pragma once

#include <cstdint>
#include <string>

// The engine log and the crash handler.
// Each log line starts with "%02d:%02d:%02d " (local time), holds at most 1999 characters of message,
// goes to standard output and is appended to "sQuellsy.log" in the folder "quellsy" of the invoking user's state
// folder (XDG: $XDG_STATE_HOME, else ~/.local/state; the user pkexec or sudo ran us for, whose the folder and file
// then are). Past 4 MiB the file becomes "sQuellsy.log.1" and a new one starts (see LogFile).
// Callers end their formats with "\r\n" themselves. Safe to call from any thread.
class CatchExeception {
 public:
  static constexpr int kMessageLimit = 2000;  // bytes of the formatted message, terminator included

  static CatchExeception& Instance();

  static int WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

  // Installs SignalHandle for SIGILL, SIGABRT, SIGBUS and SIGSEGV. Returns 0.
  static int Install();

  // Async-signal-safe: writes a backtrace to standard output and re-raises with the default action.
  static void SignalHandle(int signalNumber);

  // The folder the log is written to (made when missing); null when there is none.
  static const char* GetWorkPath();

  // Tests point the log at a folder of their own; an empty path restores the user's state folder, looked up
  // again.
  static void SetWorkPathForTesting(const std::string& folder);
  // The size at which the file is set aside; 0 restores the 4 MiB.
  static void SetLogLimitForTesting(std::uint64_t bytes);

  CatchExeception(const CatchExeception&) = delete;
  CatchExeception& operator=(const CatchExeception&) = delete;

 private:
  CatchExeception();
  ~CatchExeception();
};
