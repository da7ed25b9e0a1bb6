#pragma once
// The Sleuth Kit run over an exFAT image for comparison, and where engine-cli's copies land.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "support/CommandOutput.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {

namespace fs = std::filesystem;

// The one folder engine-cli recovers into: the tree's root.
inline fs::path RecoveredRoot(const fs::path& out) { return fs::directory_iterator(out)->path(); }

// The files The Sleuth Kit lists ("fls -r -p"), by path, with whether it marks them deleted; its own entries
// ($ALLOC_BITMAP, the label, orphans) left out.
inline std::map<std::string, bool> SleuthKitFiles(const fs::path& image) {
  int status = 0;
  const std::string listing = CommandOutput("fls -r -p " + ShellQuoted(image.string()) + " 2>&1", status);
  EXPECT_EQ(status, 0) << listing;
  std::map<std::string, bool> files;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || line.rfind("r/r", 0) != 0) continue;
    const std::string path = "/" + line.substr(tab + 1);
    if (path.find("/$") != std::string::npos || path.find("(Volume Label Entry)") != std::string::npos) continue;
    files[path] = line.find(" * ") != std::string::npos;
  }
  return files;
}

// "tsk_recover -e": every file it can copy out, live and deleted, into out.
inline void SleuthKitRecover(const fs::path& image, const fs::path& out) {
  int status = 0;
  const std::string log = CommandOutput("tsk_recover -e " + ShellQuoted(image.string())
                                        + " " + ShellQuoted(out.string()) + " 2>&1", status);
  ASSERT_EQ(status, 0) << log;
}

inline std::string HashOf(const fs::path& path) { return fs::exists(path) ? Sha256Hex(ReadFile(path)) : std::string{}; }

}  // namespace quellsy::test
