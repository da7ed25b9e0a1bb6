#include "FXRLoader/RootStartCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "FXRLoader/DisplayEnvironment.h"
#include "Platform/LauncherHandOver.h"

namespace quellsy::launcher {
namespace {

bool IsLanguageArgument(const std::string& argument) {
  const std::string_view text(argument);
  const std::string_view flag = platform::kLoaderFlag;
  return text.size() > flag.size() && text.substr(text.size() - flag.size()) == flag &&
         platform::IsSafeLanguageCode(text.substr(0, text.size() - flag.size()));
}

std::vector<char*> NullEnded(const std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (const auto& text : texts) pointers.push_back(const_cast<char*>(text.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

std::vector<std::string> PkexecArguments(const std::string& helper, const std::vector<std::string>& display,
                                         const std::string& language, const std::optional<std::string>& scanResult) {
  std::vector<std::string> argv{kPkexec, helper};
  argv.insert(argv.end(), display.begin(), display.end());
  argv.push_back(kEndOfEnvironment);
  argv.push_back(language + std::string(platform::kLoaderFlag));
  if (scanResult) argv.push_back(*scanResult);
  return argv;
}

std::variant<RootStartPlan, std::string> PlanRootStart(const std::vector<std::string>& arguments,
                                                       const std::vector<std::string>& environment,
                                                       uid_t invokingUser) {
  const auto end = std::find(arguments.begin(), arguments.end(), kEndOfEnvironment);
  if (end == arguments.end()) return std::string("no \"--\" before the program's arguments");
  const std::vector<std::string> program(end + 1, arguments.end());
  if (program.empty() || program.size() > 2) return std::string("the program takes one or two arguments");
  if (!IsLanguageArgument(program[0]))
    return std::string("the first argument is not a language code followed by the launcher's flag");
  if (program.size() == 2 && (program[1].empty() || program[1].front() != '/'))
    return std::string("the scan-result file is not given by an absolute path");

  AcceptedEnvironment display = AcceptDisplayEnvironment({arguments.begin(), end}, invokingUser);
  RootStartPlan plan{program, {}, std::move(display.refused)};
  for (const auto& entry : environment)
    if (!IsDisplayVariable(std::string_view(entry).substr(0, entry.find('=')))) plan.environment.push_back(entry);
  plan.environment.insert(plan.environment.end(), display.accepted.begin(), display.accepted.end());
  return plan;
}

int ExecRootStart(const char* program, const RootStartPlan& plan) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), plan.arguments.begin(), plan.arguments.end());
  execve(program, NullEnded(argv).data(), NullEnded(plan.environment).data());
  return errno;
}

}  // namespace quellsy::launcher
