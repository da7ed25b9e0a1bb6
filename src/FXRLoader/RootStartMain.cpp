// quellsy-root-start: run by pkexec as root (the polkit policy names it). It sets the display variables it accepts
// from its arguments and replaces itself by the windowed program, with the language and the scan-result file.
//
//   quellsy-root-start [NAME=VALUE ...] -- LANGUAGE*loaderflag* [SCAN_RESULT_FILE]

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <variant>

#include "FXRLoader/RootStartCommand.h"
#include "Platform/InstalledPrograms.h"
#include "Platform/InvokingUser.h"
#include "Platform/LauncherHandOver.h"

extern char** environ;

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
  const auto user = quellsy::platform::FindInvokingUser();
  const auto planned = quellsy::launcher::PlanRootStart(arguments, environment, user ? user->uid : getuid());
  if (const auto* refusal = std::get_if<std::string>(&planned)) {
    std::fprintf(stderr, "quellsy-root-start: %s\nusage: quellsy-root-start [NAME=VALUE ...] -- LANGUAGE%s [FILE]\n",
                 refusal->c_str(), std::string(quellsy::platform::kLoaderFlag).c_str());
    return 2;
  }
  const auto& plan = std::get<quellsy::launcher::RootStartPlan>(planned);
  for (const auto& warning : plan.warnings) std::fprintf(stderr, "quellsy-root-start: left out: %s\n", warning.c_str());
  const char* program = quellsy::platform::InstalledMainProgram();
  const int error = quellsy::launcher::ExecRootStart(program, plan);
  std::fprintf(stderr, "quellsy-root-start: %s could not be started: %s\n", program, std::strerror(error));
  return 127;
}
