// The quick search over images the FUSE driver wrote, read from memory: what it hands the tree builder, and
// how it copes with damage made by patching those images (a looping FAT, unreadable folders, a stopped scan).

#include "ExFat/CExFatQuickSearch.h"
#include "ExFat/ExFatErrors.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "FATSearch/QuickScanTestSupport.h"
#include "Utility/ByteReader.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"
#include "support/TempDir.h"
#include "support/fixtures/ExFatImages.h"

namespace quellsy::test {
namespace {

// Remembers the first sector of every read.
class CountingDevice : public MemoryDevice {
 public:
  using MemoryDevice::MemoryDevice;
  bool ReadSector(void* buffer, long long first, long long count) override {
    ++readsAt[first];
    return MemoryDevice::ReadSector(buffer, first, count);
  }
  std::map<long long, int> readsAt;
};

// The boot sector's fields, read here on their own.
struct Layout {
  explicit Layout(const std::vector<std::uint8_t>& image)
      : sectorSize(1u << image.at(108)),
        sectorsPerCluster(1u << image.at(109)),
        fatStart(le32(image, 80).value()),
        heap(le32(image, 88).value()),
        root(le32(image, 96).value()) {}
  std::size_t ClusterOffset(std::uint32_t cluster) const {
    return (heap + std::size_t{cluster - 2} * sectorsPerCluster) * sectorSize;
  }
  long long ClusterSector(std::uint32_t cluster) const {
    return static_cast<long long>(heap + std::uint64_t{cluster - 2} * sectorsPerCluster);
  }
  std::size_t FatOffset(std::uint32_t cluster) const { return fatStart * sectorSize + std::size_t{cluster} * 4; }

  std::uint32_t sectorSize;
  std::uint32_t sectorsPerCluster;
  std::uint64_t fatStart;
  std::uint64_t heap;
  std::uint32_t root;
};

// The offset of the file entry of a set whose name (at most 15 characters) is `name`, found in the image.
std::size_t FileEntryOf(const std::vector<std::uint8_t>& image, const std::u16string& name) {
  std::vector<std::uint8_t> pattern = {0xC1, 0x00};
  for (const char16_t c : name) {
    pattern.push_back(static_cast<std::uint8_t>(c & 0xFF));
    pattern.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  pattern.push_back(0);
  pattern.push_back(0);
  const auto at = std::search(image.begin(), image.end(), pattern.begin(), pattern.end());
  EXPECT_NE(at, image.end());
  return static_cast<std::size_t>(at - image.begin()) - 64;
}

std::uint32_t FirstClusterOfSet(const std::vector<std::uint8_t>& image, std::size_t fileEntry) {
  return le32(image, fileEntry + 32 + 20).value();
}

// Full paths ("/a/b") of what the builder got: folders are found by their IDs.
std::map<std::string, RecordingTreeBuilder::Node> ByPath(const RecordingTreeBuilder& builder, long long rootID) {
  std::map<long long, const RecordingTreeBuilder::Node*> folders;
  for (const auto& node : builder.nodes())
    if (node.directory) folders[node.id] = &node;
  std::map<std::string, RecordingTreeBuilder::Node> paths;
  for (const auto& node : builder.nodes()) {
    std::string path = "/" + node.name;
    long long parent = node.parentId;
    for (int depth = 0; parent != rootID && depth < 64; ++depth) {
      const auto folder = folders.find(parent);
      if (folder == folders.end()) {
        path = "?" + path;
        break;
      }
      path = "/" + folder->second->name + path;
      parent = folder->second->parentId;
    }
    paths[path] = node;
  }
  return paths;
}

class ExFatQuickSearchTest : public testing::Test {
 protected:
  void SetUp() override {
    images = ExFatImages::Get();
    if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
    ASSERT_TRUE(images->Made()) << images->Why();
  }

  std::vector<std::uint8_t> Image(const std::string& name) const { return ReadFile(images->Image(name)); }

  // Runs a search over the bytes; the builder's root ID and the searcher's result come back.
  unsigned long long Search(MemoryDevice& device, RecordingTreeBuilder& builder, RecordingProgress& progress) {
    CExFatQuickSearch searcher;
    searcher.SetDirecotryTreeBuilder(&builder);
    const unsigned long long result = searcher.QuickSearchFiles(&device, &progress);
    CSearchedPartitionInfo* record = nullptr;
    records = searcher.GetSearchedPartitionInfo(nullptr, 0);
    if (records == 1 && searcher.GetSearchedPartitionInfo(&record, 1) == 1) {
      partition = *record;
      delete record;
    }
    return result;
  }

  long long RootID(const RecordingTreeBuilder& builder) const {
    return builder.searchers().empty() ? -2 : builder.searchers().front().second;
  }

  const ExFatImages* images = nullptr;
  int records = 0;
  CSearchedPartitionInfo partition;
};

TEST_F(ExFatQuickSearchTest, FourKibSectorsListTheManifestWithThePartitionRecord) {
  const std::vector<std::uint8_t> image = Image("sectors4k.img");
  const Layout layout(image);
  ASSERT_EQ(layout.sectorSize, 4096u);
  MemoryDevice device(image, 4096);
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  EXPECT_EQ(Search(device, builder, progress), 0u);

  ASSERT_EQ(builder.searchers().size(), 1u);
  EXPECT_EQ(builder.searchers()[0].first, SEARCHER_EXFAT);
  EXPECT_EQ(RootID(builder), layout.ClusterSector(layout.root));
  EXPECT_EQ(builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_EXFAT});
  std::map<std::string, RecordingTreeBuilder::Node> listed = ByPath(builder, RootID(builder));
  for (const ExFatManifestEntry& file : images->Manifest("sectors4k.img").files) {
    const auto found = listed.find(file.path);
    ASSERT_NE(found, listed.end()) << file.path;
    EXPECT_EQ(found->second.size, static_cast<long long>(file.size)) << file.path;
    EXPECT_EQ(found->second.deleted, file.deleted) << file.path;
  }
  EXPECT_TRUE(listed.at("/old").deleted);
  EXPECT_TRUE(listed.at("/old").directory);

  ASSERT_EQ(records, 1);
  EXPECT_EQ(partition.GetFileSystemType(), FILE_SYSTEM_EXFAT);
  EXPECT_EQ(partition.GetBytesPerSector(), 4096u);
  EXPECT_EQ(partition.GetSectorsPerCluster(), layout.sectorsPerCluster);
  EXPECT_EQ(partition.GetClusterOrigin(), static_cast<long long>(layout.heap));
  EXPECT_EQ(partition.GetStartSector(), 0);

  ASSERT_FALSE(progress.reports.empty());
  EXPECT_EQ(progress.reports.back().status, PROGRESS_STATUS_FINISHED);
  EXPECT_EQ(progress.reports.back().total, 1u);
  EXPECT_EQ(progress.reports.back().current, 1u);
}

TEST_F(ExFatQuickSearchTest, EmptyFilesBothGetNodeIdZero) {
  MemoryDevice device(Image("sectors4k.img"), 4096);
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  Search(device, builder, progress);
  const RecordingTreeBuilder::Node* one = builder.Find("empty-one.txt");
  const RecordingTreeBuilder::Node* two = builder.Find("empty-two.txt");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(one->id, 0);
  EXPECT_EQ(two->id, 0);
  EXPECT_TRUE(one->runs.empty());
}

TEST_F(ExFatQuickSearchTest, ChildrenOfADeletedFolderAreDeletedThoughTheirSetsAreInUse) {
  std::vector<std::uint8_t> image = Image("exfat.img");
  const std::size_t folder = FileEntryOf(image, u"Ordner ä");
  for (std::size_t entry = 0; entry < 3; ++entry) image[folder + 32 * entry] &= 0x7F;
  MemoryDevice device(image, 512);
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  Search(device, builder, progress);
  const auto listed = ByPath(builder, RootID(builder));
  ASSERT_EQ(listed.count("/Ordner ä/naïve résumé.doc"), 1u);
  EXPECT_TRUE(listed.at("/Ordner ä").deleted);
  EXPECT_TRUE(listed.at("/Ordner ä/naïve résumé.doc").deleted);
  EXPECT_FALSE(listed.at("/keep.bin").deleted);
}

TEST_F(ExFatQuickSearchTest, AFolderClusterReachedTwiceThroughALoopingFatIsReadOnce) {
  std::vector<std::uint8_t> image = Image("exfat.img");
  const Layout layout(image);
  const std::uint32_t first = FirstClusterOfSet(image, FileEntryOf(image, u"chained"));
  const std::uint32_t second = le32(image, layout.FatOffset(first)).value();
  ASSERT_NE(second, first + 1) << "the folder was meant to be chained";
  ASSERT_LT(second, 0xFFFFFFF7u);
  // The second cluster leads back to the first; the folder's length would allow many more rounds.
  FieldWriter(image).le32(layout.FatOffset(second), first);
  FieldWriter(image).le64(FileEntryOf(image, u"chained") + 32 + 24, 64ull << 20 >> 4);
  FieldWriter(image).le64(FileEntryOf(image, u"chained") + 32 + 8, 64ull << 20 >> 4);
  CountingDevice device(image, 512);
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  Search(device, builder, progress);
  EXPECT_EQ(device.readsAt[layout.ClusterSector(first)], 1);
  EXPECT_EQ(device.readsAt[layout.ClusterSector(second)], 1);
  // Both clusters' sets were read, each once.
  const auto listed = ByPath(builder, RootID(builder));
  int chained = 0;
  for (const auto& [path, node] : listed) chained += path.rfind("/chained/", 0) == 0 ? 1 : 0;
  EXPECT_EQ(chained, 50);
  EXPECT_EQ(progress.reports.back().status, PROGRESS_STATUS_FINISHED);
}

TEST_F(ExFatQuickSearchTest, AnUnreadableFolderIsSkippedAndTheWalkGoesOn) {
  const std::vector<std::uint8_t> image = Image("exfat.img");
  const Layout layout(image);
  MemoryDevice device(image, 512);
  device.FailSectors(layout.ClusterSector(FirstClusterOfSet(image, FileEntryOf(image, u"many"))), 1);
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  EXPECT_EQ(Search(device, builder, progress), 0u);
  const auto listed = ByPath(builder, RootID(builder));
  EXPECT_EQ(listed.count("/many"), 1u);
  EXPECT_EQ(listed.count("/many/member file number 01.txt"), 0u);
  EXPECT_EQ(listed.count("/chained/chained entry with a long name 50.dat"), 1u);
  EXPECT_EQ(listed.count("/gone/deeper/leaf.txt"), 1u);
  EXPECT_EQ(builder.flushes().size(), 1u);
  EXPECT_EQ(progress.reports.back().status, PROGRESS_STATUS_FINISHED);
}

TEST_F(ExFatQuickSearchTest, AStoppedScanStillBuildsWhatItFoundAndFinishes) {
  MemoryDevice device(Image("exfat.img"), 512);
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  progress.stopAfter = 0;
  Search(device, builder, progress);
  // Only the root was read: its entries, no folder's children.
  const auto listed = ByPath(builder, RootID(builder));
  EXPECT_EQ(listed.count("/keep.bin"), 1u);
  EXPECT_EQ(listed.count("/many"), 1u);
  EXPECT_EQ(listed.count("/many/member file number 01.txt"), 0u);
  EXPECT_EQ(builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_EXFAT});
  ASSERT_EQ(progress.reports.size(), 1u);
  EXPECT_EQ(progress.reports.back().status, PROGRESS_STATUS_FINISHED);
}

TEST_F(ExFatQuickSearchTest, AFatLongerThanTheClusterCountRaisesTheLimit) {
  std::vector<std::uint8_t> image = Image("exfat.img");
  MemoryDevice plainDevice(image, 512);
  RecordingTreeBuilder plain;
  RecordingProgress plainProgress;
  Search(plainDevice, plain, plainProgress);
  // A cluster count of 20 would cut every chain past cluster 20; the FAT's length still covers them all.
  FieldWriter(image).le32(92, 20);
  MemoryDevice device(image, 512);
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  Search(device, builder, progress);
  std::set<std::string> before;
  std::set<std::string> after;
  for (const auto& [path, node] : ByPath(plain, RootID(plain))) before.insert(path);
  for (const auto& [path, node] : ByPath(builder, RootID(builder))) after.insert(path);
  EXPECT_GT(before.size(), 200u);
  EXPECT_EQ(after, before);
}

TEST_F(ExFatQuickSearchTest, ProgressCountsTheFoldersWalked) {
  MemoryDevice device(Image("exfat.img"), 512);
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  Search(device, builder, progress);
  ASSERT_GE(progress.reports.size(), 2u);
  std::uint64_t lastCurrent = 0;
  for (std::size_t i = 0; i + 1 < progress.reports.size(); ++i) {
    const _PROGRESS_INFO& report = progress.reports[i];
    EXPECT_EQ(report.status, PROGRESS_STATUS_RUNNING);
    EXPECT_GT(report.current, lastCurrent);
    EXPECT_LE(report.current, report.total);
    lastCurrent = report.current;
  }
  // Every folder below the root: contiguous, many, chained, Ordner ä, gone, gone/deeper, frag.
  EXPECT_EQ(lastCurrent, 7u);
}

// A volume it cannot use lists nothing, and its finished report says why, so that it never reads as an empty
// volume: a boot sector that is not exFAT's, one that cannot be read, no device or builder.
TEST(ExFatQuickSearch, AVolumeItCannotUseGivesNoNodesAndAFinishedReportWithTheFailure) {
  MemoryDevice device(std::vector<std::uint8_t>(1 << 20, 0), 512);
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  CExFatQuickSearch searcher;
  searcher.SetDirecotryTreeBuilder(&builder);
  EXPECT_EQ(searcher.QuickSearchFiles(&device, &progress), exfat::kQuickNoBootSector);
  EXPECT_TRUE(builder.nodes().empty());
  EXPECT_TRUE(builder.searchers().empty());
  EXPECT_TRUE(builder.flushes().empty());
  ASSERT_EQ(progress.reports.size(), 1u);
  EXPECT_EQ(progress.reports[0].status, PROGRESS_STATUS_FINISHED);
  EXPECT_EQ(progress.reports[0].result, exfat::kQuickNoBootSector);
  EXPECT_EQ(searcher.GetSearchedPartitionInfo(nullptr, 0), 0);
  MemoryDevice unreadable(std::vector<std::uint8_t>(1 << 20, 0), 512);
  unreadable.FailSectors(0, 1);
  EXPECT_EQ(searcher.QuickSearchFiles(&unreadable, &progress), exfat::kQuickBootSectorUnreadable);
  EXPECT_EQ(progress.reports.back().result, exfat::kQuickBootSectorUnreadable);
  // Without a device or a builder the same.
  EXPECT_EQ(searcher.QuickSearchFiles(nullptr, &progress), exfat::kQuickMissingArgument);
  CExFatQuickSearch noBuilder;
  EXPECT_EQ(noBuilder.QuickSearchFiles(&device, &progress), exfat::kQuickMissingArgument);
  EXPECT_EQ(progress.reports.size(), 4u);
  EXPECT_EQ(progress.reports.back().result, exfat::kQuickMissingArgument);
  // Without a progress sink nothing happens at all.
  EXPECT_EQ(searcher.QuickSearchFiles(&device, nullptr), exfat::kQuickMissingArgument);
  EXPECT_EQ(progress.reports.size(), 4u);
}

}  // namespace
}  // namespace quellsy::test
