#pragma once
// The whole-disk images of make-fat-disk-images.sh (FAT partitions made with sfdisk, mkfs.fat --offset and
// mtools, then damaged), made once per test process into a temporary folder, with their manifests:
//   const FatDiskImages* images = FatDiskImages::Get();
//   QUELLSY_REQUIRE_FIXTURE(images->Fixture());

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test {

struct FatDiskFile {
  enum State { kLive = 0, kDeleted = 1, kFormerFormat = 2 };

  long long partitionStart = 0;
  std::string path;  // inside the partition, "/" separated
  std::uint64_t size = 0;
  std::string sha256;
  State state = kLive;
};

struct FatDiskManifest {
  std::map<std::string, std::string> facts;  // "# key=value" lines
  std::vector<FatDiskFile> files;
};

class FatDiskImages {
 public:
  static const FatDiskImages* Get();

  const FixtureRun& Fixture() const { return m_run; }
  std::filesystem::path Image(const std::string& name) const { return m_dir.path() / name; }
  FatDiskManifest Manifest(const std::string& name) const;

 private:
  FatDiskImages();

  TempDir m_dir;
  FixtureRun m_run;
};

}  // namespace quellsy::test
