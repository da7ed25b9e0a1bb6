#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FileArchive/CRSData.h"
#include "FileArchive/RestoreFileNode.h"
#include "FileArchive/ScanResultFile.h"
#include "FileArchive/ScanResultFrames.h"
#include "FileArchive/ScanResultProgress.h"
#include "FileArchive/ScanResultRecords.h"
#include "FileArchive/ScanResultRestoreSink.h"
#include "include/DataRunList.h"
#include "include/FrameFields.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"
#include "support/TempDir.h"

namespace {

using namespace SaveRestoreResult;
using quellsy::test::MemoryDevice;
using quellsy::test::ReadFile;
using quellsy::test::RecordingTreeBuilder;
using quellsy::test::TempDir;
using quellsy::test::WriteFile;

class GoOn final : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO*) override {}
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }
};

std::unique_ptr<RestoreFileNode> MakeNode(long long id, long long parent, const std::string& name, bool folder,
                                          std::vector<DataRun> runs = {}) {
  auto node = std::make_unique<RestoreFileNode>();
  node->SetCurrentNodeID(id);
  node->SetParentNodeID(parent);
  node->SetName(name);
  node->SetDirectory(folder ? 1 : 0);
  node->SetFileSize(folder ? 0 : 1000 + id);
  node->SetAttribute(folder ? kFileAttributeDirectory : kFileAttributeArchive);
  node->SetTimes(130000000000000000ull + id, 131000000000000000ull + id, 132000000000000000ull + id);
  node->SetBelongedPartition(static_cast<std::uint16_t>(id % 3));
  node->SetMetaDataSector(4096 + id);
  if (!runs.empty()) {
    auto* list = new CDataRunList();
    for (const DataRun& run : runs) list->AddDataRun(&run);
    node->SetDataRunList(list);
  }
  return node;
}

// One saved root: a system node with a folder holding a file, and its partition records.
struct SavedTree {
  std::unique_ptr<RestoreSystemNode> root;
  std::vector<std::unique_ptr<RestoreFileNode>> nodes;
  std::vector<std::unique_ptr<CSearchedPartitionInfo>> partitions;

  SavedTree(_tagSearcherType searcher, const std::string& volume, long long base, int partitionCount) {
    root = std::make_unique<RestoreSystemNode>();
    root->SetCurrentNodeID(base);
    root->SetName(volume + " root");
    root->SetDirectory(1);
    root->SetSearcheType(searcher);
    root->SetVolumeName(volume);
    nodes.push_back(MakeNode(base + 1, base, "folder", true));
    nodes.push_back(MakeNode(base + 2, base + 1, "inner.txt", false, {{100, 4}, {-1, 2}, {300, 1}}));
    nodes.push_back(MakeNode(base + 3, base, "top.bin", false, {{7, 1}}));
    // Children are linked by prepending: link in reverse so the walk meets them in the order above.
    nodes[0]->AddChild(nodes[1].get());
    root->AddChild(nodes[2].get());
    root->AddChild(nodes[0].get());
    for (int i = 0; i < partitionCount; ++i) {
      auto partition = std::make_unique<CSearchedPartitionInfo>(512);
      partition->SetPartitionIndex(static_cast<std::uint16_t>(i));
      partition->SetStartSector(2048 * (i + 1));
      partition->SetClusterOrigin(2048 * (i + 1) + 8);
      partition->SetSectorsPerCluster(8);
      partition->SetTotalSectors(4096);
      partition->SetPrivateData(0x1234);
      partitions.push_back(std::move(partition));
    }
  }
  ~SavedTree() {
    // Unlink before the nodes go: each node's destructor only clears its own links.
    for (auto& node : nodes) node->GetParent() ? node->GetParent()->RemoveChild(node.get()) : 0;
  }

  RootToSave ToSave() const {
    RootToSave save{root.get(), {}};
    for (const auto& partition : partitions) save.partitions.push_back(partition.get());
    return save;
  }
};

void SaveRoots(const std::string& path, const std::vector<RootToSave>& roots) {
  CRSData archive(RS_MODE_WRITE);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 1));
  ASSERT_TRUE(archive.WriteFileHeader(FILEHEADER{}));
  GoOn goOn;
  ScanResultProgress progress(&goOn);
  WriteRoots(archive, roots, progress, [] { return true; });
}

struct Restored {
  RecordingTreeBuilder builder;
  std::uint32_t error = 0;
  std::vector<std::vector<CSearchedPartitionInfo>> partitions;  // copies, by searcher in the order asked
};

void Restore(const std::string& path, const RestoreTarget& target, Restored& out,
             const std::vector<int>& searchers = {}) {
  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  ScanResultRestoreSink sink(archive, [&](IStorageDevice*) { return target; });
  GoOn goOn;
  // Holds every saved tree's partitions (up to sector 2048 x 3 + 4096).
  quellsy::test::MemoryDevice device(16384, 512);
  sink.SetDirecotryTreeBuilder(&out.builder, &goOn, &device);
  out.error = sink.LastError();
  for (int searcher : searchers) {
    std::vector<CSearchedPartitionInfo> copies;
    for (CSearchedPartitionInfo* record : sink.GetSearchedPartition(searcher, &device)) copies.push_back(*record);
    out.partitions.push_back(copies);
  }
}

TEST(ScanResultRecordsTest, TwoRootsComeBackWithTheirPartitionsAndNodesUnderTheirParents) {
  TempDir dir;
  const std::string path = dir / "two.rsf";
  SavedTree fat(SEARCHER_FAT, "", 1000, 1);
  SavedTree ntfs(SEARCHER_NTFS, "", 2000, 2);
  SaveRoots(path, {fat.ToSave(), ntfs.ToSave()});

  Restored restored;
  Restore(path, {"", true, false}, restored, {SEARCHER_FAT, SEARCHER_NTFS});
  EXPECT_EQ(restored.error, 0u);
  using Announced = std::pair<_tagSearcherType, long long>;
  EXPECT_EQ(restored.builder.searchers(), (std::vector<Announced>{{SEARCHER_FAT, 1000}, {SEARCHER_NTFS, 2000}}));
  EXPECT_EQ(restored.builder.flushes(), (std::vector<_tagSearcherType>{SEARCHER_FAT, SEARCHER_NTFS}));
  ASSERT_EQ(restored.builder.nodes().size(), 6u);
  for (const SavedTree* tree : {&fat, &ntfs}) {
    for (const auto& saved : tree->nodes) {
      const RecordingTreeBuilder::Node* node = nullptr;
      for (const auto& candidate : restored.builder.nodes())
        if (candidate.id == saved->GetCurrentNodeID()) node = &candidate;
      ASSERT_NE(node, nullptr) << saved->GetFileName();
      EXPECT_EQ(node->parentId, saved->GetParentNodeID());
      EXPECT_EQ(node->name, saved->GetFileName());
      EXPECT_EQ(node->size, saved->GetFileSize());
      auto* back = dynamic_cast<RestoreFileNode*>(node->node);
      ASSERT_NE(back, nullptr);
      EXPECT_EQ(back->GetModificationTime(), saved->GetModificationTime());
      EXPECT_EQ(back->GetBelongedPartition(), saved->GetBelongedPartition());
      EXPECT_EQ(back->GetMetadataStartPosition(), saved->GetMetadataStartPosition());
      EXPECT_EQ(back->IsNodeShow(), 1);
      EXPECT_EQ(back->GetDataRunList() != nullptr, saved->GetDataRunList() != nullptr);
    }
  }
  const RecordingTreeBuilder::Node* inner = restored.builder.Find("inner.txt");
  ASSERT_NE(inner, nullptr);
  ASSERT_EQ(inner->runs.size(), 3u);
  EXPECT_EQ(inner->runs[1].lcn, -1);
  EXPECT_EQ(inner->runs[2].length, 1);

  ASSERT_EQ(restored.partitions.size(), 2u);
  ASSERT_EQ(restored.partitions[0].size(), 1u);
  ASSERT_EQ(restored.partitions[1].size(), 2u);
  EXPECT_EQ(restored.partitions[1][1].GetStartSector(), 4096);
  EXPECT_EQ(restored.partitions[1][1].GetClusterOrigin(), 4104);
  EXPECT_EQ(restored.partitions[1][1].GetPrivateData(), 0u);  // not carried over
}

TEST(ScanResultRecordsTest, ANamedVolumeTakesOnlyTheRootsSavedUnderItsName) {
  TempDir dir;
  const std::string path = dir / "named.rsf";
  SavedTree other(SEARCHER_FAT, "OTHER", 1000, 1);
  SavedTree mine(SEARCHER_NTFS, "MINE", 2000, 1);
  SaveRoots(path, {other.ToSave(), mine.ToSave()});
  Restored restored;
  Restore(path, {"MINE", false, false}, restored, {SEARCHER_FAT, SEARCHER_NTFS});
  EXPECT_EQ(restored.error, 0u);
  EXPECT_EQ(restored.builder.searchers().size(), 1u);
  EXPECT_EQ(restored.builder.nodes().size(), 3u);
  EXPECT_TRUE(restored.builder.NodesOf(SEARCHER_FAT).empty());
  EXPECT_TRUE(restored.partitions[0].empty());
  EXPECT_EQ(restored.partitions[1].size(), 1u);
  // A device without a name that is not a whole disk takes nothing.
  Restored none;
  Restore(path, {"", false, false}, none);
  EXPECT_TRUE(none.builder.searchers().empty());
}

// The volume the saved scan was of takes every root, also without a label or under another name: a restore of an
// unlabelled partition's scan showed nothing, and said nothing.
TEST(ScanResultRecordsTest, TheScannedVolumeTakesEveryRootWhateverItsName) {
  TempDir dir;
  const std::string path = dir / "unlabelled.rsf";
  SavedTree root(SEARCHER_FAT, "JOURNEY", 1000, 1);
  SaveRoots(path, {root.ToSave()});
  for (const char* name : {"", "Untitled"}) {
    Restored restored;
    Restore(path, {name, false, false, true}, restored, {SEARCHER_FAT});
    EXPECT_EQ(restored.error, 0u) << name;
    EXPECT_EQ(restored.builder.searchers().size(), 1u) << name;
    EXPECT_EQ(restored.builder.nodes().size(), 3u) << name;
    EXPECT_EQ(restored.partitions[0].size(), 1u) << name;
  }
}

TEST(ScanResultRecordsTest, TwoVolumesOfOneFileSystemEachKeepTheirOwnPartitionRecords) {
  // A quick scan of a disk with two FAT volumes: each volume's root has a partition 0 of its own geometry, and
  // each volume, restored on its own device, must copy its files out through its own record.
  TempDir dir;
  const std::string path = dir / "two-fat.rsf";
  SavedTree left(SEARCHER_FAT, "LEFT", 1000, 1);
  SavedTree right(SEARCHER_FAT, "RIGHT", 2000, 1);
  right.partitions[0]->SetSectorsPerCluster(64);
  right.partitions[0]->SetClusterOrigin(2048 + 100);
  right.partitions[0]->SetTotalSectors(32768);  // its files' runs (cluster 300 of 64 sectors) lie inside
  SaveRoots(path, {left.ToSave(), right.ToSave()});

  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  // Large enough for the saved partitions, whose nodes a restore checks against its device.
  MemoryDevice leftVolume(65536, 512);
  MemoryDevice rightVolume(65536, 512);
  ScanResultRestoreSink sink(archive, [&](IStorageDevice* device) {
    return RestoreTarget{device == &leftVolume ? "LEFT" : "RIGHT", false, false};
  });
  GoOn goOn;
  RecordingTreeBuilder leftBuilder;
  RecordingTreeBuilder rightBuilder;
  sink.SetDirecotryTreeBuilder(&leftBuilder, &goOn, &leftVolume);
  sink.SetDirecotryTreeBuilder(&rightBuilder, &goOn, &rightVolume);
  EXPECT_EQ(sink.LastError(), 0u);
  const auto& leftRecords = sink.GetSearchedPartition(SEARCHER_FAT, &leftVolume);
  const auto& rightRecords = sink.GetSearchedPartition(SEARCHER_FAT, &rightVolume);
  ASSERT_EQ(leftRecords.size(), 1u);
  ASSERT_EQ(rightRecords.size(), 1u);
  EXPECT_EQ(leftRecords[0]->GetSectorsPerCluster(), 8u);
  EXPECT_EQ(leftRecords[0]->GetClusterOrigin(), 2048 + 8);
  EXPECT_EQ(rightRecords[0]->GetSectorsPerCluster(), 64u);
  EXPECT_EQ(rightRecords[0]->GetClusterOrigin(), 2048 + 100);
}

TEST(ScanResultRecordsTest, ARootWithoutPartitionsIsSavedWithoutNodes) {
  TempDir dir;
  const std::string path = dir / "empty.rsf";
  SavedTree tree(SEARCHER_RAW, "", 1000, 0);
  SaveRoots(path, {tree.ToSave()});
  // Header, frame header, R, then marker 1, the root record, P = 0 and the end marker.
  const std::size_t rootRecord = 8 * 3 + 2 + 8 * 3 + 4 * 4 + 4 + std::string("root").size() + 1 + 4 + 2 + 8 + 4;
  EXPECT_EQ(ReadFile(path).size(), 132 + 36 + 8 + 4 + rootRecord + 4 + 4 + 4 + 4);
  Restored restored;
  Restore(path, {"", true, false}, restored);
  EXPECT_EQ(restored.error, 0u);
  EXPECT_EQ(restored.builder.searchers().size(), 1u);
  EXPECT_TRUE(restored.builder.nodes().empty());
}

// Byte offset of the first partition record's type in a one-root file of SavedTree(…, "", 1000, n).
std::size_t FirstPartitionTypeAt() {
  return 132 + 36 + 8 + 4 + (8 * 3 + 2 + 8 * 3 + 4 * 4 + 4 + std::string(" root").size() + 4 + 2 + 8 + 4) + 4 + 4 + 4;
}

struct DamageCase {
  const char* name;
  long long at;  // from the start of the file, or from the first partition record's type when relative
  std::uint32_t value;
  bool relativeToPartition;
  std::uint32_t error;
  std::size_t nodes;
};

class ScanResultDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(ScanResultDamageTest, ADamagedFileGivesAClearErrorOrStopsCleanly) {
  const DamageCase& c = GetParam();
  TempDir dir;
  const std::string path = dir / "damaged.rsf";
  SavedTree tree(SEARCHER_FAT, "", 1000, 1);
  SaveRoots(path, {tree.ToSave()});
  std::vector<std::uint8_t> bytes = ReadFile(path);
  const auto at = static_cast<std::size_t>(c.relativeToPartition ? static_cast<long long>(FirstPartitionTypeAt()) + c.at : c.at);
  if (c.value == 0xDEAD) {
    bytes.resize(at);
  } else {
    ASSERT_LE(at + 4, bytes.size());
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(c.value >> (8 * i));
  }
  WriteFile(path, bytes);
  Restored restored;
  Restore(path, {"", true, false}, restored);
  EXPECT_EQ(restored.error, c.error);
  EXPECT_EQ(restored.builder.nodes().size(), c.nodes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanResultDamageTest,
    ::testing::Values(
        // A partition type out of range ends the list; the image after it is then read as node records, which
        // run past the frame's end.
        DamageCase{"partitionType7", 0, 7, true, CRSException::kShortRead, 0},
        // The first node's (a folder without runs) name length, after its marker, IDs, size, attributes, times,
        // flags, run count and resident flag, made huge.
        DamageCase{"hugeNameLength", 4 + 104 + 4 + 8 * 3 + 2 + 8 * 3 + 4 * 4, 0x7FFFFFFF, true,
                   CRSException::kBadRecord, 0},
        // The first node's run count made huge: runs are read until the frame ends, nothing large is made.
        DamageCase{"hugeRunCount", 4 + 104 + 4 + 8 * 3 + 2 + 8 * 3 + 4 * 2, 0x7FFFFFFF, true, CRSException::kShortRead,
                   0},
        DamageCase{"cutInsideANode", 4 + 104 + 4 + 20, 0xDEAD, true, CRSException::kShortRead, 0},
        DamageCase{"rootCountTooLarge", 132 + 36, 5, false, CRSException::kShortRead, 3},
        DamageCase{"partitionCountTooLarge", -4, 513, true, 0, 0}),
    [](const ::testing::TestParamInfo<DamageCase>& param) { return std::string(param.param.name); });

}  // namespace
