#include "FatNodeImages.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "FATLib/CFATFileNode.h"
#include "FATLib/CTempFATDBR.h"
#include "FATLib/IFATTableFactory.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {

namespace {

std::vector<std::uint32_t> ParseClusters(const std::string& text) {
  std::vector<std::uint32_t> clusters;
  std::istringstream ranges(text);
  std::string range;
  while (ranges >> range) {
    if (range == "-") continue;
    const std::size_t dash = range.find('-');
    const auto first = static_cast<std::uint32_t>(std::stoul(range.substr(0, dash)));
    const auto last = dash == std::string::npos ? first : static_cast<std::uint32_t>(std::stoul(range.substr(dash + 1)));
    for (std::uint32_t c = first; c <= last; ++c) clusters.push_back(c);
  }
  return clusters;
}

// A name mtools keeps in one 8.3 entry (with lower-case flags) and no long name.
bool IsShortName(const std::string& name) {
  const std::size_t dot = name.find('.');
  const std::string base = name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3 || extension.find('.') != std::string::npos)
    return false;
  for (const std::string& part : {base, extension}) {
    bool lower = false;
    bool upper = false;
    for (const char c : part) {
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
      lower = lower || std::islower(static_cast<unsigned char>(c));
      upper = upper || std::isupper(static_cast<unsigned char>(c));
    }
    if (lower && upper) return false;
  }
  return true;
}

}  // namespace

std::string ShownPath(const std::vector<NodeManifestEntry>& manifest, const std::string& path) {
  std::string shown;
  std::size_t start = 1;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    std::string component = path.substr(start, end - start);
    const std::string prefix = path.substr(0, end);
    const bool deleted = std::any_of(manifest.begin(), manifest.end(),
                                     [&](const NodeManifestEntry& e) { return e.path == prefix && e.deleted; });
    if (deleted && IsShortName(component)) component = "#" + component.substr(1);
    shown += "/" + component;
    start = end + 1;
  }
  return shown;
}

std::string ShownName(const std::vector<NodeManifestEntry>& manifest, const std::string& path) {
  const std::string shown = ShownPath(manifest, path);
  return shown.substr(shown.rfind('/') + 1);
}

const FatNodeImages* FatNodeImages::Get() {
  static const FatNodeImages images;
  return &images;
}

FatNodeImages::FatNodeImages() : m_run(RunFixture("tests/FATLib/make-fat-node-images.sh", {m_dir.path().string()})) {}

std::vector<NodeManifestEntry> FatNodeImages::Manifest(const std::string& name) const {
  std::vector<NodeManifestEntry> entries;
  std::ifstream in(Image(name + ".manifest"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::vector<std::string> columns;
    for (std::string column; std::getline(fields, column, '\t');) columns.push_back(column);
    if (columns.size() < 8) continue;
    NodeManifestEntry entry;
    entry.path = columns[0];
    entry.size = std::stoull(columns[1]);
    entry.sha256 = columns[2];
    entry.deleted = columns[3] == "1";
    entry.folder = columns[4] == "d";
    entry.attribute = static_cast<unsigned>(std::stoul(columns[5], nullptr, 16));
    entry.clusters = ParseClusters(columns[6]);
    if (columns[7] != "-") entry.mtime = std::stoll(columns[7]);
    entries.push_back(entry);
  }
  return entries;
}

NodeManifestEntry FatNodeImages::Entry(const std::string& name, const std::string& path) const {
  for (const NodeManifestEntry& entry : Manifest(name))
    if (entry.path == path) return entry;
  return {};
}

FatVolumeUnderTest::FatVolumeUnderTest(const std::filesystem::path& image)
    : device(std::make_unique<MemoryDevice>(ReadFile(image), 512)) {
  const std::vector<std::uint8_t>& bytes = device->bytes();
  const CTempFATDBR dbr(ByteSpan(bytes).first(512), 512);
  bytesPerSector = 512;
  const std::uint32_t fatArea = std::uint32_t{dbr.GetNumberOfFat()} * dbr.GetSectorsPerFat();
  firstFatSector = dbr.GetReservedSector();
  sectorsPerFat = dbr.GetSectorsPerFat();
  geometry.type = dbr.GetFileSystemType();
  geometry.sectorsPerCluster = dbr.GetSectorsperCluster();
  geometry.rootCluster = dbr.GetRootDirStartCluster();
  geometry.rootStartSector = firstFatSector + fatArea;
  geometry.rootSectorCount = std::uint32_t{dbr.GetRootEntries()} * 32 / bytesPerSector;
  geometry.firstDataSector = geometry.rootStartSector + geometry.rootSectorCount;
  geometry.totalSectors = dbr.GetTotalSectors();
  realTable = IFATTableFactory::CreateFATTable(device.get(), static_cast<std::int64_t>(firstFatSector),
                                               geometry.type, sectorsPerFat, 0, 0);
  overlay.base = realTable;
}

FatVolumeUnderTest::~FatVolumeUnderTest() { IFATTableFactory::DestroyFATTable(realTable); }

std::uint32_t OverlayFatTable::GetNextCluster(std::uint32_t cluster) {
  const auto found = overrides.find(cluster);
  if (found != overrides.end()) return found->second;
  return base != nullptr ? base->GetNextCluster(cluster) : 0;
}

std::uint64_t FatVolumeUnderTest::ClusterOffset(std::uint32_t cluster) const {
  return geometry.ClusterToSector(cluster) * bytesPerSector;
}

std::map<std::string, const RecordingTreeBuilder::Node*> FatWalk::ByPath() const { return NodesByPath(builder); }

std::map<std::string, const RecordingTreeBuilder::Node*> NodesByPath(const RecordingTreeBuilder& builder) {
  std::map<long long, const RecordingTreeBuilder::Node*> folders;
  for (const auto& node : builder.nodes())
    if (node.directory) folders.emplace(node.id, &node);
  std::map<std::string, const RecordingTreeBuilder::Node*> paths;
  for (const auto& node : builder.nodes()) {
    std::string path = "/" + node.name;
    long long parent = node.parentId;
    for (int depth = 0; parent != 0 && depth < 64; ++depth) {
      const auto found = folders.find(parent);
      if (found == folders.end()) {
        path = "/?" + path;
        break;
      }
      path = "/" + found->second->name + path;
      parent = found->second->parentId;
    }
    paths.emplace(path, &node);
  }
  return paths;
}

std::unique_ptr<FatWalk> WalkVolume(FatVolumeUnderTest& volume, const std::string& configFolder,
                                    const std::function<void(CFATBuildChildren&)>& prepare) {
  auto walk = std::make_unique<FatWalk>();
  TempDir emptyConfig;
  const std::string folder = configFolder.empty() ? emptyConfig.path().string() : configFolder;
  CFATBuildChildren children(&walk->builder, nullptr, volume.device.get(), walk->readClusters, walk->folderMap,
                             volume.table, volume.geometry, folder.c_str());
  if (prepare) prepare(children);
  CFATBuildChildren::FolderList folders;
  children.BuildRoot(folders, 1, 1);
  while (!folders.empty()) {
    CFATFileNode* next = folders.front();
    folders.pop_front();
    children.BuildChildren(next, static_cast<std::uint32_t>(next->GetFATFileProperties()->GetFirstCluster()), folders,
                           0, 1);
  }
  return walk;
}

std::vector<std::uint8_t> ReadThroughRuns(const FatVolumeUnderTest& volume, const std::vector<DataRun>& runs,
                                          std::uint64_t size) {
  std::vector<std::uint8_t> data;
  const std::uint64_t clusterBytes = std::uint64_t{volume.geometry.sectorsPerCluster} * volume.bytesPerSector;
  const std::vector<std::uint8_t>& image = volume.device->bytes();
  for (const DataRun& run : runs) {
    const std::uint64_t offset = volume.ClusterOffset(static_cast<std::uint32_t>(run.lcn + 2));
    const std::uint64_t length = static_cast<std::uint64_t>(run.length) * clusterBytes;
    if (offset + length > image.size()) break;
    data.insert(data.end(), image.begin() + static_cast<std::ptrdiff_t>(offset),
                image.begin() + static_cast<std::ptrdiff_t>(offset + length));
  }
  if (data.size() > size) data.resize(size);
  return data;
}

}  // namespace quellsy::test
