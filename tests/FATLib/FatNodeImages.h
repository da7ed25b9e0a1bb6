#pragma once
// The images of make-fat-node-images.sh (made once per test process), their manifests, and a walk of a whole
// volume through CFATBuildChildren the way the quick scan walks it: the root, then every folder found,
// breadth first.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FATLib/CFATBuildChildren.h"
#include "FATLib/FATBuildGeometry.h"
#include "FATLib/IFATTable.h"
#include "support/FixtureScript.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"
#include "support/TempDir.h"

namespace quellsy::test {

struct NodeManifestEntry {
  std::string path;
  std::uint64_t size = 0;
  std::string sha256;
  bool deleted = false;
  bool folder = false;
  unsigned attribute = 0;
  std::vector<std::uint32_t> clusters;  // the chain as mshowfat gave it before any deletion
  std::optional<std::int64_t> mtime;   // Unix seconds

  std::uint32_t FirstCluster() const { return clusters.empty() ? 0 : clusters.front(); }
  std::string Name() const { return path.substr(path.rfind('/') + 1); }
  std::string Parent() const { return path.substr(0, path.rfind('/')); }
};

// How the walk names an entry: a deleted entry without a long name lost its first character to the erase
// mark, shown as "#".
std::string ShownPath(const std::vector<NodeManifestEntry>& manifest, const std::string& path);
std::string ShownName(const std::vector<NodeManifestEntry>& manifest, const std::string& path);

// The image's table with some entries answered differently (a looping chain the table checks would refuse).
class OverlayFatTable : public IFATTable {
 public:
  std::uint32_t GetNextCluster(std::uint32_t cluster) override;

  IFATTable* base = nullptr;
  std::map<std::uint32_t, std::uint32_t> overrides;
};

class FatNodeImages {
 public:
  static const FatNodeImages* Get();

  const FixtureRun& Fixture() const { return m_run; }
  std::filesystem::path Image(const std::string& name) const { return m_dir.path() / name; }
  std::vector<NodeManifestEntry> Manifest(const std::string& name) const;
  NodeManifestEntry Entry(const std::string& name, const std::string& path) const;

 private:
  FatNodeImages();

  TempDir m_dir;
  FixtureRun m_run;
};

// A FAT volume image opened as an in-memory device, with its table and geometry from its boot sector.
struct FatVolumeUnderTest {
  explicit FatVolumeUnderTest(const std::filesystem::path& image);
  FatVolumeUnderTest(const FatVolumeUnderTest&) = delete;
  FatVolumeUnderTest& operator=(const FatVolumeUnderTest&) = delete;
  ~FatVolumeUnderTest();

  // Offset in the image of a cluster's first byte.
  std::uint64_t ClusterOffset(std::uint32_t cluster) const;
  // Answers value for the cluster's next cluster from now on.
  void SetFatEntry(std::uint32_t cluster, std::uint32_t value) { overlay.overrides[cluster] = value; }

  std::unique_ptr<MemoryDevice> device;
  IFATTable* realTable = nullptr;
  OverlayFatTable overlay;
  IFATTable* table = &overlay;
  FATBuildGeometry geometry;
  std::uint32_t bytesPerSector = 512;
  std::uint64_t firstFatSector = 0;
  std::uint32_t sectorsPerFat = 0;
};

// Everything one walk of a volume delivered.
struct FatWalk {
  RecordingTreeBuilder builder;
  CFATClusterSet readClusters;
  std::map<std::uint64_t, CFATFileNode*> folderMap;

  // Full paths ("/docs/README.TXT") of the nodes the builder took, through their folders' IDs; a node under a
  // folder that was not delivered gets "?" for it.
  std::map<std::string, const RecordingTreeBuilder::Node*> ByPath() const;
};

// The same for any builder that took FAT nodes.
std::map<std::string, const RecordingTreeBuilder::Node*> NodesByPath(const RecordingTreeBuilder& builder);

// Walks the whole volume (root, then folders breadth first); prepare (when given) adjusts the walker first.
// configFolder holds UIConfig.ini (an empty folder, so the repair is on, when empty).
std::unique_ptr<FatWalk> WalkVolume(FatVolumeUnderTest& volume, const std::string& configFolder = {},
                                    const std::function<void(CFATBuildChildren&)>& prepare = {});

// The bytes a node's runs cover on the device, cut to its size.
std::vector<std::uint8_t> ReadThroughRuns(const FatVolumeUnderTest& volume, const std::vector<DataRun>& runs,
                                          std::uint64_t size);

}  // namespace quellsy::test
