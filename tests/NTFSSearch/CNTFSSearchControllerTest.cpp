// The NTFS complete searcher driven block by block over whole-disk images made with mkntfs, ntfs-3g and sfdisk:
// the evidence flags of the partitions it proposes (boot sector and backup, a lone backup, the $MFT and
// $MFTMirr groups, INDX records, restart pages), records straddling blocks, EndSearch(0), the partition records
// it hands out, and the nodes of each kept partition.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>

#include "NTFSLib/NtfsImages.h"
#include "NTFSLib/NTFSPublicFunction.h"
#include "NTFSSearch/CNTFSSearchController.h"
#include "NTFSSearch/NtfsDiskImages.h"
#include "include/FileNode.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"

namespace quellsy::test {
namespace {

using Flags = CSearchedNTFSPartitionInfo;
constexpr int kFourMiB = 8192;

class NtfsCompleteSearchTest : public testing::Test {
 protected:
  void SetUp() override { NTFSPublicFunction::ResetDeviceSectorSize(); }
  void TearDown() override { NTFSPublicFunction::ResetDeviceSectorSize(); }

  // Every block of the image shown to a new searcher; the search is not ended.
  std::unique_ptr<CNTFSSearchController> Scan(const std::string& image, int blockSectors) {
    m_device = std::make_unique<FileDevice>(NtfsDiskImages::Get().Image(image), 512);
    auto searcher = std::make_unique<CNTFSSearchController>();
    searcher->SetDevice(m_device.get());
    searcher->SetBlockSize(blockSectors);
    searcher->SetDirecotryTreeBuilder(&m_builder);
    searcher->PreparetoSearch();
    const long long total = m_device->GetTotalSectors();
    for (long long first = 0; first < total; first += blockSectors)
      searcher->AnalyzeBlock(first, std::min<long long>(blockSectors, total - first));
    return searcher;
  }

  static std::uint32_t FlagsAt(const CNTFSSearchController& searcher, long long origin) {
    const auto at = searcher.Proposals().find({origin, 8});
    return at == searcher.Proposals().end() ? 0 : at->second->GetEvidence().buildFrom;
  }

  std::unique_ptr<FileDevice> m_device;
  RecordingTreeBuilder m_builder;
};

TEST_F(NtfsCompleteSearchTest, IntactDiskProposesBothVolumesFromEveryKindOfEvidence) {
  QUELLSY_REQUIRE_FIXTURE(NtfsDiskImages::Get().Run());
  const NtfsDisk disk = NtfsDiskImages::Get().Manifest("disk.img");
  const auto searcher = Scan("disk.img", kFourMiB);
  for (const char* start : {"p1-start", "p2-start"}) {
    SCOPED_TRACE(start);
    const std::uint32_t flags = FlagsAt(*searcher, disk.Fact(start));
    // Boot sector and backup; the $MFT group and the $MFTMirr group confirm each other. (ntfs-3g leaves the
    // log file empty, without restart pages.)
    EXPECT_EQ(flags & Flags::kBootFlags, Flags::kBootFlags);
    EXPECT_NE(flags & Flags::kMFTAndMirror, 0u);
    EXPECT_EQ(flags & Flags::kMFTGroup, 0u);
  }
  // /p1many's INDX records, placed through its folder record's index allocation.
  const auto first = searcher->Proposals().find({disk.Fact("p1-start"), 8});
  EXPECT_NE(first->second->GetEvidence().buildFrom & Flags::kIndexRecord, 0u);
  EXPECT_GT(first->second->GetSecondCounter(), 0);
  // No proposal rests on a backup boot sector alone, and no backup was taken for a volume of its own.
  for (const auto& [key, partition] : searcher->Proposals()) {
    EXPECT_NE(partition->GetEvidence().buildFrom, std::uint32_t{Flags::kBackupBootSector}) << key.first;
    EXPECT_NE(key.first, disk.Fact("p2-start") - 1);
  }
}

TEST_F(NtfsCompleteSearchTest, LoneBackupBootSectorProposesTheVolumeOneVolumeBeforeIt) {
  QUELLSY_REQUIRE_FIXTURE(NtfsDiskImages::Get().Run());
  const NtfsDisk disk = NtfsDiskImages::Get().Manifest("wiped.img");
  const auto searcher = Scan("wiped.img", kFourMiB);
  const std::uint32_t flags = FlagsAt(*searcher, disk.Fact("p1-start"));
  EXPECT_EQ(flags & Flags::kBootFlags, std::uint32_t{Flags::kBackupBootSector});
  EXPECT_NE(flags & Flags::kMFTAndMirror, 0u);
  const auto at = searcher->Proposals().find({disk.Fact("p1-start"), 8});
  // mkntfs states one sector less than the volume: the backup lies in its last sector.
  EXPECT_EQ(at->second->GetTotalSectors(), static_cast<std::uint64_t>((disk.Fact("sectors") - 1) / 8 * 8));
}

// Proposals and located records do not depend on where the blocks end: with these block sizes FILE records
// (two sectors) and INDX records (eight) are cut by block ends.
TEST_F(NtfsCompleteSearchTest, RecordsStraddlingBlocksAreMetWholeAtTheirFirstSector) {
  QUELLSY_REQUIRE_FIXTURE(NtfsDiskImages::Get().Run());
  const auto reference = Scan("disk.img", kFourMiB);
  std::map<std::pair<long long, std::uint32_t>, std::pair<std::uint32_t, long long>> expected;
  for (const auto& [key, partition] : reference->Proposals())
    expected[key] = {partition->GetEvidence().buildFrom, partition->GetSecondCounter()};
  long long expectedRecords = 0;
  for (const auto& run : reference->SearchInfo().positions) expectedRecords += run.count;
  ASSERT_GT(expectedRecords, 100);
  for (const int block : {kFourMiB - 1, kFourMiB - 3, 4099, 1031, 17}) {
    SCOPED_TRACE(block);
    const auto searcher = Scan("disk.img", block);
    std::map<std::pair<long long, std::uint32_t>, std::pair<std::uint32_t, long long>> got;
    for (const auto& [key, partition] : searcher->Proposals())
      got[key] = {partition->GetEvidence().buildFrom, partition->GetSecondCounter()};
    EXPECT_EQ(got, expected);
    long long records = 0;
    for (const auto& run : searcher->SearchInfo().positions) records += run.count;
    EXPECT_EQ(records, expectedRecords);
  }
}

TEST_F(NtfsCompleteSearchTest, EndSearchWithoutBuildingKeepsEverything) {
  QUELLSY_REQUIRE_FIXTURE(NtfsDiskImages::Get().Run());
  const auto searcher = Scan("disk.img", kFourMiB);
  const std::size_t proposals = searcher->Proposals().size();
  searcher->EndSearch(0);
  EXPECT_EQ(searcher->Proposals().size(), proposals);
  EXPECT_TRUE(m_builder.nodes().empty());
  EXPECT_TRUE(m_builder.flushes().empty());
  // The search can still be ended for real.
  searcher->EndSearch(1);
  EXPECT_EQ(searcher->Kept().size(), 2u);
  EXPECT_FALSE(m_builder.nodes().empty());
}

TEST_F(NtfsCompleteSearchTest, KeptPartitionsAreHandedOutAsClonesCarryingTheirIndex) {
  QUELLSY_REQUIRE_FIXTURE(NtfsDiskImages::Get().Run());
  const NtfsDisk disk = NtfsDiskImages::Get().Manifest("disk.img");
  const auto searcher = Scan("disk.img", kFourMiB);
  searcher->EndSearch(1);
  ASSERT_EQ(searcher->GetSearchedPartitionInfo(nullptr, 0), 2);
  CSearchedPartitionInfo* small[1] = {nullptr};
  EXPECT_EQ(searcher->GetSearchedPartitionInfo(small, 1), 2);
  EXPECT_EQ(small[0], nullptr);
  for (int round = 0; round < 2; ++round) {
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> owned;
    CSearchedPartitionInfo* records[2] = {nullptr, nullptr};
    ASSERT_EQ(searcher->GetSearchedPartitionInfo(records, 2), 2);
    for (CSearchedPartitionInfo* record : records) owned.emplace_back(record);
    for (int i = 0; i < 2; ++i) {
      EXPECT_NE(records[i], searcher->Kept()[static_cast<std::size_t>(i)].get());
      EXPECT_EQ(records[i]->GetPartitionIndex(), i);
      EXPECT_EQ(records[i]->GetFileSystemType(), FILE_SYSTEM_NTFS);
      EXPECT_EQ(records[i]->GetSectorsPerCluster(), 8u);
      ASSERT_NE(dynamic_cast<CSearchedNTFSPartitionInfo*>(records[i]), nullptr);
      EXPECT_GT(static_cast<CSearchedNTFSPartitionInfo*>(records[i])->GetEvidence().mftSector, 0);
    }
    for (CSearchedPartitionInfo* record : records) {
      const auto& evidence = static_cast<CSearchedNTFSPartitionInfo*>(record)->GetEvidence();
      // mkntfs writes the standard 2560-byte $AttrDef (five sectors) and 128 KiB $UpCase (256 sectors); ntfs-3g
      // leaves the log without record pages.
      EXPECT_EQ(evidence.attrDefMatch, 5);
      EXPECT_EQ(evidence.upCaseMatch, 256);
      EXPECT_EQ(evidence.logFileMatch, 0);
      // Boot sector 30, backup 10, $MFT and $MFTMirr groups together 30, the mirror group 10, INDX records 0, and
      // 10 each for the $AttrDef and $UpCase matches.
      const std::uint32_t flags = evidence.buildFrom;
      std::uint64_t score = 30 + 10 + 30 + 10 + 10;
      if ((flags & Flags::kMFTMirrGroup) != 0) score += 10;
      EXPECT_EQ(record->GetFlag(), score) << flags;
    }
    EXPECT_EQ(records[0]->GetClusterOrigin(), disk.Fact("p1-start"));
    EXPECT_EQ(records[1]->GetClusterOrigin(), disk.Fact("p2-start"));
    EXPECT_EQ(records[0]->GetStartSector(), disk.Fact("p1-start"));
    EXPECT_GT(records[0]->GetOrderKey(), records[1]->GetOrderKey());
  }
}

TEST_F(NtfsCompleteSearchTest, NodesCarryTheirPartitionAndOrphanedFoldersKeepTheirParents) {
  QUELLSY_REQUIRE_FIXTURE(NtfsDiskImages::Get().Run());
  const NtfsDisk disk = NtfsDiskImages::Get().Manifest("disk.img");
  const auto searcher = Scan("disk.img", kFourMiB);
  searcher->EndSearch(1);
  const std::map<std::string, int> partitionOf = {{"p1-tiny.txt", 0}, {"p1-a.txt", 0}, {"p2-file.bin", 1}, {"p2-c.txt", 1}};
  for (const auto& [name, index] : partitionOf) {
    const RecordingTreeBuilder::Node* node = m_builder.Find(name);
    ASSERT_NE(node, nullptr) << name;
    EXPECT_EQ(dynamic_cast<CFileNode*>(node->node)->GetBelongedPartition(), index) << name;
  }
  // p1sub's parent record was wiped: it keeps the parent it names and its file stays under it.
  const RecordingTreeBuilder::Node* sub = m_builder.Find("p1sub");
  const RecordingTreeBuilder::Node* orphan = m_builder.Find("p1-orphan.txt");
  ASSERT_NE(sub, nullptr);
  ASSERT_NE(orphan, nullptr);
  EXPECT_EQ(sub->parentId, disk.Fact("wiped-top"));
  EXPECT_EQ(orphan->parentId, sub->id);
  // Each record is handed over once, even inside a parent loop.
  std::multiset<std::string> names;
  for (const auto& node : m_builder.nodes()) names.insert(node.name);
  EXPECT_EQ(names.count("p1loopa"), 1u);
  EXPECT_EQ(names.count("p1loopb"), 1u);
  EXPECT_EQ(m_builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_NTFS});
}

// Lone boot sectors (score 30 each, no $MFT) at the given sectors of a 4096-sector disk, each stating a volume
// too large for a backup before it.
std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> KeptFromBootSectors(const std::vector<long long>& at) {
  std::vector<std::uint8_t> boot(512);
  std::ifstream(NtfsDiskImages::Get().Image("disk.img"), std::ios::binary)
      .seekg(NtfsDiskImages::Get().Manifest("disk.img").Fact("p1-start") * 512)
      .read(reinterpret_cast<char*>(boot.data()), 512);
  const std::uint64_t total = 50000;
  for (int i = 0; i < 8; ++i) boot[0x28 + i] = static_cast<std::uint8_t>(total >> (8 * i));
  std::vector<std::uint8_t> disk(4096 * 512, 0);
  for (const long long sector : at) std::copy(boot.begin(), boot.end(), disk.begin() + sector * 512);
  MemoryDevice device(std::move(disk));
  RecordingTreeBuilder builder;
  CNTFSSearchController searcher;
  searcher.SetDevice(&device);
  searcher.SetBlockSize(1024);
  searcher.SetDirecotryTreeBuilder(&builder);
  searcher.PreparetoSearch();
  for (long long first = 0; first < 4096; first += 1024) searcher.AnalyzeBlock(first, 1024);
  EXPECT_EQ(searcher.Proposals().size(), at.size());
  searcher.EndSearch(1);
  std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> kept;
  for (const auto& partition : searcher.Kept())
    kept.emplace_back(static_cast<CSearchedNTFSPartitionInfo*>(partition->Clone()));
  return kept;
}

TEST_F(NtfsCompleteSearchTest, WeakCandidatesStayOnlyWhileFewerThanThreeRemain) {
  QUELLSY_REQUIRE_FIXTURE(NtfsDiskImages::Get().Run());
  // Two weak candidates both stay, in origin order, with descending sort keys.
  const auto two = KeptFromBootSectors({1000, 100});
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0]->GetClusterOrigin(), 100);
  EXPECT_EQ(two[1]->GetClusterOrigin(), 1000);
  EXPECT_EQ(two[0]->GetFlag(), 30u);
  EXPECT_EQ(two[0]->GetOrderKey(), 2.0);
  EXPECT_EQ(two[1]->GetOrderKey(), 1.0);
  // With three, every one scoring 50 or less without an $MFT goes.
  EXPECT_TRUE(KeptFromBootSectors({100, 1000, 2000}).empty());
}

}  // namespace
}  // namespace quellsy::test
