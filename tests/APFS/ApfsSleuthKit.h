#pragma once
// The Sleuth Kit over an APFS container, for comparison: the volume superblock's block (pstat), the files it
// lists (fls -r -p) and their contents (icat), and the engine's way of showing names (no leading dot).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/FixtureScript.h"

namespace quellsy::test {

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  const std::string text = ReadText(path);
  return {text.begin(), text.end()};
}

// The engine shows names without their leading dot.
inline std::string WithoutLeadingDots(const std::string& path) {
  std::string out;
  std::istringstream parts(path);
  for (std::string part; std::getline(parts, part, '/');) {
    if (part.size() >= 2 && part[0] == '.') part.erase(0, 1);
    out += (out.empty() ? "" : "/") + part;
  }
  return out;
}

struct SleuthKitEntry {
  std::string kind;   // "r" or "d"
  std::string inode;  // the inode number icat takes
  std::string path;   // as the engine shows it
};

// What The Sleuth Kit lists of the container's (first) volume, and how to copy its files out. Scratch files go
// into dir. A failing tool fails the test.
class ApfsSleuthKit {
 public:
  ApfsSleuthKit(const std::filesystem::path& image, const std::filesystem::path& dir) : image_(image), dir_(dir) {
    Load();
  }

  bool Ready() const { return ready_; }
  const std::vector<SleuthKitEntry>& Entries() const { return entries_; }

  // The file's data stream; false when it has none (only a resource fork), which icat cannot give.
  bool Contents(const SleuthKitEntry& entry, std::vector<std::uint8_t>& out) const {
    const auto content = dir_ / ("inode-" + entry.inode);
    const std::string c = "'" + content.string() + "'";
    const FixtureRun run = RunFixtureCommand("icat -P apfs -B " + superblock_ + " '" + image_.string() + "' " +
                                             entry.inode + " > " + c + " 2> " + c +
                                             ".err || { grep -q 'Attribute .* not found' " + c + ".err && : > " + c +
                                             ".none; }");
    EXPECT_TRUE(run.Made()) << run.why;
    if (std::filesystem::exists(content.string() + ".none")) return false;
    out = ReadBytes(content);
    return true;
  }

 private:
  void Load() {
    const auto pool = dir_ / "pstat.txt", listing = dir_ / "fls.txt";
    QUELLSY_REQUIRE_FIXTURE(RunFixtureCommand("pstat '" + image_.string() + "' > '" + pool.string() + "'"));
    const std::string poolText = ReadText(pool);
    const std::string label = "APSB Block Number: ";
    const std::size_t at = poolText.find(label);
    ASSERT_NE(at, std::string::npos) << poolText;
    const std::size_t digits = at + label.size();
    superblock_ = poolText.substr(digits, poolText.find_first_not_of("0123456789", digits) - digits);
    ASSERT_FALSE(superblock_.empty()) << poolText;
    QUELLSY_REQUIRE_FIXTURE(RunFixtureCommand("fls -r -p -P apfs -B " + superblock_ + " '" + image_.string() +
                                              "' > '" + listing.string() + "'"));
    std::istringstream lines(ReadText(listing));
    for (std::string line; std::getline(lines, line);) {
      // "r/r 42:\tpath": the kind, the inode number, then the path after a tab.
      const std::size_t space = line.find(' '), colon = line.find(":\t");
      ASSERT_TRUE(line.size() > 3 && line[1] == '/' && space != std::string::npos && colon != std::string::npos &&
                  space < colon)
          << line;
      entries_.push_back({line.substr(0, 1), line.substr(space + 1, colon - space - 1),
                          WithoutLeadingDots(line.substr(colon + 2))});
    }
    ready_ = true;
  }

  std::filesystem::path image_;
  std::filesystem::path dir_;
  std::string superblock_;
  std::vector<SleuthKitEntry> entries_;
  bool ready_ = false;
};

}  // namespace quellsy::test
