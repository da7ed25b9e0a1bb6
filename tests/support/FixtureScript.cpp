#include "support/FixtureScript.h"

#include <sys/wait.h>

#include <cstdlib>

namespace quellsy::test {

namespace {
constexpr int kToolMissing = 77;
}

bool RunFixtureScript(const std::string& script, const std::filesystem::path& out, const std::string& toolsMissing,
                      std::string& why) {
  const char* source = std::getenv("QUELLSY_SOURCE_DIR");
  if (source == nullptr) {
    why = "QUELLSY_SOURCE_DIR is not set";
    return false;
  }
  const auto path = std::filesystem::path(source) / script;
  const std::string command = "bash '" + path.string() + "' '" + out.string() + "' >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) {
    why = "could not run " + path.string();
  } else if (WEXITSTATUS(status) == kToolMissing) {
    why = toolsMissing;
  } else if (WEXITSTATUS(status) != 0) {
    why = path.string() + " failed with status " + std::to_string(WEXITSTATUS(status));
  } else {
    return true;
  }
  return false;
}

}  // namespace quellsy::test
