#pragma once
// Running engine-cli in the test process and reading its JSON lines.

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "EngineCli.h"
#include "Engines/BuiltInEngines.h"
#include "include/EngineRegistry.h"

namespace quellsy::test {

// engine-cli leaves only the searchers a run chose registered: a fixture that derives from this starts and ends
// with every engine registered.
class EveryEngineRegistered {
 protected:
  EveryEngineRegistered() { RegisterAll(); }
  ~EveryEngineRegistered() { RegisterAll(); }
  EveryEngineRegistered(const EveryEngineRegistered&) = delete;
  EveryEngineRegistered& operator=(const EveryEngineRegistered&) = delete;

 private:
  static void RegisterAll() {
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }
};

struct CliRun {
  int exit = -1;
  std::vector<std::string> lines;
  std::string err;
};

inline CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  CliRun run;
  run.exit = EngineCliMain(args, out, err);
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) run.lines.push_back(line);
  run.err = err.str();
  return run;
}

// The value of key in a one-line JSON object, up to the next ", " or the closing brace (strings keep their quotes).
inline std::string Field(const std::string& line, const std::string& key) {
  const std::string tag = "\"" + key + "\": ";
  const std::size_t at = line.find(tag);
  if (at == std::string::npos) return "<missing>";
  const std::size_t from = at + tag.size();
  std::size_t to = line.find(", \"", from);
  if (to == std::string::npos) to = line.rfind('}');
  return line.substr(from, to - from);
}

// The node lines of engine-cli's JSON output.
inline std::vector<std::string> NodeLines(const CliRun& run) {
  std::vector<std::string> lines;
  for (const std::string& line : run.lines)
    if (line.rfind("{\"path\": ", 0) == 0) lines.push_back(line);
  return lines;
}

struct Listed {
  std::string size;
  std::string deleted;
};

// Paths inside the volume ("/docs/x.txt"): the first element, the tree's root, is cut off.
inline std::map<std::string, Listed> ListedByPath(const CliRun& run) {
  std::map<std::string, Listed> listed;
  for (const std::string& line : NodeLines(run)) {
    std::string path = Field(line, "path");
    path = path.substr(1, path.size() - 2);
    const std::size_t slash = path.find('/');
    if (slash == std::string::npos) continue;
    listed[path.substr(slash)] = {Field(line, "size"), Field(line, "deleted")};
  }
  return listed;
}

}  // namespace quellsy::test
