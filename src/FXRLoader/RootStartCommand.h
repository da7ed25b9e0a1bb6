#pragma once
// The command line between the launcher and the helper that pkexec runs as root:
//
//   pkexec HELPER [NAME=VALUE ...] -- LANGUAGE*loaderflag* [SCAN_RESULT_FILE]
//
// The helper sets the display variables it accepts and runs the windowed program with the arguments after "--".
// Every part is one argument of its own: nothing is joined into a line that a shell would read.

#include <sys/types.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quellsy::launcher {

inline constexpr const char* kPkexec = "pkexec";
inline constexpr const char* kEndOfEnvironment = "--";

// pkexec's argument vector, "pkexec" first (looked up in PATH).
std::vector<std::string> PkexecArguments(const std::string& helper, const std::vector<std::string>& display,
                                         const std::string& language, const std::optional<std::string>& scanResult);

struct RootStartPlan {
  std::vector<std::string> arguments;    // the program's, after its own path
  std::vector<std::string> environment;  // "NAME=VALUE"
  std::vector<std::string> warnings;     // display variables left out, in words
};

// What the helper does with its arguments (those after its own path) in pkexec's environment: the environment
// without any display variable pkexec kept, plus those of the arguments it accepts, and the program's arguments.
// The program's first argument must be a safe language code followed by the launcher's flag and its second, when
// there is one, an absolute path, so that neither can be read as an option; a command line of another form is
// refused with the reason in words.
std::variant<RootStartPlan, std::string> PlanRootStart(const std::vector<std::string>& arguments,
                                                       const std::vector<std::string>& environment,
                                                       uid_t invokingUser);

// Replaces this process by the program; returns (the errno) only when that failed.
int ExecRootStart(const char* program, const RootStartPlan& plan);

}  // namespace quellsy::launcher
