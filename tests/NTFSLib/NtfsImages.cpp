#include "NtfsImages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"
#include "support/FixtureScript.h"
#include "support/PublicFixture.h"

namespace quellsy::test {

namespace {
std::vector<NtfsListedName> ReadListing(const std::filesystem::path& path) {
  std::vector<NtfsListedName> names;
  std::ifstream in(path);
  std::string folder;
  std::uint64_t folderNumber = 0;
  std::vector<NtfsListedName> pending;
  const auto flush = [&] {
    for (auto& name : pending) name.parent = folderNumber;
    names.insert(names.end(), pending.begin(), pending.end());
    pending.clear();
  };
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    if (line.front() == '/' && line.back() == ':') {
      flush();
      folder = line.substr(0, line.size() - 1);
      continue;
    }
    const std::size_t digits = line.find_first_not_of(' ');
    const std::size_t space = line.find(' ', digits);
    if (digits == std::string::npos || space == std::string::npos) continue;
    const std::uint64_t number = std::stoull(line.substr(digits, space - digits));
    const std::string name = line.substr(space + 1);
    if (name == ".") folderNumber = number;
    if (name == "." || name == "..") continue;
    pending.push_back({number, 0, name, folder});
  }
  flush();
  return names;
}
}  // namespace

const NtfsManifestFile* NtfsImage::File(const std::string& inside) const {
  const auto it = std::find_if(files.begin(), files.end(), [&](const NtfsManifestFile& f) { return f.path == inside; });
  return it == files.end() ? nullptr : &*it;
}

bool NtfsImage::Fuse() const {
  const auto it = facts.find("fuse");
  return it != facts.end() && it->second == "1";
}

const NtfsImages* NtfsImages::Generated() {
  // Destroyed at exit, so the folder the images were made in goes with the test process.
  static const std::unique_ptr<NtfsImages> images = [] {
    auto made = std::unique_ptr<NtfsImages>(new NtfsImages());
    made->m_root = made->m_dir.path();
    made->m_available = RunFixtureScript("tests/NTFSLib/make-ntfs-images.sh", made->m_dir.path(),
                                         "ntfs-3g tools missing: NTFS images not made", made->m_why);
    return made;
  }();
  return images.get();
}

namespace {
constexpr const char* kSamples[] = {"ntfs-2m.raw.gz", "ntfs-ramslack.raw.gz"};

// The folder's name tells which samples (and which versions of them, by size) it holds.
std::string SampleCacheName() {
  std::string name = "quellsy-ntfs-samples";
  for (const char* sample : kSamples) {
    std::error_code error;
    const auto size = std::filesystem::file_size(PublicFixture(std::string("ntfs-samples/") + sample), error);
    name += "-" + std::to_string(error ? 0 : size);
  }
  return name;
}

// Unpacks the samples into a fresh folder beside final and renames it into place; false (with why) on failure.
bool UnpackSamplesInto(const std::filesystem::path& final, std::string& why) {
  std::string pattern = (final.parent_path() / (final.filename().string() + ".partial-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    why = "cannot make a folder beside " + final.string();
    return false;
  }
  const std::filesystem::path work = pattern;
  std::error_code error;
  bool ok = true;
  for (const char* sample : kSamples) {
    std::filesystem::copy_file(PublicFixture(std::string("ntfs-samples/") + sample), work / sample, error);
    if (error) {
      why = std::string("cannot copy ") + sample + ": " + error.message();
      ok = false;
      break;
    }
  }
  ok = ok && RunFixtureScript("tests/NTFSLib/unpack-ntfs-samples.sh", work,
                              "gzip or ntfs-3g tools missing: NTFS samples not unpacked", why);
  if (ok) {
    for (const char* sample : kSamples) std::filesystem::remove(work / sample, error);
    // Another process may have won the race: its folder is as good as this one.
    std::filesystem::rename(work, final, error);
  }
  std::filesystem::remove_all(work, error);
  return ok || std::filesystem::is_directory(final);
}
}  // namespace

const NtfsImages* NtfsImages::Samples() {
  // Destroyed at exit, so the folder the images were made in goes with the test process.
  static const std::unique_ptr<NtfsImages> images = [] {
    auto made = std::unique_ptr<NtfsImages>(new NtfsImages());
    made->m_root = std::filesystem::temp_directory_path() / SampleCacheName();
    made->m_available = std::filesystem::is_directory(made->m_root) || UnpackSamplesInto(made->m_root, made->m_why);
    return made;
  }();
  return images.get();
}

NtfsImage NtfsImages::Image(const std::string& name) const {
  NtfsImage image;
  image.path = m_root / name;
  ReadFixtureManifest(image.Beside(".manifest"), image.facts, [&](const std::vector<std::string>& fields) {
    if (fields.size() < 5) return;
    image.files.push_back(
        {fields[0], std::stoull(fields[1]), fields[2], fields[3] == "1", std::stoull(fields[4])});
  });
  image.listing = ReadListing(image.Beside(".ls"));
  return image;
}

FileDevice::FileDevice(const std::filesystem::path& path, unsigned sectorSize) : m_sectorSize(sectorSize) {
  m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (m_fd >= 0 && ::fstat(m_fd, &info) == 0) m_totalSectors = info.st_size / sectorSize;
}

FileDevice::~FileDevice() {
  if (m_fd >= 0) ::close(m_fd);
}

bool FileDevice::ReadSector(void* buffer, long long first, long long count) {
  if (buffer == nullptr || first < 0 || count <= 0) return false;
  const auto bytes = static_cast<std::size_t>(count) * m_sectorSize;
  std::memset(buffer, 0, bytes);
  const ssize_t got = ::pread(m_fd, buffer, bytes, static_cast<off_t>(first) * m_sectorSize);
  return got == static_cast<ssize_t>(bytes);
}

NtfsVolume::NtfsVolume(const std::filesystem::path& path, unsigned sectorSize)
    : device(std::make_unique<FileDevice>(path, sectorSize)) {
  std::vector<std::uint8_t> sector(sectorSize);
  if (!device->ReadSector(sector.data(), 0, 1) || !boot.InitFromBuffer(sector)) return;
  geometry.sectorSize = sectorSize;
  geometry.sectorsPerCluster = boot.GetSectorsperCluster();
  geometry.origin = 0;
  geometry.recordSize = boot.GetFileRecordSizeByByte();
  // The $MFT's first record lies at its first cluster; its data runs then locate every other record.
  CNTFSDataRunList first;
  first.AddDataRun({boot.GetMFTStartCluster(), 0, 1 + (geometry.recordSize - 1) / static_cast<std::int64_t>(geometry.ClusterBytes())});
  std::vector<std::uint8_t> bytes;
  if (!ntfs::ReadFileRecord(*device, geometry, first, 0, bytes)) return;
  const CNTFSFileRecord record(bytes);
  std::int64_t realSize = 0;
  if (!CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, mftRuns, true, realSize)) return;
  recordCount = static_cast<std::uint64_t>(realSize) / geometry.recordSize;
  ok = recordCount > 0;
}

std::vector<std::uint8_t> NtfsVolume::Record(std::uint64_t mftNumber) const {
  std::vector<std::uint8_t> bytes;
  ntfs::ReadFileRecord(*device, geometry, mftRuns, mftNumber, bytes);
  return bytes;
}

std::int64_t NtfsVolume::RecordSector(std::uint64_t mftNumber) const {
  return ntfs::FileRecordPosition(geometry, mftRuns, mftNumber) / geometry.sectorSize;
}

}  // namespace quellsy::test
