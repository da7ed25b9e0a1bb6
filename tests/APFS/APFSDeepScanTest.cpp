// The APFS complete search over small written disks, driven block by block as the complete controller drives it:
// containers anywhere on the disk, two containers, superblock copies, a volume without its container, loose older
// tree nodes, files known only from their extents, and the last blocks of a disk whose length is not a whole
// number of reads. Copies are read back through the partition records and checked byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <numeric>

#include "APFS/APFSDeepScan.h"
#include "ApfsSleuthKit.h"
#include "include/FileNode.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"
#include "support/TempDir.h"
#include "support/apfs/ApfsContainerWriter.h"
#include "Utility/ByteReader.h"

namespace {

namespace apfs = quellsy::test::apfs;
using quellsy::test::MemoryDevice;
using quellsy::test::RecordingTreeBuilder;

constexpr std::size_t kBlock = 4096;
constexpr std::uint64_t kTime = apfs::Seconds(1600000000);

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
  return bytes;
}

// A disk of `blocks` zeroed 4096-byte blocks on which containers and loose blocks are placed.
struct Disk {
  explicit Disk(std::size_t blocks) : bytes(blocks * kBlock, 0) {}
  explicit Disk(std::vector<std::uint8_t> image) : bytes(std::move(image)) {}
  void Place(std::size_t block, const std::vector<std::uint8_t>& data) {
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(block * kBlock));
  }
  std::vector<std::uint8_t> bytes;
};

// One volume "Vol": its root folder, /docs/a.txt (5000 bytes over two extents) and /b.bin (4096 bytes), written by id.
struct SmallContainer {
  explicit SmallContainer(const std::string& volume = "Vol", std::uint8_t seed = 1)
      : a(Pattern(5000, seed)), b(Pattern(4096, static_cast<std::uint8_t>(seed + 100))) {
    const std::uint64_t aFirst = writer.AddData({a.begin(), a.begin() + 4096});
    const std::uint64_t aSecond = writer.AddData({a.begin() + 4096, a.end()});
    const std::uint64_t bFirst = writer.AddData(b);
    writer.AddVolume(volume, {apfs::Inode(2, 1, "root", true, 0, kTime),
                              apfs::Inode(16, 2, "docs", true, 0, kTime),
                              apfs::DirectoryRecord(2, "docs", 16, true, kTime),
                              apfs::Inode(17, 16, "a.txt", false, a.size(), kTime),
                              apfs::DirectoryRecord(16, "a.txt", 17, false, kTime),
                              apfs::Extent(17, 0, 4096, aFirst),
                              apfs::Extent(17, 4096, 4096, aSecond),
                              apfs::Inode(18, 2, "b.bin", false, b.size(), kTime),
                              apfs::DirectoryRecord(2, "b.bin", 18, false, kTime),
                              apfs::Extent(18, 0, 4096, bFirst)});
  }
  apfs::ContainerWriter writer;
  std::vector<std::uint8_t> a, b;
};

// A non-root leaf of a file-system tree, as a loose older node (virtual object `oid`).
std::vector<std::uint8_t> LooseLeaf(std::uint64_t oid, const std::vector<apfs::TreeRecord>& records) {
  return apfs::TreeNode(oid, records, 2);
}

struct Scan {
  // badSector: a sector whose reads fail, and with it every sector read at once with it, as over a bad sector.
  explicit Scan(std::vector<std::uint8_t> bytes, long long blockSectors = 8192, int build = 1, long long badSector = -1)
      : device(std::move(bytes), 512) {
    if (badSector >= 0) {
      device.ZeroWholeFailedReads();
      device.FailSectors(badSector, 1);
    }
    searcher.SetDevice(&device);
    searcher.SetBlockSize(static_cast<int>(blockSectors));
    searcher.SetDirecotryTreeBuilder(&builder);
    searcher.PreparetoSearch();
    const long long total = device.GetTotalSectors();
    for (long long first = 0; first < total; first += blockSectors)
      searcher.AnalyzeBlock(first, std::min(blockSectors, total - first));
    searcher.EndSearch(build);
  }

  std::vector<std::unique_ptr<CSearchedPartitionInfo>> Records() {
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> records;
    const int count = searcher.GetSearchedPartitionInfo(nullptr, 0);
    std::vector<CSearchedPartitionInfo*> raw(static_cast<std::size_t>(count), nullptr);
    EXPECT_EQ(searcher.GetSearchedPartitionInfo(raw.data(), count), count);
    for (CSearchedPartitionInfo* record : raw) records.emplace_back(record);
    return records;
  }

  // "a/b" from the builder's nodes by their IDs, up to the root (parent ID 2).
  std::string PathOf(const RecordingTreeBuilder::Node& node) const {
    std::map<long long, const RecordingTreeBuilder::Node*> byId;
    for (const auto& n : builder.nodes()) byId[n.id] = &n;
    std::string path = node.name;
    for (long long parent = node.parentId; parent != 2;) {
      const auto found = byId.find(parent);
      if (found == byId.end() || path.size() > 4096) return "?/" + path;
      path = found->second->name + "/" + path;
      parent = found->second->parentId;
    }
    return path;
  }
  const RecordingTreeBuilder::Node* ByPath(const std::string& path) const {
    for (const auto& n : builder.nodes())
      if (PathOf(n) == path) return &n;
    return nullptr;
  }
  // The node's bytes, read through the partition record that carries its partition index.
  std::vector<std::uint8_t> Contents(const RecordingTreeBuilder::Node& node) {
    const auto index = dynamic_cast<const CFileNode&>(*node.node).GetBelongedPartition();
    long long origin = -1;
    for (const auto& record : Records())
      if (record->GetPartitionIndex() == index) origin = record->GetClusterOrigin();
    EXPECT_GE(origin, 0);
    std::vector<std::uint8_t> out;
    for (const DataRun& run : node.runs) {
      const auto from = device.bytes().begin() + (origin + run.lcn) * 512;
      out.insert(out.end(), from, from + run.length * 512);
    }
    out.resize(static_cast<std::size_t>(std::min<long long>(node.size, static_cast<long long>(out.size()))));
    return out;
  }

  MemoryDevice device;
  APFSDeepScan searcher;  // before the builder, which lets go of the nodes before the searcher frees them
  RecordingTreeBuilder builder;
};

class WrittenContainerTest : public testing::TestWithParam<long long> {};

TEST_P(WrittenContainerTest, FilesArePlacedAndReadBackThroughThePartitionRecord) {
  SmallContainer container;
  Disk disk(256 + 128 + 7);
  disk.Place(256, container.writer.Build());
  Scan scan(disk.bytes, GetParam());

  const auto records = scan.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->GetPartitionIndex(), 0);
  EXPECT_EQ(records[0]->GetFileSystemType(), static_cast<std::uint32_t>(FILE_SYSTEM_APFS));
  EXPECT_EQ(records[0]->GetStartSector(), 256 * 8);
  EXPECT_EQ(records[0]->GetClusterOrigin(), 256 * 8);
  EXPECT_EQ(records[0]->GetTotalSectors(), 128u * 8);
  EXPECT_EQ(records[0]->GetSectorsPerCluster(), 1u);
  EXPECT_EQ(records[0]->GetBytesPerSector(), 512u);

  EXPECT_EQ(scan.builder.searchers(), (std::vector<std::pair<_tagSearcherType, long long>>{{SEARCHER_APFS, 2}}));
  EXPECT_EQ(scan.builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_APFS});
  const auto* docs = scan.ByPath("docs");
  const auto* a = scan.ByPath("docs/a.txt");
  const auto* b = scan.ByPath("b.bin");
  ASSERT_TRUE(docs && a && b);
  EXPECT_TRUE(docs->directory);
  for (const auto* node : {docs, a, b}) {
    EXPECT_FALSE(node->deleted) << node->name;
    EXPECT_EQ(node->searcher, SEARCHER_APFS);
  }
  EXPECT_EQ(scan.Contents(*a), container.a);
  EXPECT_EQ(scan.Contents(*b), container.b);
  EXPECT_EQ(scan.builder.nodes().size(), 4u);
}

// One call for the whole disk; ranges of three blocks; ranges that end inside a block.
INSTANTIATE_TEST_SUITE_P(RangeSizes, WrittenContainerTest, testing::Values(8192, 24, 20));

// An unreadable sector in an unused block of the container's first group of blocks: the other blocks read with
// it are still examined, so the container and its files are found and read back whole.
TEST(APFSDeepScan, AnUnreadableSectorCostsOnlyItsOwnBlock) {
  SmallContainer container;
  Disk disk(256 + 128);
  disk.Place(256, container.writer.Build());
  ASSERT_TRUE(std::all_of(disk.bytes.begin() + (256 + 15) * kBlock, disk.bytes.begin() + (256 + 16) * kBlock,
                          [](std::uint8_t b) { return b == 0; }))
      << "the block holds nothing";
  Scan scan(disk.bytes, 8192, 1, (256 + 15) * 8 + 3);
  const auto* a = scan.ByPath("docs/a.txt");
  const auto* b = scan.ByPath("b.bin");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(scan.Contents(*a), container.a);
  EXPECT_EQ(scan.Contents(*b), container.b);
}

TEST(APFSDeepScan, SecondContainerBecomesAFolderNamedAfterItsVolume) {
  SmallContainer first("Alpha", 1), second("Beta", 50);
  Disk disk(128 + 128);
  disk.Place(0, first.writer.Build());
  disk.Place(128, second.writer.Build());
  Scan scan(disk.bytes);

  const auto records = scan.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->GetStartSector(), 0);
  EXPECT_EQ(records[1]->GetStartSector(), 128 * 8);
  EXPECT_EQ(records[1]->GetPartitionIndex(), 1);
  const auto* root = scan.ByPath("Beta_1");
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->directory);
  const auto* secondA = scan.ByPath("Beta_1/docs/a.txt");
  const auto* secondB = scan.ByPath("Beta_1/b.bin");
  ASSERT_TRUE(secondA && secondB);
  EXPECT_TRUE(secondB->deleted);
  EXPECT_EQ(scan.Contents(*secondA), second.a);
  EXPECT_EQ(scan.Contents(*secondB), second.b);
  const auto* firstA = scan.ByPath("docs/a.txt");
  ASSERT_NE(firstA, nullptr);
  EXPECT_FALSE(firstA->deleted);
  EXPECT_EQ(scan.Contents(*firstA), first.a);
}

TEST(APFSDeepScan, SuperblockCopyInsideItsContainerIsNoSecondContainer) {
  SmallContainer container;
  auto image = container.writer.Build();
  // The checkpoint area keeps older copies of the superblock.
  std::copy_n(image.begin(), kBlock, image.begin() + 40 * kBlock);
  Disk disk(128);
  disk.Place(0, image);
  Scan scan(disk.bytes);
  EXPECT_EQ(scan.Records().size(), 1u);
  EXPECT_EQ(scan.builder.nodes().size(), 4u);
}

TEST(APFSDeepScan, ContainerSuperblockWithLargerBlocksIsNoContainer) {
  SmallContainer first, second;
  auto other = second.writer.Build();
  quellsy::FieldWriter(other).le32(36, 16384);
  Disk disk(256);
  disk.Place(0, first.writer.Build());
  disk.Place(128, other);
  Scan scan(disk.bytes);
  EXPECT_EQ(scan.Records().size(), 1u);
  EXPECT_EQ(scan.ByPath("Vol_1"), nullptr);
}

TEST(APFSDeepScan, VolumeWithoutItsContainerSuperblockIsWalkedAlone) {
  SmallContainer container;
  auto image = container.writer.Build();
  std::fill_n(image.begin(), kBlock, std::uint8_t{0});
  Disk disk(128 + 5);
  disk.Place(0, image);
  Scan scan(disk.bytes);

  const auto records = scan.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->GetStartSector(), 0);
  EXPECT_EQ(records[0]->GetTotalSectors(), static_cast<std::uint64_t>(scan.device.GetTotalSectors()));
  const auto* a = scan.ByPath("docs/a.txt");
  ASSERT_NE(a, nullptr);
  EXPECT_FALSE(a->deleted);
  EXPECT_EQ(scan.Contents(*a), container.a);
}

TEST(APFSDeepScan, LooseOlderVersionOfADyingFileTakesTheEarlierName) {
  SmallContainer container;
  Disk disk(container.writer.Build());
  // While a file is deleted its inode is renamed "0x<n>-dead"; the live version is b.bin (id 18).
  const auto loose = LooseLeaf(40, {apfs::Inode(18, 2, "0x12-dead", false, 4096, kTime + apfs::Seconds(5))});
  disk.Place(40, loose);
  Scan scan(disk.bytes);

  const auto* older = scan.ByPath("b.bin-12");
  ASSERT_NE(older, nullptr);
  EXPECT_TRUE(older->deleted);
  EXPECT_EQ(scan.Contents(*older), container.b);
  ASSERT_NE(scan.ByPath("b.bin"), nullptr);
  EXPECT_FALSE(scan.ByPath("b.bin")->deleted);
}

TEST(APFSDeepScan, FileKnownOnlyFromItsExtentsStaysPending) {
  SmallContainer container;
  Disk disk(container.writer.Build());
  const auto loose = LooseLeaf(40, {apfs::Extent(77, 0, 4096, 64)});
  disk.Place(40, loose);
  Scan scan(disk.bytes);
  EXPECT_EQ(scan.builder.nodes().size(), 4u);
  for (const auto& node : scan.builder.nodes()) EXPECT_NE(node.name, "");
}

TEST(APFSDeepScan, FileKnownFromItsExtentsIsShownOnceALaterNodeNamesIt) {
  SmallContainer container;
  const auto data = Pattern(6000, 9);
  Disk disk(container.writer.Build());
  disk.Place(100, data);
  const auto extents = LooseLeaf(40, {apfs::Extent(77, 0, 8192, 100)});
  const auto inode = LooseLeaf(41, {apfs::Inode(77, 2, "late.txt", false, data.size(), kTime)});
  disk.Place(40, extents);
  disk.Place(41, inode);
  Scan scan(disk.bytes, 8);  // one block per range: a flush between the two nodes

  const auto* late = scan.ByPath("late.txt");
  ASSERT_NE(late, nullptr);
  EXPECT_TRUE(late->deleted);
  EXPECT_EQ(scan.Contents(*late), data);
}

TEST(APFSDeepScan, FileWaitsForItsFolderFromALaterNode) {
  SmallContainer container;
  const auto data = Pattern(3000, 33);
  Disk disk(container.writer.Build());
  disk.Place(100, data);
  const auto file = LooseLeaf(40, {apfs::Inode(30, 31, "child.txt", false, data.size(), kTime),
                                   apfs::DirectoryRecord(31, "child.txt", 30, false, kTime),
                                   apfs::Extent(30, 0, 4096, 100)});
  const auto folder = LooseLeaf(41, {apfs::Inode(31, 2, "olddir", true, 0, kTime),
                                     apfs::DirectoryRecord(2, "olddir", 31, true, kTime)});
  disk.Place(60, file);
  disk.Place(90, folder);
  Scan scan(disk.bytes, 8);

  const auto* child = scan.ByPath("olddir/child.txt");
  ASSERT_NE(child, nullptr);
  EXPECT_TRUE(child->deleted);
  EXPECT_EQ(scan.Contents(*child), data);
}

TEST(APFSDeepScan, LastBlocksOfADiskThatIsNoWholeNumberOfReadsAreExamined) {
  SmallContainer container;
  auto image = container.writer.Build();
  const auto data = Pattern(2000, 77);
  std::copy(data.begin(), data.end(), image.begin() + 100 * kBlock);
  // The container ends at disk block 136: the last read of 16 blocks (128 to 143) runs past the disk's end.
  const auto tail = LooseLeaf(127, {apfs::Inode(90, 2, "tail.txt", false, data.size(), kTime),
                                    apfs::Extent(90, 0, 4096, 100)});
  std::copy(tail.begin(), tail.end(), image.begin() + 127 * kBlock);
  Disk disk(8 + 128);
  disk.Place(8, image);
  Scan scan(disk.bytes);

  const auto* found = scan.ByPath("tail.txt");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(scan.Contents(*found), data);
}

TEST(APFSDeepScan, WithoutBuildNothingReachesTheTreeBuilder) {
  SmallContainer container;
  Disk disk(container.writer.Build());
  const auto loose = LooseLeaf(40, {apfs::Inode(30, 31, "orphan.txt", false, 10, kTime)});
  disk.Place(40, loose);
  Scan scan(disk.bytes, 8192, 0);
  EXPECT_TRUE(scan.builder.nodes().empty());
  EXPECT_TRUE(scan.builder.searchers().empty());
  EXPECT_TRUE(scan.builder.flushes().empty());
  EXPECT_EQ(scan.Records().size(), 1u);
}

TEST(APFSDeepScan, ContainerMadeByMkapfsInAPartitionIsFoundOnceWhereItStarts) {
  quellsy::test::TempDir dir;
  QUELLSY_REQUIRE_FIXTURE(quellsy::test::RunFixture("tests/APFS/make-apfs-disk.sh", {dir.path().string(), "Quellsy"}));
  std::map<std::string, std::string> facts;
  quellsy::test::ReadFixtureManifest(dir.path() / "disk.img.manifest", facts, [](const auto&) {});
  Scan scan(quellsy::test::ReadBytes(dir.path() / "disk.img"));

  // mkapfs leaves copies of the superblock in the checkpoint area: still one container.
  const auto records = scan.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->GetStartSector(), std::stoll(facts.at("start")));
  EXPECT_EQ(records[0]->GetTotalSectors(), std::stoull(facts.at("sectors")));
  ASSERT_EQ(scan.searcher.Containers().size(), 1u);
  EXPECT_EQ(scan.searcher.Containers().begin()->second->ContainerName(), facts.at("label") + "_0");
}

TEST(APFSDeepScan, DiskWithoutApfsGivesNoPartitionAndNoTree) {
  Disk disk(64);
  disk.bytes = Pattern(disk.bytes.size(), 3);
  Scan scan(disk.bytes);
  EXPECT_EQ(scan.searcher.GetSearchedPartitionInfo(nullptr, 0), 0);
  EXPECT_TRUE(scan.builder.flushes().empty());
}

}  // namespace
