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

// What the output depends on: the script, the other scripts of its folder (which it may call), the scripts of other
// folders these call by a relative path, and its arguments.
std::string ContentDigest(const std::filesystem::path& script, const std::vector<std::string>& args) {
  std::vector<std::filesystem::path> scripts;
  for (const auto& entry : std::filesystem::directory_iterator(script.parent_path()))
    if (entry.path().extension() == ".sh" || entry.path().extension() == ".py") scripts.push_back(entry.path());
  std::sort(scripts.begin(), scripts.end());
  std::string all = FileText(script);
  for (const auto& other : scripts) all += '\0' + other.filename().string() + '\0' + FileText(other);
  // A script of another folder that one of these calls by a relative path ("$here/../Other/make-x.sh") counts too:
  // otherwise a change to it would leave this folder's made images stale.
  const auto isPathChar = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.' || c == '/' || c == '-';
  };
  std::set<std::filesystem::path> called;
  for (const auto& caller : scripts) {
    const std::string text = FileText(caller);
    for (std::size_t at = text.find("../"); at != std::string::npos; at = text.find("../", at)) {
      std::size_t end = at;
      while (end < text.size() && isPathChar(text[end])) ++end;
      const std::filesystem::path named = text.substr(at, end - at);
      at = end;
      if (named.extension() != ".sh" && named.extension() != ".py") continue;
      const auto path = (script.parent_path() / named).lexically_normal();
      if (path.parent_path() != script.parent_path().lexically_normal() && std::filesystem::is_regular_file(path))
        called.insert(path);
    }
  }
  for (const auto& other : called)
    all += '\0' + other.lexically_relative(script.parent_path()).string() + '\0' + FileText(other);
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
