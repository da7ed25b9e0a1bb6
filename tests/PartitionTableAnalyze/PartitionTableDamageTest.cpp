// Hand-built tables, sound and damaged: every case ends with the partitions the bytes support, a clear
// error, or both, and never reads without end.

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "PartitionTableAnalyze/BaseGPTAnalyzer.h"
#include "PartitionTableAnalyze/IPartitionTableAnalyze.h"
#include "PartitionTableAnalyze/PartitionImages.h"
#include "PartitionTableAnalyze/PartitionTableChainAnalyzer.h"
#include "PartitionTableAnalyze/PartitionTableEntry.h"
#include "PartitionTableAnalyze/TableBytes.h"

namespace quellsy::test {
namespace {

constexpr long long kDiskSectors = 100000;

enum class Reader { kWhole, kMbr, kGpt, kApm };

struct TableCase {
  std::string name;
  std::function<void(TableDisk&)> build;
  Reader reader;
  std::uint32_t error;  // 0 for success
  std::vector<LayoutEntry> layout;
  unsigned sectorSize = 512;
  long long sectors = kDiskSectors;
};

void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }

ResultCode RunReader(Reader reader, IStorageDevice* disk, std::list<PartitionEntry>& out) {
  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  switch (reader) {
    case Reader::kMbr: return analyzer->AnalyzeMBRPartitionTable(disk, out);
    case Reader::kGpt: return analyzer->AnalyzeGPTPartitionTable(disk, out);
    case Reader::kApm: return analyzer->AnalyzeAPMPartitionTable(disk, out);
    case Reader::kWhole: break;
  }
  return analyzer->AnalyzePartitionTable(disk, out);
}

class HandBuiltTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(HandBuiltTable, GivesWhatTheBytesSupport) {
  TableDisk disk(GetParam().sectors, GetParam().sectorSize);
  GetParam().build(disk);
  std::list<PartitionEntry> entries = {PartitionEntry{}};  // cleared first
  const ResultCode result = RunReader(GetParam().reader, &disk.device(), entries);
  if (GetParam().error == 0) {
    EXPECT_EQ(result, kResultOk);
  } else {
    EXPECT_EQ(ModuleOf(result), module::kPartitionTable);
    EXPECT_EQ(ErrorOf(result), GetParam().error);
  }
  EXPECT_EQ(LayoutOf(entries), GetParam().layout);
  // Nothing is read again and again: a few sectors per table, at most one per chain link.
  EXPECT_LE(disk.device().ReadCalls(), 1100);
}

// Three logical partitions, each EBR's slot relative to the EBR itself, each link relative to the
// extended partition's start.
void Chain(TableDisk& d, std::uint32_t base, int links) {
  d.Signature(0);
  d.Slot(0, 0, 0x83, 2048, 4000);
  d.Slot(0, 1, 0x05, base, 50000);
  for (int i = 0; i < links; ++i) {
    const std::uint64_t ebr = base + 2000u * i;
    d.Signature(ebr);
    d.Slot(ebr, 0, 0x83, 100, 1000);
    if (i + 1 < links) d.Slot(ebr, 1, 0x05, 2000u * (i + 1), 1100);
  }
}

const TableCase kCases[] = {
    // MBR and its chain.
    {"MbrChainOfThree", [](TableDisk& d) { Chain(d, 10000, 3); }, Reader::kWhole, 0,
     {{1, 2048, 4000}, {5, 10100, 1000}, {6, 12100, 1000}, {7, 14100, 1000}}},
    {"MbrStatusByteRefused",
     [](TableDisk& d) {
       d.Signature(0);
       d.Slot(0, 0, 0x83, 2048, 4000);
       d.Slot(0, 1, 0x83, 8192, 4000, 0x01);
     },
     Reader::kMbr, 6, {}},
    {"MbrWithoutSignatureRefused", [](TableDisk& d) { d.Slot(0, 0, 0x83, 2048, 4000); }, Reader::kMbr, 6, {}},
    {"MbrCountsClampedToTheDisk",
     [](TableDisk& d) {
       d.Signature(0);
       d.Slot(0, 0, 0x83, 200000, 10);     // starts past the end: dropped
       d.Slot(0, 1, 0x83, 90000, 50000);   // runs past the end: cut
       d.Slot(0, 2, 0x00, 95000, 0);       // no count, empty type: the rest of the disk
       d.Slot(0, 3, 0x07, 0xFFFFFFFF, 0xFFFFFFFF);
     },
     Reader::kWhole, 0, {{2, 90000, 10000}, {3, 95000, 5000}}},
    {"DynamicDiskRefusedAsMbr",
     [](TableDisk& d) {
       d.Signature(0);
       d.Slot(0, 0, 0x42, 63, 50000);
     },
     Reader::kWhole, 3, {}},
    {"DynamicDiskRefusedAsGpt",
     [](TableDisk& d) {
       d.GptEntry(1, 0x11, 40000, 90000);
       d.Slot(0, 2, 0x42, 63, 50000);
     },
     Reader::kGpt, 3, {}},
    {"EbrLinkingToItselfEnds",
     [](TableDisk& d) {
       Chain(d, 10000, 1);
       d.Slot(10000, 1, 0x05, 0, 1100);
     },
     Reader::kWhole, 0, {{1, 2048, 4000}, {5, 10100, 1000}}},
    {"EbrLinkingBackToTheFirstEnds",
     [](TableDisk& d) {
       Chain(d, 10000, 3);
       d.Slot(14000, 0, 0x83, 300, 1000);  // a fresh partition, so the duplicate-start test does not stop it
       d.Slot(14000, 1, 0x05, 0, 1100);
     },
     Reader::kWhole, 0, {{1, 2048, 4000}, {5, 10100, 1000}, {6, 12100, 1000}, {7, 14300, 1000}}},
    {"EbrWithTwoLinksRefusedKeepingWhatCameBefore",
     [](TableDisk& d) {
       Chain(d, 10000, 2);
       d.Slot(10000, 2, 0x0F, 6000, 1100);
     },
     Reader::kWhole, 6, {{1, 2048, 4000}, {5, 10100, 1000}}},
    {"EbrPastTheDiskRefused",
     [](TableDisk& d) {
       d.Signature(0);
       d.Slot(0, 0, 0x83, 2048, 4000);
       d.Slot(0, 1, 0x0F, 500000, 50000);
     },
     Reader::kWhole, 6, {{1, 2048, 4000}}},
    {"EbrBadSignatureKeepsThePrimaries",
     [](TableDisk& d) {
       Chain(d, 10000, 2);
       d.At(12000, 510).u8(0, 0);
     },
     Reader::kWhole, 6, {{1, 2048, 4000}, {5, 10100, 1000}}},
    // GPT.
    {"GptSmallReservedPartitionLeftOut",
     [](TableDisk& d) {
       d.GptEntry(1, 0x16, 34, 34 + 2047);
       d.GptEntry(2, 0x22, 4096, 90000);
     },
     Reader::kWhole, 0, {{2, 4096, 85905}}},
    {"GptEightMebibytesExactlyLeftOut",
     [](TableDisk& d) {
       d.GptEntry(1, 0x11, 2048, 2048 + 16384 - 1);
       d.GptEntry(5, 0x11, 20000, 20000 + 16385 - 1);
     },
     Reader::kWhole, 0, {{5, 20000, 16385}}},
    {"GptEntriesClampedToTheDisk",
     [](TableDisk& d) {
       d.GptEntry(1, 0x11, 2048, 1000000000000ULL);  // cut at the end
       d.GptEntry(2, 0x11, 200000, 300000);          // starts past the end: dropped
       d.GptEntry(3, 0x11, 50000, 10);               // last before first: the rest of the disk
       d.GptEntry(4, 0x11, ~0ULL - 5, ~0ULL);
     },
     Reader::kWhole, 0, {{1, 2048, 97952}, {3, 50000, 50000}}},
    // A damaged primary header or a primary array that no longer matches its CRC (a stale copy): the
    // backup at the disk's end is read instead.
    {"GptDamagedPrimaryHeaderUsesTheBackup",
     [](TableDisk& d) {
       d.GptEntry(1, 0x11, 2048, 40000);
       d.Corrupt(1, 40);
     },
     Reader::kWhole, 0, {{1, 2048, 37953}}},
    {"GptStalePrimaryArrayUsesTheBackup",
     [](TableDisk& d) {
       d.GptEntry(1, 0x11, 2048, 40000);
       d.At(2, 32).le64(0, 60000);
     },
     Reader::kWhole, 0, {{1, 2048, 37953}}},
    // Both tables damaged: no GPT at all, not the bytes of a stale array.
    {"GptBothTablesDamagedIsNoTable",
     [](TableDisk& d) {
       d.GptEntry(1, 0x11, 2048, 40000);
       d.Corrupt(1, 40);
       d.Corrupt(kDiskSectors - 1, 40);
     },
     Reader::kWhole, 0, {}},
    {"GptBothTablesDamagedRefusedAsGpt",
     [](TableDisk& d) {
       d.GptEntry(1, 0x11, 2048, 40000);
       d.Corrupt(2, 0);
       d.Corrupt(kDiskSectors - 1, 0);
     },
     Reader::kGpt, 6, {}},
    // The array lies where the header says, with as many entries of whatever valid size it says.
    {"GptArrayElsewhereWithLargerEntries",
     [](TableDisk& d) {
       d.GptLayout(2048, 16, 512);
       d.GptEntry(1, 0x11, 4096, 40000);
       d.GptEntry(16, 0x22, 50000, 70000);
     },
     Reader::kWhole, 0, {{1, 4096, 35905}, {16, 50000, 20001}}},
    {"GptArrayOfAbsurdSizeIsNoTable",
     [](TableDisk& d) {
       d.GptLayout(2, 16384, 128);
       d.GptEntry(1, 0x11, 4096, 40000);
     },
     Reader::kWhole, 0, {}},
    {"GptEntrySizeNotAPowerOfTwoIsNoTable",
     [](TableDisk& d) {
       d.GptLayout(2, 16, 384);
       d.GptEntry(1, 0x11, 4096, 40000);
     },
     Reader::kWhole, 0, {}},
    // With 4096-byte sectors the size limit is measured in those sectors: 12 MiB is kept, 7.8 MiB not.
    {"GptFourKibibyteSectors",
     [](TableDisk& d) {
       d.Signature(0);
       d.Slot(0, 0, 0xEE, 1, 0xFFFFFFFF);
       auto first = FieldWriter(MutableByteSpan(d.device().bytes()).subspan(2 * 4096));
       for (std::size_t i = 0; i < 16; ++i) first.u8(i, 0x11);
       first.le64(32, 256);
       first.le64(40, 256 + 3000 - 1);
       auto second = FieldWriter(MutableByteSpan(d.device().bytes()).subspan(2 * 4096 + 128));
       for (std::size_t i = 0; i < 16; ++i) second.u8(i, 0x11);
       second.le64(32, 4000);
       second.le64(40, 4000 + 2000 - 1);
       d.SealGpt();
     },
     Reader::kWhole, 0, {{1, 256, 3000}}, 4096, 10000},
    // Apple partition map.
    {"ApmCountsClampedToTheDisk",
     [](TableDisk& d) {
       d.ApmHead(512);
       d.ApmEntry(512, 3, 1, 63, "Apple_partition_map");
       d.ApmEntry(1024, 3, 90000, 50000, "Apple_HFS");
       d.ApmEntry(1536, 3, 200000, 10, "Apple_Free");
     },
     Reader::kWhole, 0, {{1, 1, 63}, {2, 90000, 10000}}},
    {"ApmFortyEntriesRefused",
     [](TableDisk& d) {
       d.ApmHead(512);
       d.ApmEntry(512, 40, 1, 63, "Apple_partition_map");
     },
     Reader::kWhole, 6, {}},
    {"ApmZeroBlockSizeRefused",
     [](TableDisk& d) {
       d.ApmHead(0);
       d.ApmEntry(512, 31, 1, 63, "Apple_partition_map");
     },
     Reader::kWhole, 6, {}},
    {"ApmBadMapSignatureRefused", [](TableDisk& d) { d.ApmHead(512); }, Reader::kWhole, 6, {}},
    {"ApmEntryWithoutSignatureSkipped",
     [](TableDisk& d) {
       d.ApmHead(512);
       d.ApmEntry(512, 3, 1, 63, "Apple_partition_map");
       d.ApmEntry(1536, 3, 4096, 8192, "Apple_HFS");
     },
     Reader::kWhole, 0, {{1, 1, 63}, {3, 4096, 8192}}},
    // 512-byte map blocks on a disk of 2048-byte sectors: the entries share sectors, starts are converted.
    {"ApmBlocksSmallerThanSectors",
     [](TableDisk& d) {
       d.ApmHead(512);
       d.ApmEntry(512, 2, 1, 63, "Apple_partition_map");
       d.ApmEntry(1024, 2, 64, 4096, "Apple_HFS");
     },
     Reader::kWhole, 0, {{1, 0, 15}, {2, 16, 1024}}, 2048, 5000},
    {"ApmSectorSizeNotAMultipleOf512", [](TableDisk& d) { d.ApmHead(512); }, Reader::kApm, 3, {}, 520, 1000},
    // No table at all.
    {"NoTableIsAnEmptyList", [](TableDisk&) {}, Reader::kWhole, 0, {}},
    {"SectorsSmallerThan512Refused", [](TableDisk&) {}, Reader::kWhole, 8, {}, 256, 1000},
};

INSTANTIATE_TEST_SUITE_P(Cases, HandBuiltTable, ::testing::ValuesIn(kCases), [](const auto& p) { return p.param.name; });

// A chain that never loops but goes on and on ends at the bound of 1024 extended records, with what it found.
TEST(HandBuiltChain, EndlessChainEndsAtTheBound) {
  constexpr std::uint32_t kBase = 1000;
  TableDisk disk(5000);
  disk.Signature(0);
  disk.Slot(0, 0, 0x05, kBase, 4000);
  for (std::uint32_t i = 0; i < 1500; ++i) {
    const std::uint64_t ebr = kBase + 2 * i;
    disk.Signature(ebr);
    disk.Slot(ebr, 0, 0x83, 1, 1);
    disk.Slot(ebr, 1, 0x05, 2 * (i + 1), 2);
  }
  std::list<PartitionEntry> entries;
  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  EXPECT_EQ(analyzer->AnalyzeMBRPartitionTable(&disk.device(), entries), kResultOk);
  EXPECT_EQ(entries.size(), 1024u);
  EXPECT_EQ(entries.back().index, 4 + 1024);
}

// What AnalyzePartitionTable checks before it reads: a physical whole disk with its record.
TEST(PartitionTableArguments, RefusedBeforeReading) {
  TableDisk disk(1000);
  disk.Signature(0);
  disk.Slot(0, 0, 0x83, 10, 100);
  MemoryDevice partition(1000, 512, STORAGE_DEVICE_PARTITION);
  MemoryDevice bare(1000, 512, STORAGE_DEVICE_DISK);
  TableDisk image(1000);
  image.record().diskKind = 1;

  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  const std::vector<std::pair<IStorageDevice*, std::uint32_t>> cases = {
      {nullptr, error::kBadArgument},
      {&partition, error::kUnsupported},
      {&bare, error::kNoPrivateData},
      {&image.device(), error::kUnsupported},
  };
  for (const auto& [device, expected] : cases) {
    std::list<PartitionEntry> entries;
    const ResultCode result = analyzer->AnalyzePartitionTable(device, entries);
    EXPECT_EQ(ModuleOf(result), module::kPartitionTable);
    EXPECT_EQ(ErrorOf(result), expected);
    EXPECT_TRUE(entries.empty());
  }
  EXPECT_EQ(partition.ReadCalls() + bare.ReadCalls() + image.device().ReadCalls(), 0);
}

// A failed read passes the device's own code through.
TEST(PartitionTableArguments, ReadFailurePassesTheDeviceCode) {
  TableDisk disk(1000);
  disk.device().FailSectors(0, 1);
  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  std::list<PartitionEntry> entries;
  const ResultCode result = analyzer->AnalyzePartitionTable(&disk.device(), entries);
  EXPECT_EQ(ModuleOf(result), module::kStorageDevice);
  EXPECT_EQ(result, disk.device().GetLastError());
}

TEST(PartitionTableStructures, SlotFieldsAndGuidText) {
  const std::vector<std::uint8_t> slot = {0x80, 1, 2, 3, 0x0F, 4, 5, 6, 0x00, 0x08, 0, 0, 0x00, 0x00, 0x10, 0};
  const CPartitionTableEntry entry(slot);
  EXPECT_TRUE(entry.IsValidPartitionTableEntry());
  EXPECT_FALSE(entry.IsEmptyEntry());
  EXPECT_TRUE(entry.IsExtenedPartition());
  EXPECT_EQ(entry.GetStatus(), 0x80);
  EXPECT_EQ(entry.GetLeadSectors(), 2048u);
  EXPECT_EQ(entry.GetTotalSectors(), 0x100000u);
  EXPECT_EQ(entry.GetEndSector(), 2048u + 0x100000u - 1);
  EXPECT_FALSE(CPartitionTableEntry(std::vector<std::uint8_t>(16, 0)).IsValidPartitionTableEntry());
  EXPECT_FALSE(CPartitionTableEntry(std::vector<std::uint8_t>(8, 0xFF)).IsValidPartitionTableEntry());

  // The EFI system partition's type as stored in a GPT entry.
  const PartitionGuid efi = {0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11, 0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B};
  char text[37];
  CBaseGPTAnalyzer::GUIDToStr(efi, text);
  EXPECT_STREQ(text, "C12A7328-F81F-11D2-BA4B-00A0C93EC93B");
}

}  // namespace
}  // namespace quellsy::test
