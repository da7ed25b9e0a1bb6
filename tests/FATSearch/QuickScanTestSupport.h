#pragma once
// What the FAT quick-scan tests share: the FAT test images and their expected files, a FAT image as a volume
// device with the record enumeration would give it, and a progress sink that records every report and can ask
// to stop. NodesByPath (FATLib/FatNodeImages.h) gives the delivered nodes by full path.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "StorageDevice/DeviceDataHolder.h"
#include "include/IProgress.h"
#include "support/FixtureScript.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"
#include "support/TempDir.h"

namespace quellsy::test {

// A file the scan should find, with the path the scan shows: a deleted entry without a long name lost its first
// character to the erase mark ("#").
struct ExpectedFile {
  std::string path;
  std::string shownPath;
  std::uint64_t size = 0;
  std::string sha256;
  bool deleted = false;
};

// The images of make-fat-images.sh ("fat16.img", ...) and make-fat-node-images.sh ("nodes16.img", ...), each
// made once per process; FatTestFixture tells whether the script that makes it ran.
std::filesystem::path FatTestImage(const std::string& name);
const FixtureRun& FatTestFixture(const std::string& name);
// The files of the image's manifest.
std::vector<ExpectedFile> ExpectedFiles(const std::string& name);

// A volume device over an image's bytes, whose record names the file system type.
struct QuickVolume {
  QuickVolume(std::vector<std::uint8_t> bytes, enumFILE_SYSTEM_TYPE type, unsigned sectorSize = 512,
              int deviceType = STORAGE_DEVICE_VOLUME)
      : device(std::move(bytes), sectorSize, deviceType) {
    auto* record = new CCollectedVolumeDeviceInfoStruct;
    record->fileSystemType = type;
    record->sectorSize = sectorSize;
    holder = std::make_unique<CVolumeDeviceData>(record);
    device.SetPrivateData(holder.get());
  }
  QuickVolume(const std::filesystem::path& image, enumFILE_SYSTEM_TYPE type, unsigned sectorSize = 512)
      : QuickVolume(ReadFile(image), type, sectorSize) {}

  MemoryDevice device;
  std::unique_ptr<CVolumeDeviceData> holder;
};

// Records every report; Continued answers 0 once it has been asked stopAfter times (never when negative).
class RecordingProgress : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO* info) override { reports.push_back(*info); }
  int Continued() override { return stopAfter < 0 || asked++ < stopAfter ? 1 : 0; }
  int shouldBuild() override { return 1; }

  int stopAfter = -1;
  int asked = 0;
  std::vector<_PROGRESS_INFO> reports;
};

}  // namespace quellsy::test
