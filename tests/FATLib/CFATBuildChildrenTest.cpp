// Folder parsing over mtools images (and byte-patched copies): nodes against the manifest, the folder rules,
// and the FAT32 repair of deleted entries whose high cluster word was cleared.

#include <gtest/gtest.h>

#include <cstring>

#include "FATLib/CEmptyFileVirtualClusterNum.h"
#include "FATLib/CFATBuildChildren.h"
#include "FATLib/CFATFileNode.h"
#include "FatNodeImages.h"
#include "FatTestBytes.h"
#include "RAWSearch/Framework/IRawFileAnalyser.h"
#include "RAWSearch/Framework/RawFileType.h"
#include "ScopedTimeZone.h"
#include "Utility/TimeUtil.h"
#include "support/Sha256.h"

namespace quellsy::test {
namespace {

class FatImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    images = FatNodeImages::Get();
    QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  }

  const FatNodeImages* images = nullptr;
  // The images were written with UTC as local time.
  ScopedTimeZone m_zone{"UTC"};
};

// UIConfig.ini with the repair switch set to value.
void WriteReviseSwitch(const TempDir& folder, const std::string& value) {
  const std::string text = "[UserExperience]\nbRevise=" + value + "\n";
  WriteFile(folder / "UIConfig.ini", std::vector<std::uint8_t>(text.begin(), text.end()));
}

// A folder node as the walk would have queued it.
CFATFileNode* FolderNode(const char* name, std::uint32_t cluster, std::uint32_t parent, std::uint8_t state = 0) {
  auto* node = new CFATFileNode();
  auto* properties = new CFATFileProperties();
  properties->SetFileName(name);
  properties->SetAttribute(0x10);
  properties->SetFirstCluster(cluster);
  properties->SetParentFirstCluster(parent);
  properties->SetState(state);
  node->SetFileProperties(properties);
  return node;
}

TEST_F(FatImagesTest, OneFolderMatchesTheManifest) {
  FatVolumeUnderTest volume(images->Image("nodes16.img"));
  const NodeManifestEntry docs = images->Entry("nodes16.img", "/docs");
  FatWalk walk;
  CFATBuildChildren children(&walk.builder, nullptr, volume.device.get(), walk.readClusters, walk.folderMap,
                             volume.table, volume.geometry);
  EXPECT_FALSE(children.IsReviseOn());
  GetEmptyFileVirtualClusterNumObject().ResetVirtualClusterNum();
  std::unique_ptr<CFATFileNode> parent(FolderNode("docs", docs.FirstCluster(), 0));
  CFATBuildChildren::FolderList folders;
  EXPECT_EQ(children.BuildChildren(parent.get(), docs.FirstCluster(), folders, 0, 1), 1);

  const std::vector<NodeManifestEntry> manifest = images->Manifest("nodes16.img");
  std::vector<NodeManifestEntry> expected;
  for (const NodeManifestEntry& entry : manifest)
    if (entry.Parent() == "/docs") expected.push_back(entry);
  ASSERT_EQ(walk.builder.nodes().size(), expected.size());
  std::uint64_t nextVirtual = CEmptyFileVirtualClusterNum::kFirst;
  for (const NodeManifestEntry& entry : expected) {
    SCOPED_TRACE(entry.path);
    const auto* recorded = walk.builder.Find(ShownName(manifest, entry.path));
    ASSERT_NE(recorded, nullptr);
    auto* node = dynamic_cast<CFATFileNode*>(recorded->node);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetFileSize(), static_cast<long long>(entry.size));
    EXPECT_EQ(node->GetAttribute(), entry.attribute);
    EXPECT_EQ(node->IsDirectory() != 0, entry.folder);
    EXPECT_EQ(node->IsDeleted() != 0, entry.deleted);
    EXPECT_EQ(node->GetParentNodeID(), docs.FirstCluster());
    EXPECT_EQ(node->GetSearcheType(), SEARCHER_FAT);
    EXPECT_EQ(node->GetMetadataStartPosition(), static_cast<long long>(volume.geometry.ClusterToSector(docs.FirstCluster())));
    if (entry.clusters.empty())
      EXPECT_EQ(node->GetCurrentNodeID(), static_cast<long long>(nextVirtual++));  // empty files, in order met
    else
      EXPECT_EQ(node->GetCurrentNodeID(), entry.FirstCluster());
    if (entry.mtime) {
      const std::uint64_t modified = UnixSecondsToFileTime(*entry.mtime);
      EXPECT_EQ(node->GetModificationTime(), modified);
      EXPECT_EQ(node->GetCreationTime(), modified);
      EXPECT_EQ(node->GetLastAccessTime(), UnixSecondsToFileTime(*entry.mtime - *entry.mtime % 86400));
    }
  }
  // Folders come back for the walk, files do not.
  ASSERT_EQ(folders.size(), 1u);
  EXPECT_STREQ(folders.front()->GetFileName(), "#ld");
  EXPECT_EQ(walk.folderMap.count(images->Entry("nodes16.img", "/docs/old").FirstCluster()), 1u);
}

TEST_F(FatImagesTest, WholeVolumeWalkFindsEveryEntryWithItsData) {
  FatVolumeUnderTest volume(images->Image("nodes16.img"));
  const auto walk = WalkVolume(volume);
  const auto paths = walk->ByPath();
  const std::vector<NodeManifestEntry> manifest = images->Manifest("nodes16.img");
  for (const NodeManifestEntry& entry : manifest) {
    SCOPED_TRACE(entry.path);
    const auto found = paths.find(ShownPath(manifest, entry.path));
    ASSERT_NE(found, paths.end());
    const auto& node = *found->second;
    EXPECT_EQ(node.deleted, entry.deleted);
    if (entry.folder || entry.size == 0) continue;
    EXPECT_EQ(node.id, entry.FirstCluster());
    // Live files through their chains; deleted ones whose clusters were not reused through the next clusters.
    const bool reused = entry.path.rfind("/frag/piece", 0) == 0 && entry.deleted;
    if (!reused) {
      EXPECT_EQ(Sha256Hex(ReadThroughRuns(volume, node.runs, entry.size)), entry.sha256);
    }
  }
  EXPECT_EQ(paths.size(), manifest.size());
}

// The first byte of a cluster's entry in the image.
std::uint8_t& EntryByte(FatVolumeUnderTest& volume, std::uint32_t cluster, std::size_t entry, std::size_t byte) {
  return volume.device->bytes()[volume.ClusterOffset(cluster) + entry * 32 + byte];
}

TEST_F(FatImagesTest, FolderRules) {
  const std::uint32_t docs = images->Entry("nodes16.img", "/docs").FirstCluster();
  const std::uint32_t fragdir = images->Entry("nodes16.img", "/fragdir").FirstCluster();
  const std::uint32_t fragdirSecond = images->Entry("nodes16.img", "/fragdir/after the split.txt").FirstCluster() - 1;
  struct Case {
    const char* label;
    std::uint32_t folder;
    std::function<void(FatVolumeUnderTest&)> damage;
    int result;
    std::vector<std::string> names;
  };
  const std::vector<std::string> firstCluster = {"fragdir file 01.txt", "fragdir file 02.txt", "fragdir file 03.txt",
                                                 "fragdir file 04.txt", "SHORT.TXT"};
  std::vector<std::string> both = firstCluster;
  both.insert(both.end(), {"Straddling 1\xF0\x9F\x98\x80name.txt", "after the split.txt"});
  const Case cases[] = {
      {"fragmented folder with a long name across the split", fragdir, {}, 1, both},
      {"no \".\" entry: nothing", docs, [&](FatVolumeUnderTest& v) { EntryByte(v, docs, 0, 0) = 'X'; }, 0, {}},
      {"no \"..\" entry: nothing", docs, [&](FatVolumeUnderTest& v) { EntryByte(v, docs, 1, 1) = 'X'; }, 0, {}},
      {"chain back to its first cluster ends the folder", fragdir,
       [&](FatVolumeUnderTest& v) { v.SetFatEntry(fragdirSecond, fragdir); }, 0, both},
      {"chain to itself ends after one read; the open long name is dropped", fragdir,
       [&](FatVolumeUnderTest& v) { v.SetFatEntry(fragdir, fragdir); }, 0, firstCluster},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FatVolumeUnderTest volume(images->Image("nodes16.img"));
    if (c.damage) c.damage(volume);
    FatWalk walk;
    CFATBuildChildren children(&walk.builder, nullptr, volume.device.get(), walk.readClusters, walk.folderMap,
                               volume.table, volume.geometry);
    std::unique_ptr<CFATFileNode> parent(FolderNode("dir", c.folder, 0));
    CFATBuildChildren::FolderList folders;
    EXPECT_EQ(children.BuildChildren(parent.get(), c.folder, folders, 0, 1), c.result);
    std::vector<std::string> names;
    for (const auto& node : walk.builder.nodes()) names.push_back(node.name);
    EXPECT_EQ(names, c.names);
  }
}

TEST_F(FatImagesTest, RootMustNotStartLikeASubFolder) {
  FatVolumeUnderTest volume(images->Image("nodes32.img"));
  const std::uint32_t root = volume.geometry.rootCluster;
  const auto dot = MakeEntry({".          ", 0x10, root, 0});
  const auto dotDot = MakeEntry({"..         ", 0x10, 0, 0});
  std::copy(dot.begin(), dot.end(), volume.device->bytes().begin() + static_cast<std::ptrdiff_t>(volume.ClusterOffset(root)));
  std::copy(dotDot.begin(), dotDot.end(),
            volume.device->bytes().begin() + static_cast<std::ptrdiff_t>(volume.ClusterOffset(root) + 32));
  FatWalk walk;
  CFATBuildChildren children(&walk.builder, nullptr, volume.device.get(), walk.readClusters, walk.folderMap,
                             volume.table, volume.geometry);
  CFATBuildChildren::FolderList folders;
  EXPECT_EQ(children.BuildRoot(folders, 1, 1), 0);
  EXPECT_TRUE(walk.builder.nodes().empty());
  EXPECT_EQ(children.BuildRoot(folders, 1, 0), 0);
}

TEST(CFATBuildChildrenBufferTest, EntryRulesOfOneBuffer) {
  MemoryDevice device(std::int64_t{4096}, 512);
  FATBuildGeometry geometry;
  geometry.type = FILE_SYSTEM_FAT16;
  geometry.sectorsPerCluster = 1;
  geometry.firstDataSector = 100;
  geometry.totalSectors = 4096;
  struct Case {
    const char* label;
    std::vector<std::array<std::uint8_t, 32>> entries;
    int stopOnInvalid;
    bool refuse;
    long long result;
    std::size_t nodes;
  };
  const auto file = MakeEntry({"FILE    TXT", 0x20, 50, 100});
  const auto dir = MakeEntry({"SUB        ", 0x10, 60, 0});
  const auto dot = MakeEntry({".          ", 0x10, 7, 0});
  const auto dotDot = MakeEntry({"..         ", 0x10, 0, 0});
  const auto far = MakeEntry({"FAR     BIN", 0x20, 100000, 100});
  const auto own = MakeEntry({"OWN     BIN", 0x20, 7, 100});
  std::array<std::uint8_t, 32> invalid{};
  invalid[0] = 'A';
  invalid[11] = 0x40;
  const auto piece = MakeLongNameEntry(0x41, u"open");
  const Case cases[] = {
      {"third dot entry", {dot, dotDot, dot, file}, 0, false, -1, 0},
      {"two dot entries, a file and a folder", {dot, dotDot, file, dir}, 0, false, 128, 2},
      {"cluster past the partition is skipped", {far, file}, 0, false, 64, 1},
      {"cluster past the partition ends a stopping walk", {far, file}, 1, false, 64, 0},
      {"invalid entry ends a stopping walk", {file, invalid, dir}, 1, false, 96, 1},
      {"invalid entry is passed over", {file, invalid, dir}, 0, false, 96, 2},
      {"the folder's own cluster is skipped", {own, file}, 0, false, 64, 1},
      {"an open long-name run is where the walk stops", {file, piece}, 0, false, 32, 1},
      {"refused nodes are not queued", {file, dir}, 0, true, 64, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RecordingTreeBuilder builder;
    builder.RefuseNodes(c.refuse);
    CFATClusterSet read;
    std::map<std::uint64_t, CFATFileNode*> folderMap;
    CFATBuildChildren children(&builder, nullptr, &device, read, folderMap, nullptr, geometry);
    std::vector<std::uint8_t> buffer;
    for (const auto& entry : c.entries) buffer.insert(buffer.end(), entry.begin(), entry.end());
    std::unique_ptr<CFATFileNode> parent(FolderNode("dir", 7, 0));
    CFATBuildChildren::FolderList folders;
    EXPECT_EQ(children.BuildChildrenFromBuffer(buffer, parent.get(), folders, c.stopOnInvalid, 1), c.result);
    EXPECT_EQ(builder.nodes().size(), c.nodes);
    if (c.refuse) {
      EXPECT_TRUE(folders.empty() && folderMap.empty());
    }
  }
}

TEST(CFATBuildChildrenBufferTest, ParentMustBeAFatFolderNode) {
  MemoryDevice device(std::int64_t{64}, 512);
  FATBuildGeometry geometry;
  geometry.type = FILE_SYSTEM_FAT16;
  geometry.sectorsPerCluster = 1;
  RecordingTreeBuilder builder;
  CFATClusterSet read;
  std::map<std::uint64_t, CFATFileNode*> folderMap;
  CFATBuildChildren children(&builder, nullptr, &device, read, folderMap, nullptr, geometry);
  std::vector<std::uint8_t> buffer(64, 0);
  CFATFileNode bare;
  CFATBuildChildren::FolderList folders;
  EXPECT_EQ(children.BuildChildrenFromBuffer(buffer, &bare, folders, 0, 1), -1);
}

// Recognises the notes file's content, which no real analyser knows.
class NotesAnalyser : public IRawFileAnalyser {
 public:
  NotesAnalyser() : IRawFileAnalyser(RAW_FILE_TYPE_NONE) {}
  int GetRawFileSize(CRawFileInfo&, IStorageDevice*) override { return 0; }
  int AnalyseBuffer(unsigned char* sector, CRawFileInfo&) override {
    return std::memcmp(sector, "/notes.xyz", 10) == 0 ? 1 : 0;
  }
};

TEST_F(FatImagesTest, Fat32RepairOfClearedHighWords) {
  const std::vector<std::string> paths = {"/notes.xyz", "/photo.jpg", "/gone", "/gone/inner.txt",
                                          "/high/victim.dat"};
  std::map<std::string, std::uint32_t> real;
  for (const std::string& path : paths) real[path] = images->Entry("nodes32.img", path).FirstCluster();
  for (const auto& [path, cluster] : real) ASSERT_GT(cluster, 0x10000u) << path;
  auto low = [&](const std::string& path) { return real[path] & 0xFFFF; };

  FatVolumeUnderTest probe(images->Image("nodes32.img"));
  const auto sectorOf = [&](const std::string& path) {
    return static_cast<long long>(probe.geometry.ClusterToSector(real[path]));
  };
  const std::map<long long, unsigned int> jpegAtPhoto = {{sectorOf("/photo.jpg"), RAW_FILE_TYPE_JPG}};
  const std::map<long long, unsigned int> jpegAtNotes = {{sectorOf("/notes.xyz"), RAW_FILE_TYPE_JPG}};
  NotesAnalyser notes;
  const CRawFileAnalyserListSingle::AnalyserList fakeList = {&notes};

  TempDir reviseOff;
  WriteReviseSwitch(reviseOff, "0");
  struct Case {
    const char* label;
    std::string config;
    std::function<void(CFATBuildChildren&)> prepare;
    std::map<std::string, std::uint32_t> ids;
  };
  const Case cases[] = {
      {"real analysers: the JPEG and the folders; nothing knows the notes",
       {},
       {},
       {{"/notes.xyz", low("/notes.xyz")}, {"/photo.jpg", real["/photo.jpg"]}, {"/gone", real["/gone"]},
        {"/gone/inner.txt", real["/gone/inner.txt"]}, {"/high/victim.dat", real["/high/victim.dat"]}}},
      {"an analyser that knows the notes",
       {},
       [&](CFATBuildChildren& c) { c.ContentTest().SetAnalysers(fakeList, {}, {}); },
       real},
      {"bRevise=0 changes nothing",
       reviseOff.path().string(),
       {},
       {{"/notes.xyz", low("/notes.xyz")}, {"/photo.jpg", low("/photo.jpg")}, {"/gone", low("/gone")},
        {"/gone/inner.txt", low("/gone/inner.txt")}, {"/high/victim.dat", low("/high/victim.dat")}}},
      {"complete search: the sector map says JPEG at the photo",
       {},
       [&](CFATBuildChildren& c) {
         c.SetQuickScan(true);
         c.SetFileSectorMap(&jpegAtPhoto);
       },
       {{"/notes.xyz", low("/notes.xyz")}, {"/photo.jpg", real["/photo.jpg"]}, {"/gone", real["/gone"]},
        {"/gone/inner.txt", real["/gone/inner.txt"]}, {"/high/victim.dat", real["/high/victim.dat"]}}},
      {"complete search: a JPEG where the notes are is not the notes",
       {},
       [&](CFATBuildChildren& c) {
         c.SetQuickScan(true);
         c.SetFileSectorMap(&jpegAtNotes);
       },
       {{"/notes.xyz", low("/notes.xyz")}, {"/photo.jpg", low("/photo.jpg")}, {"/gone", real["/gone"]},
        {"/gone/inner.txt", real["/gone/inner.txt"]}, {"/high/victim.dat", real["/high/victim.dat"]}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FatVolumeUnderTest volume(images->Image("nodes32.img"));
    const auto walk = WalkVolume(volume, c.config, c.prepare);
    const auto byPath = walk->ByPath();
    const std::vector<NodeManifestEntry> manifest = images->Manifest("nodes32.img");
    for (const auto& [path, id] : c.ids) {
      SCOPED_TRACE(path);
      // A folder whose cluster was not found takes its children out of reach.
      const std::string shown = ShownPath(manifest, path);
      const bool reachable = byPath.count(shown) != 0;
      if (path == "/gone/inner.txt" && id == low(path)) {
        EXPECT_FALSE(reachable);
        continue;
      }
      ASSERT_TRUE(reachable);
      const auto& node = *byPath.at(shown);
      EXPECT_TRUE(node.deleted);
      EXPECT_EQ(node.id, id);
      const NodeManifestEntry entry = images->Entry("nodes32.img", path);
      if (id == real[path] && !entry.folder) {
        EXPECT_EQ(Sha256Hex(ReadThroughRuns(volume, node.runs, entry.size)), entry.sha256);
      }
    }
    // Live entries keep their clusters whatever the repair does.
    EXPECT_EQ(byPath.at("/high/keep.txt")->id, images->Entry("nodes32.img", "/high/keep.txt").FirstCluster());
  }
}

TEST_F(FatImagesTest, Fat16IsNeverRepaired) {
  TempDir reviseOn;
  WriteReviseSwitch(reviseOn, "1");
  FatVolumeUnderTest volume(images->Image("nodes16.img"));
  FatWalk walk;
  CFATBuildChildren children(&walk.builder, nullptr, volume.device.get(), walk.readClusters, walk.folderMap,
                             volume.table, volume.geometry, reviseOn.path().string().c_str());
  EXPECT_FALSE(children.IsReviseOn());
  FatVolumeUnderTest volume32(images->Image("nodes32.img"));
  CFATBuildChildren children32(&walk.builder, nullptr, volume32.device.get(), walk.readClusters, walk.folderMap,
                               volume32.table, volume32.geometry, reviseOn.path().string().c_str());
  EXPECT_TRUE(children32.IsReviseOn());
}

}  // namespace
}  // namespace quellsy::test
