#include "UI/Kit/UserOpener.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "Platform/InvokingUser.h"
#include "Platform/UserSession.h"

namespace quellsy::ui {
namespace {

constexpr const char* kOpener = "xdg-open";

std::mutex openerLock;
std::string openerProgram = kOpener;

std::string OpenerProgram() {
  const std::lock_guard<std::mutex> hold(openerLock);
  return openerProgram;
}

}  // namespace

bool OpenInUserSession(const QString& target) {
  if (target.isEmpty() || target.startsWith(QLatin1Char('-'))) return false;
  const std::vector<std::string> argv = {OpenerProgram(), target.toStdString()};
  if (geteuid() == 0) {
    if (const auto user = platform::FindInvokingUser())
      return platform::StartDetachedProgram(
          argv, platform::UserSessionEnvironment(*user, [](const char* name) { return std::getenv(name); }), &*user);
  }
  return platform::StartDetachedProgram(argv, platform::CurrentEnvironment());
}

void SetOpenProgramForTests(const std::string& program) {
  const std::lock_guard<std::mutex> hold(openerLock);
  openerProgram = program.empty() ? kOpener : program;
}

}  // namespace quellsy::ui
