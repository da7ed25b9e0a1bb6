// Partition candidates from hand-built boot sectors and sub-folder first sectors: the geometry a boot sector
// gives (and the ones it must not), the backup at start + 6, FAT confirmation, votes and inference, the
// selection with its scores, and the bound on the number of candidates.

#include "FATSearch/CFATPartitionCandidates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FATLib/CTempFATDBR.h"
#include "FATLib/FatTestBytes.h"
#include "Utility/ByteReader.h"

namespace {

using namespace quellsy::test;
using Info = CFATSearchedPartitionInfo;

// The geometry of a boot sector, and which FAT type it states.
struct BootFields {
  enumFILE_SYSTEM_TYPE type;
  BootSectorFields fields;
};

std::vector<std::uint8_t> BootSector(const BootFields& boot) { return MakeBootSector(boot.fields); }

BootFields Fat32() {
  BootSectorFields f = Fat32Fields();
  f.totalSectors32 = 73728;
  f.sectorsPerFat32 = 600;
  return {FILE_SYSTEM_FAT32, f};
}

BootFields Fat16() {
  BootSectorFields f;
  f.totalSectors16 = 47104;
  f.totalSectors32 = 0;
  f.sectorsPerFat16 = 46;
  return {FILE_SYSTEM_FAT16, f};
}

BootFields Floppy() {
  BootSectorFields f;
  f.sectorsPerCluster = 1;
  f.rootEntries = 224;
  f.totalSectors16 = 2880;
  f.totalSectors32 = 0;
  f.sectorsPerFat16 = 9;
  f.fat16Text = "FAT12   ";
  return {FILE_SYSTEM_FAT12, f};
}

BootFields With(BootFields boot, void (*change)(BootSectorFields&)) {
  change(boot.fields);
  return boot;
}

const BootFields kFat32 = Fat32();
const BootFields kFat16 = Fat16();
const BootFields kFloppy = Floppy();

CFATSearchedPartitionInfo* KeptAt(std::vector<CFATSearchedPartitionInfo*>& kept, long long start) {
  for (CFATSearchedPartitionInfo* info : kept)
    if (info->GetStartSector() == start) return info;
  return nullptr;
}

struct Selected {
  std::vector<CFATSearchedPartitionInfo*> kept;
  ~Selected() {
    for (CFATSearchedPartitionInfo* info : kept) DestroyFATSearchedPartitionInfo(info);
  }
};

struct BootCase {
  const char* name;
  BootFields boot;
  long long sector;
  long long deviceSectors;
  bool made;
  long long origin = 0;
  std::uint64_t total = 0;
  std::uint32_t clusters = 0;
  std::uint32_t rootInfo = 0;
  std::uint32_t flags = 0;
};

class BootSectorCandidateTest : public testing::TestWithParam<BootCase> {};

TEST_P(BootSectorCandidateTest, GeometryFromTheBootSector) {
  const BootCase& c = GetParam();
  CFATPartitionCandidates candidates;
  candidates.SetDevice(c.deviceSectors, 512);
  const auto bytes = BootSector(c.boot);
  CTempFATDBR dbr(bytes, 512);
  ASSERT_TRUE(dbr.AdmitFAT12());
  const FATSearchedPartitionInfoPtr info = candidates.BuildPartitionInfoAccordingFATDBR(c.sector, dbr, 0);
  ASSERT_EQ(info != nullptr, c.made);
  if (!c.made) return;
  EXPECT_EQ(info->GetType(), 1) << "the FAT record type";
  EXPECT_EQ(info->GetFileSystemType(), c.boot.type);
  EXPECT_EQ(info->GetStartSector(), c.sector);
  EXPECT_EQ(info->GetClusterOrigin(), c.origin);
  EXPECT_EQ(info->GetSectorsPerCluster(), c.boot.fields.sectorsPerCluster);
  EXPECT_EQ(info->GetTotalSectors(), c.total);
  EXPECT_EQ(info->GetTotalClusters(), c.clusters);
  EXPECT_EQ(info->GetRootInfo(), c.rootInfo);
  EXPECT_EQ(info->GetReservedSectors(), c.boot.fields.reservedSectors);
  const BootSectorFields& f = c.boot.fields;
  EXPECT_EQ(info->GetSectorsPerFAT(), c.boot.type == FILE_SYSTEM_FAT32 ? f.sectorsPerFat32 : f.sectorsPerFat16);
  EXPECT_EQ(info->GetFlags(), c.flags);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BootSectorCandidateTest,
    testing::Values(
        BootCase{"fat32", kFat32, 2048, 100000, true, 2048 + 32 + 1200, 73728, 73728 - 1232, 2, Info::kFlagFAT32Boot},
        BootCase{"fat16", kFat16, 100, 100000, true, 100 + 1 + 92 + 32, 47104, (47104 - 125) / 4, 32,
                 Info::kFlagFAT16Boot},
        BootCase{"fat12Floppy", kFloppy, 0, 2880, true, 33, 2880, 2847, 14, Info::kFlagFAT12Boot},
        // A volume cut short by the device's end (a partial dump) keeps the type and clusters its boot sector
        // states (cut to the device, the count would fall under the type's minimum and lose the volume); only its
        // sectors are cut to the device's end, so nothing is read past it.
        BootCase{"fat16CutShortKeepsItsGeometry", kFat16, 100, 30000, true, 225, 29900, (47104 - 125) / 4, 32,
                 Info::kFlagFAT16Boot},
        BootCase{"fat32CutShortKeepsItsGeometry", kFat32, 2048, 4000, true, 2048 + 32 + 1200, 4000 - 2048,
                 73728 - 1232, 2, Info::kFlagFAT32Boot},
        BootCase{"fat16FatTooSmall", With(kFat16, [](BootSectorFields& f) { f.sectorsPerFat16 = 44; }), 100,
                 100000, false},
        BootCase{"fat16WithFat32ClusterCount",
                 With(kFat16,
                      [](BootSectorFields& f) {
                        f.sectorsPerCluster = 1;
                        f.totalSectors16 = 0;
                        f.totalSectors32 = 70000;
                        f.sectorsPerFat16 = 300;
                      }),
                 0, 100000, false},
        BootCase{"fat32RootBeyondClusters", With(kFat32, [](BootSectorFields& f) { f.rootCluster = 80000; }), 2048,
                 100000, false},
        BootCase{"noDataSectors", With(kFat32, [](BootSectorFields& f) { f.totalSectors32 = 1000; }), 0, 100000,
                 false}),
    [](const testing::TestParamInfo<BootCase>& param) { return std::string(param.param.name); });

TEST(FATPartitionCandidatesTest, Fat32BootSectorAlsoStandsForThePartitionItWouldBeTheBackupOf) {
  const auto bytes = BootSector(kFat32);
  // Only the backup at 2054 survives: it makes its own candidate and the one starting six sectors earlier.
  CFATPartitionCandidates backupOnly;
  backupOnly.SetDevice(100000, 512);
  ASSERT_TRUE(backupOnly.AnalyzeFATDBRSector(2054, bytes));
  EXPECT_EQ(backupOnly.Size(), 2u);
  CFATSearchedPartitionInfo* fromBackup = backupOnly.FindMatchedPartitionInfo(2048 + 1232, 1);
  ASSERT_NE(fromBackup, nullptr);
  EXPECT_EQ(fromBackup->GetStartSector(), 2048);
  EXPECT_EQ(fromBackup->GetFlags(), Info::kFlagFAT32Backup);

  // Both copies: the primary's candidate gains the backup bit instead of a second candidate.
  CFATPartitionCandidates both;
  both.SetDevice(100000, 512);
  ASSERT_TRUE(both.AnalyzeFATDBRSector(2048, bytes));
  ASSERT_TRUE(both.AnalyzeFATDBRSector(2054, bytes));
  EXPECT_EQ(both.Size(), 3u);  // 2048 with both bits, and the stray readings at 2042 and 2054
  CFATSearchedPartitionInfo* primary = both.FindMatchedPartitionInfo(2048 + 1232, 1);
  ASSERT_NE(primary, nullptr);
  EXPECT_EQ(primary->GetFlags(), Info::kFlagFAT32Boot | Info::kFlagFAT32Backup);

  // FAT12 and FAT16 have no backup boot sector; a sector before 6 has no partition six sectors earlier.
  for (const auto& [fields, sector] : {std::pair{kFat16, 100LL}, std::pair{kFat32, 4LL}}) {
    CFATPartitionCandidates single;
    single.SetDevice(100000, 512);
    EXPECT_TRUE(single.AnalyzeFATDBRSector(sector, BootSector(fields)));
    EXPECT_EQ(single.Size(), 1u);
  }
}

TEST(FATPartitionCandidatesTest, FatFirstSectorsConfirmTheirCandidatesInDiskOrder) {
  CFATPartitionCandidates candidates;
  candidates.SetDevice(100000, 512);
  ASSERT_TRUE(candidates.AnalyzeFATDBRSector(2048, BootSector(kFat32)));
  CFATSearchedPartitionInfo* partition = candidates.FindMatchedPartitionInfo(3280, 1);
  ASSERT_NE(partition, nullptr);
  EXPECT_EQ(candidates.PendingFATPositions(), 4u);  // two FATs each for 2048 and the stray 2042
  EXPECT_FALSE(candidates.IsFAT12TablePosition(2080));

  candidates.UpdateFATTableInfo(2080);
  EXPECT_EQ(partition->GetFlags(), Info::kFlagFAT32Boot | Info::kFlagFirstFAT | Info::kFlagFirstFATCopy);
  EXPECT_EQ(candidates.PendingFATPositions(), 2u);  // 2074 is passed and forgotten
  candidates.UpdateFATTableInfo(2680);
  EXPECT_TRUE(partition->HasAnyFlag(Info::kFlagSecondFAT));
  EXPECT_TRUE(partition->HasAnyFlag(Info::kFlagSecondFATCopy));
  EXPECT_EQ(candidates.PendingFATPositions(), 0u);

  CFATPartitionCandidates floppy;
  floppy.SetDevice(2880, 512);
  ASSERT_TRUE(floppy.AnalyzeFATDBRSector(0, BootSector(kFloppy)));
  EXPECT_TRUE(floppy.IsFAT12TablePosition(1));
  EXPECT_TRUE(floppy.IsFAT12TablePosition(10));
  EXPECT_FALSE(floppy.IsFAT12TablePosition(2));
}

TEST(FATPartitionCandidatesTest, SubFoldersVoteForTheCandidateWhoseClusterGridTheyFit) {
  CFATPartitionCandidates candidates;
  candidates.SetDevice(100000, 512);
  ASSERT_TRUE(candidates.AnalyzeFATDBRSector(100, BootSector(kFat16)));
  CFATSearchedPartitionInfo* partition = candidates.FindMatchedPartitionInfo(225, 4);
  ASSERT_NE(partition, nullptr);
  // Cluster 5 of 4 sectors lies 12 sectors past the origin.
  EXPECT_TRUE(candidates.AnalyzeFATSubFolderFirstSector(225 + 12, 5));
  EXPECT_TRUE(candidates.AnalyzeFATSubFolderFirstSector(225 + 40, 12));
  EXPECT_EQ(partition->GetSecondCounter(), 2);
  EXPECT_TRUE(partition->HasAnyFlag(Info::kFlagSubFolder));
  EXPECT_EQ(candidates.Size(), 1u);
  // "." naming cluster 0 or 1 fits no grid and infers nothing.
  EXPECT_TRUE(candidates.AnalyzeFATSubFolderFirstSector(5000, 1));
  EXPECT_EQ(candidates.Size(), 1u);
}

struct InferredCase {
  const char* name;
  long long deviceSectors;
  long long sector;
  std::uint32_t cluster;
  std::uint32_t sectorsPerCluster;
  bool made;
  enumFILE_SYSTEM_TYPE type = FILE_SYSTEM_UNKNOWN;
  long long start = 0;
  std::uint64_t total = 0;
  std::uint32_t clusters = 0;
  std::uint32_t sectorsPerFat = 0;
  std::uint32_t rootInfo = 0;
};

class InferredCandidateTest : public testing::TestWithParam<InferredCase> {};

TEST_P(InferredCandidateTest, LayoutOfAPartitionWithoutBootSector) {
  const InferredCase& c = GetParam();
  CFATPartitionCandidates candidates;
  candidates.SetDevice(c.deviceSectors, 512);
  const FATSearchedPartitionInfoPtr info =
      candidates.BuildPartitionInfoAccordingtoSubFolder(c.sector, c.cluster, c.sectorsPerCluster);
  ASSERT_EQ(info != nullptr, c.made);
  if (!c.made) return;
  EXPECT_EQ(info->GetFileSystemType(), c.type);
  EXPECT_EQ(info->GetClusterOrigin(), c.sector - static_cast<long long>(c.cluster - 2) * c.sectorsPerCluster);
  EXPECT_EQ(info->GetStartSector(), c.start);
  EXPECT_EQ(info->GetTotalSectors(), c.total);
  EXPECT_EQ(info->GetTotalClusters(), c.clusters);
  EXPECT_EQ(info->GetSectorsPerFAT(), c.sectorsPerFat);
  EXPECT_EQ(info->GetRootInfo(), c.rootInfo);
  EXPECT_EQ(info->GetReservedSectors(), 1);
  EXPECT_EQ(info->GetFlags(), Info::kFlagSubFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InferredCandidateTest,
    testing::Values(
        // 11743 clusters of 4 sectors to the disk's end: FAT16 with 46-sector FATs and a 32-sector root.
        InferredCase{"fat16ToTheDiskEnd", 49152, 2180 + 12, 5, 4, true, FILE_SYSTEM_FAT16, 2180 - 92 - 1 - 32,
                     11743 * 4 + 32 + 92 + 1, 11743, 46, 32},
        // The rest of the disk needs larger FATs than fit before the origin: the FATs there bound the clusters.
        InferredCase{"fat32BoundByItsFats", 1000000, 1201 + 8, 10, 1, true, FILE_SYSTEM_FAT32, 0, 76800 + 1200 + 1,
                     76800, 600, 2},
        InferredCase{"fat32Fits", 200000, 20000 + 3, 5, 1, true, FILE_SYSTEM_FAT32, 20000 - 2 * 1407 - 1,
                     180000 + 2 * 1407 + 1, 180000, 1407, 2},
        // Too few clusters for FAT16 and too few sectors before the origin for the FATs.
        InferredCase{"tooSmall", 3000, 100, 3, 1, false},
        InferredCase{"originBeforeTheDisk", 100000, 10, 100, 1, false}),
    [](const testing::TestParamInfo<InferredCase>& param) { return std::string(param.param.name); });

TEST(FATPartitionCandidatesTest, InferredCandidateSurvivesOnlyWithASecondSubFolder) {
  CFATPartitionCandidates candidates;
  candidates.SetDevice(49152, 512);
  // The first sub-folder infers a candidate for every cluster size the disk allows, without a vote.
  ASSERT_TRUE(candidates.AnalyzeFATSubFolderFirstSector(2180 + 4, 3));
  const std::size_t inferred = candidates.Size();
  EXPECT_GE(inferred, 1u);
  CFATSearchedPartitionInfo* fat16 = candidates.FindMatchedPartitionInfo(2180, 4);
  ASSERT_NE(fat16, nullptr);
  EXPECT_EQ(fat16->GetSecondCounter(), 0);

  CFATPartitionCandidates lonely;
  lonely.SetDevice(49152, 512);
  lonely.AnalyzeFATSubFolderFirstSector(2180 + 4, 3);
  Selected none;
  lonely.AddSearchedPartitionInfoList2(none.kept);
  EXPECT_TRUE(none.kept.empty());
  EXPECT_EQ(lonely.Size(), 0u);

  // A second sub-folder on the same grid confirms it and infers nothing new.
  ASSERT_TRUE(candidates.AnalyzeFATSubFolderFirstSector(2180 + 4 * 7, 9));
  EXPECT_EQ(candidates.Size(), inferred);
  Selected selected;
  candidates.AddSearchedPartitionInfoList2(selected.kept);
  ASSERT_EQ(selected.kept.size(), 1u);
  EXPECT_EQ(selected.kept[0]->GetClusterOrigin(), 2180);
  EXPECT_EQ(selected.kept[0]->GetFlag(), 20u);
  EXPECT_EQ(selected.kept[0]->GetPartitionIndex(), 0);
}

TEST(FATPartitionCandidatesTest, SelectionKeepsConfirmedBootSectorsAndNumbersThemByOrigin) {
  CFATPartitionCandidates candidates;
  candidates.SetDevice(200000, 512);
  // 100000: FAT16 confirmed by its first FAT; 50000: FAT16 confirmed by a sub-folder only; 150000: FAT16 with
  // nothing to confirm it.
  for (const long long start : {100000LL, 50000LL, 150000LL})
    ASSERT_TRUE(candidates.AnalyzeFATDBRSector(start, BootSector(kFat16)));
  candidates.UpdateFATTableInfo(50050);  // passes both FATs of 50000 without confirming them
  candidates.UpdateFATTableInfo(100001);
  candidates.AnalyzeFATSubFolderFirstSector(50125 + 8, 4);
  Selected selected;
  candidates.AddSearchedPartitionInfoList2(selected.kept);
  ASSERT_EQ(selected.kept.size(), 2u);
  EXPECT_EQ(selected.kept[0]->GetStartSector(), 50000);
  EXPECT_EQ(selected.kept[0]->GetPartitionIndex(), 0);
  EXPECT_EQ(selected.kept[0]->GetFlag(), 60u);  // no FAT, boot sector
  EXPECT_EQ(selected.kept[1]->GetStartSector(), 100000);
  EXPECT_EQ(selected.kept[1]->GetPartitionIndex(), 1);
  EXPECT_EQ(selected.kept[1]->GetFlag(), 95u);  // one FAT, boot sector
  EXPECT_EQ(KeptAt(selected.kept, 150000), nullptr);
  EXPECT_EQ(candidates.Size(), 0u);
  EXPECT_EQ(candidates.PendingFATPositions(), 0u);
}

struct ScoreCase {
  enumFILE_SYSTEM_TYPE type;
  std::uint32_t flags;
  std::uint64_t score;
};

TEST(FATPartitionCandidatesTest, ScoreAddsFatAndBootSectorEvidence) {
  constexpr std::uint32_t kBothFATs = Info::kFlagFirstFAT | Info::kFlagSecondFAT;
  const std::vector<ScoreCase> cases = {
      {FILE_SYSTEM_FAT32, Info::kFlagFAT32Boot | Info::kFlagFAT32Backup | kBothFATs, 100},
      {FILE_SYSTEM_FAT32, Info::kFlagFAT32Backup | Info::kFlagFirstFAT, 90},
      {FILE_SYSTEM_FAT32, Info::kFlagFAT32Boot | Info::kFlagSecondFAT, 90},
      {FILE_SYSTEM_FAT32, Info::kFlagFAT32Boot, 55},
      {FILE_SYSTEM_FAT32, Info::kFlagSubFolder, 20},
      {FILE_SYSTEM_FAT16, Info::kFlagFAT16Boot | kBothFATs, 100},
      {FILE_SYSTEM_FAT16, Info::kFlagFAT16Boot | Info::kFlagFirstFAT, 95},
      {FILE_SYSTEM_FAT16, Info::kFlagSubFolder, 20},
      {FILE_SYSTEM_FAT12, Info::kFlagFAT12Boot | kBothFATs, 100},
  };
  for (const ScoreCase& c : cases) {
    CFATSearchedPartitionInfo info;
    info.SetFileSystemType(c.type);
    info.MergeFlag(c.flags);
    EXPECT_EQ(CFATPartitionCandidates::Score(info), c.score) << c.type << " flags " << c.flags;
  }
}

TEST(FATPartitionCandidatesTest, CandidatesAreBoundedButVotesStillCount) {
  CFATPartitionCandidates candidates(4);
  candidates.SetDevice(1000000, 512);
  // Sub-folders on no common grid: each would infer new candidates.
  for (std::uint32_t i = 0; i < 50; ++i) candidates.AnalyzeFATSubFolderFirstSector(300000 + 7919 * i, 3 + 13 * i);
  EXPECT_EQ(candidates.Size(), 4u);
  CFATPartitionCandidates full(1);
  full.SetDevice(100000, 512);
  ASSERT_TRUE(full.AnalyzeFATDBRSector(100, BootSector(kFat16)));
  full.AnalyzeFATSubFolderFirstSector(225 + 12, 5);
  EXPECT_EQ(full.Size(), 1u);
  EXPECT_EQ(full.FindMatchedPartitionInfo(225, 4)->GetSecondCounter(), 1);
}

TEST(FATPartitionCandidatesTest, CloneKeepsGeometryAndEvidenceButNotCountersOrScore) {
  CFATPartitionCandidates candidates;
  candidates.SetDevice(100000, 4096);
  const auto bytes = BootSector(With(kFat16, [](BootSectorFields& f) { f.bytesPerSector = 4096; }));
  ASSERT_TRUE(candidates.AnalyzeFATDBRSector(100, bytes));
  candidates.AnalyzeFATSubFolderFirstSector(100 + 1 + 92 + 4 + 12, 5);
  Selected selected;
  candidates.AddSearchedPartitionInfoList2(selected.kept);
  ASSERT_EQ(selected.kept.size(), 1u);
  const CFATSearchedPartitionInfo& kept = *selected.kept[0];
  ASSERT_EQ(kept.GetSecondCounter(), 1);
  std::unique_ptr<CSearchedPartitionInfo> copy(kept.Clone());
  auto* clone = dynamic_cast<CFATSearchedPartitionInfo*>(copy.get());
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->GetType(), 1);
  EXPECT_EQ(clone->GetBytesPerSector(), 4096u);
  EXPECT_EQ(clone->GetPartitionIndex(), kept.GetPartitionIndex());
  EXPECT_EQ(clone->GetClusterOrigin(), kept.GetClusterOrigin());
  EXPECT_EQ(clone->GetStartSector(), kept.GetStartSector());
  EXPECT_EQ(clone->GetTotalSectors(), kept.GetTotalSectors());
  EXPECT_EQ(clone->GetSectorsPerCluster(), kept.GetSectorsPerCluster());
  EXPECT_EQ(clone->GetRootInfo(), kept.GetRootInfo());
  EXPECT_EQ(clone->GetSectorsPerFAT(), kept.GetSectorsPerFAT());
  EXPECT_EQ(clone->GetTotalClusters(), kept.GetTotalClusters());
  EXPECT_EQ(clone->GetReservedSectors(), kept.GetReservedSectors());
  EXPECT_EQ(clone->GetFlags(), kept.GetFlags());
  EXPECT_EQ(clone->GetSecondCounter(), 0);
  EXPECT_EQ(clone->GetFlag(), CSearchedPartitionInfo().GetFlag());
}

}  // namespace
