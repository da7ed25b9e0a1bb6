#pragma once

#include <string>

// The engine log and the crash handler.
// Each log line starts with "%02d:%02d:%02d " (local time), holds at most 1999 characters of message,
// goes to standard output and is appended to "sQuellsy.log" in the executable's folder.
// Callers end their formats with "\r\n" themselves.
class CatchExeception {
 public:
  static constexpr int kMessageLimit = 2000;  // bytes of the formatted message, terminator included

  static CatchExeception& Instance();

  static int WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

  // Installs SignalHandle for SIGILL, SIGABRT, SIGBUS and SIGSEGV. Returns 0.
  static int Install();

  // Async-signal-safe: writes a backtrace to standard output and re-raises with the default action.
  static void SignalHandle(int signalNumber);

  // The folder the log is written to (the executable's folder unless a test moved it).
  static const char* GetWorkPath();

  // Tests point the log at a folder of their own; an empty path restores the executable's folder.
  static void SetWorkPathForTesting(const std::string& folder);

  CatchExeception(const CatchExeception&) = delete;
  CatchExeception& operator=(const CatchExeception&) = delete;

 private:
  CatchExeception();
  ~CatchExeception();
};
