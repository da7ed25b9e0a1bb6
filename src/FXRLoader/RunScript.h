#pragma once
// The launcher's two operations: work out the interface language, and start the windowed program as root through
// pkexec with that language and a scan-result file, without waiting for it.

#include <optional>
#include <string>

class RunScript {
 public:
  RunScript() = delete;

  // Starts `toolPath` (the helper pkexec runs as root, which starts the windowed program) with the display
  // environment, the language followed by the launcher's flag and, when given, the scan-result file. 0 once pkexec
  // runs (asking for the password and starting the program happen after the launcher has ended), else the errno
  // of the failed start.
  static int RunTool(const std::string& toolPath, const std::optional<std::string>& rsfPath);

  // The language from "PrivateData" and the user's locale; a name chosen now is stored in the user's copy.
  static std::string GetCurrentLanaguage();
};
