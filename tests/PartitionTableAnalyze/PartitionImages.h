#pragma once
// The images of make-partition-images.sh, made once per test process, and disk devices over image
// files:
//   const auto& images = PartitionImages::Get();
//   QUELLSY_REQUIRE_FIXTURE(images.Fixture());

#include <filesystem>
#include <fstream>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "PartitionTableAnalyze/PartitionEntry.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/DiskDevice.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test {

struct LayoutEntry {
  int index = 0;
  std::uint64_t start = 0;
  std::uint64_t count = 0;
  bool operator==(const LayoutEntry&) const = default;
};

inline std::vector<LayoutEntry> LayoutOf(const std::list<PartitionEntry>& entries) {
  std::vector<LayoutEntry> layout;
  for (const auto& e : entries) layout.push_back({e.index, e.startSector, e.sectorCount});
  return layout;
}

// A layout file the image scripts write: "index start count" per partition.
inline std::vector<LayoutEntry> ReadLayout(const std::filesystem::path& file) {
  std::vector<LayoutEntry> layout;
  std::ifstream in(file);
  LayoutEntry entry;
  while (in >> entry.index >> entry.start >> entry.count) layout.push_back(entry);
  return layout;
}

inline void PrintTo(const LayoutEntry& e, std::ostream* os) { *os << "{" << e.index << ", " << e.start << ", " << e.count << "}"; }

class PartitionImages {
 public:
  static const PartitionImages& Get() {
    static const PartitionImages images;
    return images;
  }

  const FixtureRun& Fixture() const { return run_; }
  std::filesystem::path Image(const std::string& name) const { return dir_.path() / name; }
  // What the tools were told to make: IMAGE.layout.
  std::vector<LayoutEntry> Layout(const std::string& name) const { return ReadLayout(Image(name + ".layout")); }

 private:
  PartitionImages() : run_(RunFixture("tests/PartitionTableAnalyze/make-partition-images.sh", {dir_.path().string()})) {}

  TempDir dir_;
  FixtureRun run_;
};

// A whole-disk device over an image file, described as a disk of `sectorSize`-byte sectors.
inline std::unique_ptr<CDiskDevice> OpenImageDisk(const std::filesystem::path& image, unsigned sectorSize = 512) {
  auto disk = std::make_unique<CDiskDevice>(image.c_str());
  if (!disk->Open(nullptr)) return nullptr;
  auto* record = new CCollectDiskDeviceInfoStruct;
  record->sectorSize = sectorSize;
  record->totalSectors = std::filesystem::file_size(image) / sectorSize;
  disk->SetPrivateData(CreateDiskDeviceData(record));
  return disk;
}

}  // namespace quellsy::test
