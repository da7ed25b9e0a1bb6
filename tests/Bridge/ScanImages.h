#pragma once
// The images of make-scan-images.sh, made once per test process, and the device lists the scan and recovery
// driver tests scan them through: a FAT volume alone, or the three-volume MBR disk with its volumes.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FakeEnumDeviceEx.h"
#include "include/IFileNode.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test {

struct ScanManifestEntry {
  std::string path;  // inside the volume, "/" separated
  std::uint64_t size = 0;
  std::string sha256;
  bool deleted = false;
  int year = 0;
  int month = 0;  // of the modification time
};

class ScanImages {
 public:
  static const ScanImages* Get();
  const FixtureRun& Fixture() const { return m_run; }
  std::vector<ScanManifestEntry> FatManifest() const;
  std::vector<std::uint8_t> Bytes(const std::string& name) const;
  // The FAT volume as the only volume of a disk, recorded with the file-system type given.
  FakeDisk FatVolumeDisk(enumFILE_SYSTEM_TYPE recorded) const;
  // The MBR disk: FAT16, exFAT and NTFS volumes in partition order.
  FakeDisk ThreeVolumeDisk() const;

 private:
  ScanImages();
  TempDir m_dir;
  FixtureRun m_run;
};

// The node's path below its file-system root ("/docs/report.txt").
std::string PathInVolume(IFileNode* node);

// The found file of a manifest entry among files by PathInVolume; a deleted entry's name has lost its first
// character. Null when absent.
IFileNode* FindFound(const std::map<std::string, IFileNode*>& files, const ScanManifestEntry& entry);

}  // namespace quellsy::test
