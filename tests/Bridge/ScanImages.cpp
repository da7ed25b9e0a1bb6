#include "ScanImages.h"

#include <fstream>
#include <map>
#include <iterator>
#include <sstream>

namespace quellsy::test {

const ScanImages* ScanImages::Get() {
  static const ScanImages images;
  return &images;
}

ScanImages::ScanImages() : m_run(RunFixture("tests/Bridge/make-scan-images.sh", {m_dir.path().string()})) {}

std::vector<ScanManifestEntry> ScanImages::FatManifest() const {
  std::vector<ScanManifestEntry> entries;
  std::map<std::string, std::string> facts;
  ReadFixtureManifest(m_dir.path() / "fat.img.manifest", facts, [&](const std::vector<std::string>& fields) {
    if (fields.size() < 5) return;
    ScanManifestEntry entry{fields[0], std::stoull(fields[1]), fields[2], fields[3] == "1", 0, 0};
    entry.year = std::stoi(fields[4].substr(0, 4));
    entry.month = std::stoi(fields[4].substr(5, 2));
    entries.push_back(entry);
  });
  return entries;
}

std::vector<std::uint8_t> ScanImages::Bytes(const std::string& name) const {
  std::ifstream in(m_dir.path() / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

FakeDisk ScanImages::FatVolumeDisk(enumFILE_SYSTEM_TYPE recorded) const {
  FakeDisk disk{"Test Disk", "sdz", 1, DISK_BUS_SATA, 0, {}, {}};
  FakeVolume volume{"SCANVOL", recorded, {}, "", 0, Bytes("fat.img")};
  volume.sectors = static_cast<long long>(volume.bytes.size() / 512);
  disk.sectors = volume.sectors + 2048;
  disk.volumes.push_back(volume);
  return disk;
}

FakeDisk ScanImages::ThreeVolumeDisk() const {
  FakeDisk disk{"Three Volumes", "sdy", 1, DISK_BUS_SATA, 0, {}, Bytes("disk.img")};
  disk.sectors = static_cast<long long>(disk.bytes.size() / 512);
  std::ifstream layout(m_dir.path() / "disk.layout");
  const std::map<std::string, std::pair<std::string, enumFILE_SYSTEM_TYPE>> kinds = {
      {"fat", {"SCANVOL", FILE_SYSTEM_FAT16}}, {"exfat", {"EXVOL", FILE_SYSTEM_EXFAT}},
      {"ntfs", {"NTVOL", FILE_SYSTEM_NTFS}}};
  std::string kind;
  long long start = 0;
  long long sectors = 0;
  while (layout >> kind >> start >> sectors) {
    const auto begin = disk.bytes.begin() + start * 512;
    FakeVolume volume{kinds.at(kind).first, kinds.at(kind).second, {}, "", sectors,
                      std::vector<std::uint8_t>(begin, begin + sectors * 512)};
    disk.volumes.push_back(volume);
  }
  return disk;
}

std::string PathInVolume(IFileNode* node) {
  std::string path;
  for (int climb = 0; node && node->GetParent() && climb < 1024; ++climb, node = node->GetParent())
    path = "/" + std::string(node->GetFileName()) + path;
  return path;
}

IFileNode* FindFound(const std::map<std::string, IFileNode*>& files, const ScanManifestEntry& entry) {
  if (!entry.deleted) {
    const auto found = files.find(entry.path);
    return found == files.end() ? nullptr : found->second;
  }
  const std::size_t first = entry.path.rfind('/') + 1;
  for (const auto& [path, node] : files)
    if (path.size() == entry.path.size() && path.compare(0, first, entry.path, 0, first) == 0 &&
        path.compare(first + 1, std::string::npos, entry.path, first + 1, std::string::npos) == 0)
      return node;
  return nullptr;
}

}  // namespace quellsy::test
