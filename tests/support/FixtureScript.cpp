#include "support/FixtureScript.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

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

void ReadFixtureManifest(const std::filesystem::path& manifest, std::map<std::string, std::string>& facts,
                         const std::function<void(const std::vector<std::string>& fields)>& row) {
  std::ifstream in(manifest);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("# ", 0) == 0) {
      const std::size_t equals = line.find('=');
      if (equals != std::string::npos) facts[line.substr(2, equals - 2)] = line.substr(equals + 1);
      continue;
    }
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    row(fields);
  }
}

}  // namespace quellsy::test
