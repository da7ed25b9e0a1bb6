#pragma once
// The NTFS volumes the tests read: images made by make-ntfs-images.sh and the Windows-made samples unpacked by
// unpack-ntfs-samples.sh (the images once per test process, the samples once per machine), with their manifests and ntfsls listings; a file-backed
// device over an image; and a volume opened the way the engine opens one (boot sector, then the $MFT's runs).

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "NTFSLib/CNTFSDBR.h"
#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/NTFSStreamReader.h"
#include "include/IStorageDevice.h"
#include "support/TempDir.h"

namespace quellsy::test {

struct NtfsManifestFile {
  std::string path;
  std::uint64_t size = 0;
  std::string sha256;
  bool deleted = false;
  std::uint64_t mftNumber = 0;
};

// One name as ntfsls lists it: the record, the folder it is listed in, and the name.
struct NtfsListedName {
  std::uint64_t mftNumber = 0;
  std::uint64_t parent = 0;
  std::string name;
  std::string folder;
};

struct NtfsImage {
  std::filesystem::path path;
  std::map<std::string, std::string> facts;
  std::vector<NtfsManifestFile> files;
  std::vector<NtfsListedName> listing;

  std::filesystem::path Beside(const std::string& suffix) const { return path.string() + suffix; }
  const NtfsManifestFile* File(const std::string& inside) const;
  bool Fuse() const;
};

class NtfsImages {
 public:
  // The images of make-ntfs-images.sh: "ntfs-512.img" and "ntfs-4k.img".
  static const NtfsImages* Generated();
  // The public Windows-made samples: "ntfs-2m.part" and "ntfs-ramslack.part". Unpacking them takes seconds and
  // a gigabyte, and every test case runs in its own process: they are unpacked once into a folder under the
  // temporary folder named after the samples and their sizes, which appears whole (renamed into place) or not
  // at all, so parallel test processes share it without racing.
  static const NtfsImages* Samples();

  bool Available() const { return m_available; }
  const std::string& Why() const { return m_why; }
  NtfsImage Image(const std::string& name) const;

 private:
  NtfsImages() = default;

  TempDir m_dir;
  std::filesystem::path m_root;
  bool m_available = false;
  std::string m_why;
};

// An image file read with pread, at a chosen sector size.
class FileDevice : public IStorageDevice {
 public:
  FileDevice(const std::filesystem::path& path, unsigned sectorSize);
  ~FileDevice() override;
  FileDevice(const FileDevice&) = delete;
  FileDevice& operator=(const FileDevice&) = delete;

  bool Open(char*) override { return m_fd >= 0; }
  bool Close() override { return true; }
  bool ReadSector(void* buffer, long long first, long long count) override;
  unsigned GetSectorSize() override { return m_sectorSize; }
  long long GetTotalSectors() override { return m_totalSectors; }
  bool IOCtl(unsigned long long, void*) override { return false; }
  IStorageDeviceData* GetPrivateData() override { return nullptr; }
  void SetPrivateData(IStorageDeviceData*) override {}
  int GetType() override { return STORAGE_DEVICE_VOLUME; }
  unsigned long long GetLastError() override { return 0; }

 private:
  int m_fd = -1;
  unsigned m_sectorSize;
  long long m_totalSectors = 0;
};

// A volume opened from its boot sector at sector 0: geometry, the $MFT's runs and its record count.
struct NtfsVolume {
  NtfsVolume(const std::filesystem::path& path, unsigned sectorSize);

  bool ok = false;
  std::unique_ptr<FileDevice> device;
  CNTFSDBR boot;
  NTFSVolumeGeometry geometry;
  CNTFSDataRunList mftRuns;
  std::uint64_t recordCount = 0;

  std::vector<std::uint8_t> Record(std::uint64_t mftNumber) const;
  std::int64_t RecordSector(std::uint64_t mftNumber) const;
};

}  // namespace quellsy::test
