#pragma once
// The whole-disk images of make-ntfs-disk-images.sh (made once per test process) with their manifests, and The
// Sleuth Kit run over one partition of them for comparison.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/CommandOutput.h"
#include "support/FixtureScript.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {

namespace fs = std::filesystem;

struct NtfsDiskFile {
  std::string path;
  std::uint64_t size = 0;
  std::string sha256;
  bool deleted = false;
  int partition = 0;
};

struct NtfsDisk {
  std::map<std::string, std::string> facts;
  std::vector<NtfsDiskFile> files;

  long long Fact(const std::string& key) const { return std::stoll(facts.at(key)); }
  const NtfsDiskFile& File(const std::string& path) const {
    for (const NtfsDiskFile& file : files)
      if (file.path == path) return file;
    throw std::out_of_range(path);
  }
};

class NtfsDiskImages {
 public:
  static const NtfsDiskImages& Get() {
    // Destroyed at exit, so the images' folder goes with the test process.
    static const std::unique_ptr<NtfsDiskImages> made = [] {
      std::unique_ptr<NtfsDiskImages> images(new NtfsDiskImages());
      images->m_run = RunFixture("tests/NTFSSearch/make-ntfs-disk-images.sh", {images->m_dir.path().string()});
      return images;
    }();
    return *made;
  }

  const FixtureRun& Run() const { return m_run; }
  fs::path Image(const std::string& name) const { return m_dir / name; }
  NtfsDisk Manifest(const std::string& name) const {
    NtfsDisk disk;
    ReadFixtureManifest(Image(name + ".manifest"), disk.facts, [&](const std::vector<std::string>& f) {
      if (f.size() >= 5) disk.files.push_back({f[0], std::stoull(f[1]), f[2], f[3] == "1", std::stoi(f[4])});
    });
    return disk;
  }

 private:
  NtfsDiskImages() = default;

  TempDir m_dir;
  FixtureRun m_run;
};

inline std::string HashOfFile(const fs::path& path) {
  return fs::is_regular_file(path) ? Sha256Hex(ReadFile(path)) : std::string{};
}

// The deleted files "fls -r -p -o START" lists in the partition at START ("/path" -> deleted), meta files and its
// orphan folder left out.
inline std::map<std::string, bool> SleuthKitNtfsFiles(const fs::path& image, long long start) {
  int status = 0;
  const std::string listing =
      CommandOutput("fls -r -p -o " + std::to_string(start) + " " + ShellQuoted(image.string()) + " 2>&1", status);
  EXPECT_EQ(status, 0) << listing;
  std::map<std::string, bool> files;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || line.size() < 3 || line[2] != 'r') continue;
    const std::string path = "/" + line.substr(tab + 1);
    if (path.find("/$") != std::string::npos || path.find(':') != std::string::npos) continue;
    files[path] = line.find(" * ") != std::string::npos && line.find(" * ") < tab;
  }
  return files;
}

// "tsk_recover -e -o START": every file it can copy out of that partition, into out.
inline void SleuthKitNtfsRecover(const fs::path& image, long long start, const fs::path& out) {
  int status = 0;
  const std::string log = CommandOutput("tsk_recover -e -o " + std::to_string(start) + " " +
                                            ShellQuoted(image.string()) + " " + ShellQuoted(out.string()) + " 2>&1",
                                        status);
  ASSERT_EQ(status, 0) << log;
}

}  // namespace quellsy::test
