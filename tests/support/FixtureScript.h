#pragma once
// Runs the source tree's fixture scripts ("bash SCRIPT ARGS..."), the one way tests make their images with real
// tools. A script exits 0 when it made everything, 77 when the machine lacks a capability it needs (root, loop
// devices or their partition scanning, /dev/fuse; its last line on stderr says which), and anything else when it
// failed, a missing tool included: the set-up installs every tool, so a missing one is a broken set-up.
//
//   const FixtureRun run = RunFixture("tests/FATLib/make-fat-node-images.sh", {dir.path().string()});
//   QUELLSY_REQUIRE_FIXTURE(run);

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quellsy::test {

struct FixtureRun {
  enum class Outcome { kMade, kNoCapability, kFailed };

  Outcome outcome = Outcome::kFailed;
  // Empty when made; otherwise what failed (the script's last output lines) or the capability missing.
  std::string why;

  bool Made() const { return outcome == Outcome::kMade; }
};

// Exit status a fixture script uses for a capability the machine lacks.
inline constexpr int kFixtureNoCapability = 77;

// script is relative to QUELLSY_SOURCE_DIR; an unset QUELLSY_SOURCE_DIR is a failure. When the first argument is an
// empty folder and no other one is an absolute path, the script is run once per build tree (see FixtureCache.h)
// and the folder gets a copy of what it made: such a script makes its files from its own text and arguments
// alone, and never writes the folder's path into them.
FixtureRun RunFixture(const std::string& script, const std::vector<std::string>& args);

// The files a script's output depends on besides its arguments, which the cache's key holds the text of: the
// script, the other scripts (.sh, .py, .bash) of its folder, and every script one of these names by a path relative
// to its own folder, called or sourced ("$here/../Other/make-x.sh", "$here/../support/fixtures/cleanup-on-exit.sh"),
// followed on through what those name. The script first, then by their paths relative to its folder.
std::vector<std::filesystem::path> FixtureInputs(const std::filesystem::path& script);

// A shell command run through bash the same way (sbin folders on PATH, output kept for the failure message).
FixtureRun RunFixtureCommand(const std::string& command);

// The former form: true when made; otherwise why says what went wrong. A failed script (as opposed to a missing
// capability) also records a test failure, so a caller that skips on false still fails. toolsMissing is unused
// now that a missing tool is a failure.
bool RunFixtureScript(const std::string& script, const std::filesystem::path& out, const std::string& toolsMissing,
                      std::string& why);

// Reads a manifest the scripts write beside an image: "# key=value" lines go into facts, every other line is
// handed to row split at its tabs.
void ReadFixtureManifest(const std::filesystem::path& manifest, std::map<std::string, std::string>& facts,
                         const std::function<void(const std::vector<std::string>& fields)>& row);

}  // namespace quellsy::test

// Ends the test unless the fixture was made: a skip naming the capability the machine lacks, a failure otherwise.
#define QUELLSY_REQUIRE_FIXTURE(run)                                                                  \
  do {                                                                                                \
    const ::quellsy::test::FixtureRun& quellsyFixtureRun_ = (run);                                    \
    if (quellsyFixtureRun_.outcome == ::quellsy::test::FixtureRun::Outcome::kNoCapability)            \
      GTEST_SKIP() << "this machine lacks a capability: " << quellsyFixtureRun_.why;                  \
    if (!quellsyFixtureRun_.Made()) FAIL() << "fixture not made: " << quellsyFixtureRun_.why;          \
  } while (false)
