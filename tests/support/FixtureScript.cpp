#include "support/FixtureScript.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <set>
#include <sstream>

#include "support/CommandOutput.h"
#include "support/FixtureCache.h"
#include "support/Sha256.h"

extern char** environ;

namespace quellsy::test {

namespace {

constexpr std::size_t kShownLines = 15;

// The last lines of a script's output, for the failure message.
std::string Tail(const std::filesystem::path& log) {
  std::ifstream in(log);
  std::deque<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
    if (lines.size() > kShownLines) lines.pop_front();
  }
  std::string tail;
  for (const std::string& line : lines) tail += "\n  " + line;
  return tail;
}

// Runs bash -c command with its output in log; the wait status, or -1 when it could not start.
int Spawn(const std::string& command, const std::filesystem::path& log) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  // mkfs.fat, sfdisk, losetup and friends live in the sbin folders, which a plain user's PATH lacks.
  const std::string withPath = "PATH=\"$PATH:/usr/sbin:/sbin\"; " + command;
  const char* argv[] = {"bash", "-c", withPath.c_str(), nullptr};
  pid_t pid = 0;
  const int started = posix_spawnp(&pid, "bash", &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return status;
}

std::string Digest(const std::string& text) {
  return Sha256Hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A script's output can be kept between processes when it makes its files into an empty folder given first and
// reads nothing else the caller names: the script's text and its other arguments then decide what it makes.
bool Cacheable(const std::vector<std::string>& args) {
  std::error_code error;
  if (args.empty() || !std::filesystem::is_directory(args[0], error) || !std::filesystem::is_empty(args[0], error))
    return false;
  return std::none_of(args.begin() + 1, args.end(), [](const std::string& arg) { return arg.starts_with('/'); });
}

// Each path a script's text names that ends in a script's extension, as written: "../Other/make-x.sh" for
// "$here/../Other/make-x.sh", "lib/helper.bash" for "$(dirname "$0")/lib/helper.bash", "make-x.sh"; a path that
// begins at the root is not one of the source tree's.
std::vector<std::string> NamedScripts(const std::string& text) {
  const auto isPathChar = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.' || c == '/' || c == '-';
  };
  std::vector<std::string> named;
  for (std::size_t end = 0; end < text.size(); ++end) {
    if (!isPathChar(text[end]) || (end + 1 < text.size() && isPathChar(text[end + 1]))) continue;
    std::size_t begin = end + 1;
    while (begin > 0 && isPathChar(text[begin - 1])) --begin;
    std::string token = text.substr(begin, end + 1 - begin);
    const std::string extension = std::filesystem::path(token).extension().string();
    if (extension != ".sh" && extension != ".py" && extension != ".bash") continue;
    const char before = begin > 0 ? text[begin - 1] : ' ';
    if (before == '$') {
      // "$here/../x.sh": the variable holds the script's own folder.
      const std::size_t slash = token.find('/');
      if (slash == std::string::npos) continue;
      token.erase(0, slash + 1);
    } else if (token.starts_with('/')) {
      // "${here}/x.sh" or "$(dirname "$0")/x.sh" below the script's folder; otherwise an absolute path.
      if (before != '}' && before != ')') continue;
      token.erase(0, 1);
    }
    named.push_back(token);
  }
  return named;
}

// A file's path as the key names it: relative to the script's folder, so the key holds for any checkout.
std::string KeyName(const std::filesystem::path& file, const std::filesystem::path& folder) {
  return file.lexically_relative(folder).string();
}

}  // namespace

std::vector<std::filesystem::path> FixtureInputs(const std::filesystem::path& script) {
  const std::filesystem::path folder = script.parent_path().lexically_normal();
  std::vector<std::filesystem::path> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".sh" || extension == ".py" || extension == ".bash") found.push_back(entry.path().lexically_normal());
  }
  std::set<std::filesystem::path> seen(found.begin(), found.end());
  const auto scriptPath = script.lexically_normal();
  if (seen.insert(scriptPath).second) found.push_back(scriptPath);
  // What these name (called, or sourced), and what that names in turn, each relative to the folder of the file
  // that names it.
  for (std::size_t next = 0; next < found.size(); ++next) {
    const std::filesystem::path naming = found[next];
    for (const std::string& name : NamedScripts(FileText(naming))) {
      const auto path = (naming.parent_path() / name).lexically_normal();
      if (!seen.contains(path) && std::filesystem::is_regular_file(path, error)) {
        seen.insert(path);
        found.push_back(path);
      }
    }
  }
  std::sort(found.begin(), found.end(), [&](const auto& a, const auto& b) {
    if ((a == scriptPath) != (b == scriptPath)) return a == scriptPath;
    return KeyName(a, folder) < KeyName(b, folder);
  });
  return found;
}

namespace {

// What the output depends on: the text of the script's inputs (FixtureInputs) and its arguments but the first.
std::string ContentDigest(const std::filesystem::path& script, const std::vector<std::string>& args) {
  const std::filesystem::path folder = script.parent_path().lexically_normal();
  std::string all;
  for (const auto& input : FixtureInputs(script)) all += KeyName(input, folder) + '\0' + FileText(input) + '\0';
  for (auto arg = args.begin() + 1; arg != args.end(); ++arg) all += '\0' + *arg;
  return Digest(all);
}

std::string CommandFor(const std::filesystem::path& script, const std::vector<std::string>& args) {
  std::string command = "bash " + ShellQuoted(script.string());
  for (const std::string& arg : args) command += " " + ShellQuoted(arg);
  return command;
}

}  // namespace

FixtureRun RunFixtureCommand(const std::string& command) {
  FixtureRun run;
  std::string logName = (std::filesystem::temp_directory_path() / "quellsy-fixture-XXXXXX").string();
  const int logFd = mkstemp(logName.data());
  if (logFd < 0) {
    run.why = "no temporary file for the output of: " + command;
    return run;
  }
  close(logFd);
  const std::filesystem::path log = logName;
  const int status = Spawn(command, log);
  const std::string output = Tail(log);
  std::filesystem::remove(log);
  if (status == -1 || !WIFEXITED(status)) {
    run.why = "could not run (or killed): " + command + output;
  } else if (WEXITSTATUS(status) == kFixtureNoCapability) {
    run.outcome = FixtureRun::Outcome::kNoCapability;
    run.why = output.empty() ? command : output.substr(output.rfind("\n  ") + 3);
  } else if (WEXITSTATUS(status) != 0) {
    run.why = command + " exited with status " + std::to_string(WEXITSTATUS(status)) + output;
  } else {
    run.outcome = FixtureRun::Outcome::kMade;
  }
  return run;
}

FixtureRun RunFixture(const std::string& script, const std::vector<std::string>& args) {
  const char* source = std::getenv("QUELLSY_SOURCE_DIR");
  if (source == nullptr) return {FixtureRun::Outcome::kFailed, "QUELLSY_SOURCE_DIR is not set: run the tests through ctest"};
  const auto path = std::filesystem::path(source) / script;
  if (!std::filesystem::exists(path)) return {FixtureRun::Outcome::kFailed, "no fixture script " + path.string()};
  const auto cache = FixtureCacheFolder();
  if (!cache || !Cacheable(args)) return RunFixtureCommand(CommandFor(path, args));

  std::string family = script;
  std::replace(family.begin(), family.end(), '/', '_');
  std::string otherArgs;
  for (auto arg = args.begin() + 1; arg != args.end(); ++arg) otherArgs += *arg + '\0';
  family += "-" + Digest(otherArgs).substr(0, 12);
  const std::string name = family + "-" + ContentDigest(path, args).substr(0, 16);
  return CachedFixture(*cache, family, name, args[0], [&](const std::filesystem::path& folder) {
    std::vector<std::string> into = args;
    into[0] = folder.string();
    return RunFixtureCommand(CommandFor(path, into));
  });
}

bool RunFixtureScript(const std::string& script, const std::filesystem::path& out, const std::string& /*toolsMissing*/,
                      std::string& why) {
  const FixtureRun run = RunFixture(script, {out.string()});
  why = run.why;
  if (run.outcome == FixtureRun::Outcome::kFailed) ADD_FAILURE() << "fixture not made: " << run.why;
  return run.Made();
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
