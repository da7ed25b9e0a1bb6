#pragma once
// What the program takes from its command line. The launcher starts it as root with the language it chose
// followed by the launcher's flag ("en*loaderflag*") and, when it was asked to open one, a scan-result file. The
// language is stored as the user's preferred one before any text is read; the file is stored under "rsfPath" for
// the root window, which offers it for import.

#include <optional>
#include <string>

namespace quellsy::ui {

// What marks a scan-result file's path.
inline constexpr const char* kScanResultMark = ".Vortrane";

struct StartupArguments {
  std::optional<std::string> language;  // nothing: the user's own language
  std::string scanResultPath;           // "" when none was given
};

// The first argument without one trailing launcher flag, or as it stands without the flag; nothing when it is
// missing, empty or holds bytes outside ASCII. The second argument when it contains ".Vortrane" anywhere.
StartupArguments ReadStartupArguments(int argc, const char* const* argv);

// Writes "argv = <code>" to standard output, logs it and stores the code as the only entry of "AppleLanguages".
void setCurLanguage(const std::string& code);

// The language when one was given, and "rsfPath": always written, "" when no file was given.
void StoreStartupArguments(const StartupArguments& arguments);

}  // namespace quellsy::ui
