// The HFS+ complete searcher driven block by block over written volumes: the sector tests, the partition
// records (first record, GPT start, a second volume, the alternate header, the journal info block), the catalog
// nodes placed in their partitions, and the marks in the sector bitmap.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <utility>
#include <vector>
#include <set>

#include "HFSPlusCompleteDisk.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusSearch/CHFSPlusCompleteFileSystemSearchController.h"
#include "HFSPlus/HFSPlusSearch/CHFSPlusDirectoryTreeBuilder.h"
#include "HFSPlus/HFSPlusSearch/HFSPlusBlockRecognize.h"
#include "Utility/ByteReader.h"
#include "Utility/TBitmap.h"
#include "include/FileNode.h"
#include "include/TestFileNode.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/RecordingTreeBuilder.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fmt = quellsy::hfsplus;

constexpr std::uint32_t kFirstDate = 0xE1100000;
constexpr std::uint32_t kSecondDate = 0xE1200000;

// The volume header the writer puts at byte 1024 of a small volume.
std::vector<std::uint8_t> WrittenHeader() {
  HFSPlusWriter writer;
  return writer.Build()->Read(1024, 512);
}

struct RecogniseCase {
  const char* name;
  std::size_t sectorSize;
  std::size_t headerAt;  // where the header goes in the sector; SIZE_MAX for none
  bool bootCode;         // non-zero bytes in the sector's first 512
  bool twoHeaders;
  bool expected;
};

class VolumeHeaderSector : public ::testing::TestWithParam<RecogniseCase> {};

TEST_P(VolumeHeaderSector, IsRecognisedOnlyAsTheOneHeaderAfterZeroPieces) {
  const RecogniseCase& c = GetParam();
  std::vector<std::uint8_t> sector(c.sectorSize, 0);
  const auto header = WrittenHeader();
  if (c.headerAt != SIZE_MAX) std::copy(header.begin(), header.end(), sector.begin() + static_cast<long>(c.headerAt));
  if (c.twoHeaders) std::copy(header.begin(), header.end(), sector.begin() + static_cast<long>(c.headerAt + 512));
  if (c.bootCode) std::fill_n(sector.begin(), 512, 0x90);
  EXPECT_EQ(fmt::RecogniseVolumeHeader(sector).has_value(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VolumeHeaderSector,
    ::testing::Values(RecogniseCase{"Plain512", 512, 0, false, false, true},
                      RecogniseCase{"At1024Of4096", 4096, 1024, false, false, true},
                      RecogniseCase{"BootCodeBefore4096", 4096, 1024, true, false, false},
                      RecogniseCase{"TwoIn4096", 4096, 1024, false, true, false},
                      RecogniseCase{"Empty512", 512, SIZE_MAX, false, false, false},
                      RecogniseCase{"ShortSector", 256, SIZE_MAX, false, false, false}),
    [](const auto& param) { return std::string(param.param.name); });

std::vector<std::uint8_t> InfoBlockSector(std::size_t size, std::uint8_t fill, std::uint64_t offset) {
  std::vector<std::uint8_t> sector(size, fill);
  std::fill_n(sector.begin(), fmt::kJournalInfoBlockSize, 0);
  FieldWriter w(sector);
  w.be32(0, fmt::kJournalInFileSystem);
  w.be64(36, offset);
  w.be64(44, 512 * 1024);
  return sector;
}

TEST(HFSPlusBlockRecognize, JournalInfoBlockNeedsItsFillAndRoundNumbers) {
  EXPECT_TRUE(fmt::RecogniseJournalInfoBlock(InfoBlockSector(512, 0xDB, 8192)));
  EXPECT_TRUE(fmt::RecogniseJournalInfoBlock(InfoBlockSector(4096, 0xDB, 8192)));
  EXPECT_FALSE(fmt::RecogniseJournalInfoBlock(InfoBlockSector(512, 0x00, 8192))) << "zero tail";
  EXPECT_FALSE(fmt::RecogniseJournalInfoBlock(InfoBlockSector(512, 0xDB, 8193))) << "offset not a multiple of 512";
  auto reserved = InfoBlockSector(512, 0xDB, 8192);
  reserved[100] = 1;
  EXPECT_FALSE(fmt::RecogniseJournalInfoBlock(reserved)) << "reserved word set";
  EXPECT_FALSE(fmt::RecogniseJournalInfoBlock(std::vector<std::uint8_t>(180, 0)));
}

TEST(HFSPlusBlockRecognize, JournalHeaderByMagicAndEndian) {
  std::vector<std::uint8_t> sector(512, 0);
  FieldWriter w(sector);
  w.le32(0, fmt::kJournalMagic);
  w.le32(4, fmt::kJournalEndian);
  EXPECT_TRUE(fmt::RecogniseJournalHeader(sector));
  w.le32(4, 0x78563412);
  EXPECT_FALSE(fmt::RecogniseJournalHeader(sector));
}

TEST(HFSPlusBlockRecognize, OnlyLeafAndHeaderDescriptorsQualify) {
  struct Kind {
    std::int8_t kind;
    std::uint8_t height;
    bool expected;
  };
  for (const Kind k : {Kind{-1, 1, true}, Kind{1, 0, true}, Kind{0, 1, false}, Kind{2, 0, false}, Kind{-1, 2, false},
                       Kind{1, 1, false}}) {
    std::vector<std::uint8_t> sector(512, 0);
    sector[8] = static_cast<std::uint8_t>(k.kind);
    sector[9] = k.height;
    EXPECT_EQ(fmt::StartsLeafOrHeaderNode(sector), k.expected) << int{k.kind} << "/" << int{k.height};
  }
  std::vector<std::uint8_t> reserved(512, 0);
  reserved[8] = 0xFF;
  reserved[9] = 1;
  reserved[13] = 1;
  EXPECT_FALSE(fmt::StartsLeafOrHeaderNode(reserved));
}

bool AnyTestTakes(ByteSpan sector) {
  return fmt::RecogniseVolumeHeader(sector).has_value() || fmt::RecogniseJournalInfoBlock(sector).has_value() ||
         fmt::RecogniseJournalHeader(sector).has_value() || fmt::StartsLeafOrHeaderNode(sector);
}

TEST(HFSPlusBlockRecognize, TheQuickLookTurnsAwayOnlySectorsNoTestTakes) {
  std::vector<std::vector<std::uint8_t>> taken;
  for (const std::size_t size : {std::size_t{512}, std::size_t{4096}}) {
    std::vector<std::uint8_t> header(size, 0);
    const auto written = WrittenHeader();
    std::copy(written.begin(), written.end(), header.begin() + (size == 512 ? 0 : 1024));
    taken.push_back(header);
    taken.push_back(InfoBlockSector(size, 0xDB, 8192));
  }
  std::vector<std::uint8_t> journal(512, 0x5A);
  FieldWriter(journal).le32(0, fmt::kJournalMagic);
  FieldWriter(journal).le32(4, fmt::kJournalEndian);
  taken.push_back(journal);
  for (const auto& [kind, height] : {std::pair<std::uint8_t, std::uint8_t>{0xFF, 1}, {1, 0}}) {
    std::vector<std::uint8_t> node(512, 0x33);
    node[8] = kind;
    node[9] = height;
    node[12] = 0;
    node[13] = 0;
    taken.push_back(node);
  }
  // The table look before the quick look, for the sector's size.
  const quellsy::SectorGate gate512 = fmt::FirstLookGate(512);
  const quellsy::SectorGate gate4096 = fmt::FirstLookGate(4096);
  const auto gatePasses = [&](const std::vector<std::uint8_t>& sector) {
    return (sector.size() == 512 ? gate512 : gate4096).MayHold(sector.data());
  };
  for (const auto& sector : taken) {
    ASSERT_TRUE(AnyTestTakes(sector));
    EXPECT_TRUE(fmt::MayHoldRecord(sector));
    EXPECT_TRUE(gatePasses(sector)) << sector.size();
  }
  EXPECT_FALSE(fmt::MayHoldRecord(std::vector<std::uint8_t>(512, 0x90))) << "boot code";
  EXPECT_FALSE(fmt::MayHoldRecord(std::vector<std::uint8_t>(512, 0))) << "zeros";
  EXPECT_FALSE(gatePasses(std::vector<std::uint8_t>(512, 0x90))) << "boot code";
  EXPECT_FALSE(gatePasses(std::vector<std::uint8_t>(512, 0))) << "zeros";
  // A 4096-byte sector of zeros may hold a header past its first 512 bytes; one with a non-zero first byte may not.
  EXPECT_TRUE(gatePasses(std::vector<std::uint8_t>(4096, 0)));
  std::vector<std::uint8_t> marked(4096, 0);
  marked[0] = 0x20;
  EXPECT_FALSE(gatePasses(marked));

  // The sectors above with bytes changed at random, and random sectors: wherever a test takes one, so does the look.
  std::mt19937 random(31);
  std::uniform_int_distribution<int> byte(0, 255);
  int turnedAway = 0;
  int gateTurnedAway = 0;
  for (int round = 0; round < 20000; ++round) {
    std::vector<std::uint8_t> sector = round % 2 == 0 ? taken[static_cast<std::size_t>(round / 2) % taken.size()]
                                                      : std::vector<std::uint8_t>(512);
    const int changes = round % 2 == 0 ? 1 + round % 3 : 512;
    for (int c = 0; c < changes; ++c) {
      const auto at = round % 2 == 0 ? random() % 16 + (c == 2 ? sector.size() - 16 : 0) : static_cast<std::size_t>(c);
      sector[at] = static_cast<std::uint8_t>(byte(random));
    }
    if (AnyTestTakes(sector)) {
      EXPECT_TRUE(fmt::MayHoldRecord(sector)) << round;
      EXPECT_TRUE(gatePasses(sector)) << round;
    }
    turnedAway += fmt::MayHoldRecord(sector) ? 0 : 1;
    gateTurnedAway += gatePasses(sector) ? 0 : 1;
  }
  EXPECT_GT(turnedAway, 9000) << "random sectors are turned away";
  EXPECT_GT(gateTurnedAway, 9000) << "random sectors are turned away by the table look too";
}

// A searcher over a device, fed block by block as the complete scan does.
struct Searched {
  std::shared_ptr<SparseImage> image;
  std::unique_ptr<SparseDevice> device;
  RecordingTreeBuilder builder;
  TBitmap bitmap;
  CHFSPlusCompleteFileSystemSearchController searcher;

  Searched(std::shared_ptr<SparseImage> disk, unsigned sectorSize) : image(std::move(disk)) {
    device = std::make_unique<SparseDevice>(image, sectorSize);
    searcher.SetDevice(device.get());
    searcher.SetBlockSize(static_cast<int>(0x400000 / sectorSize));
    searcher.SetDirecotryTreeBuilder(&builder);
    searcher.SetBitmap(&bitmap);
  }
  void Run() {
    searcher.PreparetoSearch();
    Finish();
  }
  // The block loop and the end, after PreparetoSearch.
  void Finish() {
    const long long block = 0x400000 / device->GetSectorSize();
    const long long total = device->GetTotalSectors();
    for (long long s = 0; s < total; s += block) searcher.AnalyzeBlock(s, std::min(block, total - s));
    searcher.EndSearch(1);
  }
  std::set<std::string> NamesOf(std::uint16_t partition) const {
    std::set<std::string> names;
    for (const auto& node : builder.nodes()) {
      if (dynamic_cast<CFileNode*>(node.node)->GetBelongedPartition() == partition) names.insert(node.name);
    }
    return names;
  }
};

TEST(CHFSPlusCompleteSearch, SingleVolumeTakesTheFirstRecordAndListsEveryFile) {
  auto disk = std::make_shared<SparseImage>(4096ull * 2048);
  const PlacedVolume placed = PlaceStandardVolume(*disk, 0, 2048, kFirstDate, u"one");
  Searched run(disk, 512);
  run.Run();
  const auto& records = run.searcher.Partitions();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->start, 0);
  EXPECT_EQ(records[0]->headerSector, 2);
  EXPECT_EQ(records[0]->count, 2048 * 8);
  ASSERT_TRUE(records[0]->journalInfoBlock);
  const auto names = run.NamesOf(0);
  EXPECT_TRUE(names.count("one own.bin"));
  EXPECT_TRUE(names.count("one gone.txt")) << "the journal's deleted file";
  for (const auto& file : placed.live) {
    const std::string name = file.path.substr(file.path.rfind('/') + 1);
    EXPECT_TRUE(names.count(name)) << file.path;
  }
  ASSERT_EQ(run.builder.flushes().size(), 1u);
  EXPECT_EQ(run.builder.flushes()[0], SEARCHER_HFSPLUS);

  CSearchedPartitionInfo* out[2] = {};
  EXPECT_EQ(run.searcher.GetSearchedPartitionInfo(out, 0), 1);
  ASSERT_EQ(run.searcher.GetSearchedPartitionInfo(out, 2), 1);
  EXPECT_EQ(out[0]->GetStartSector(), 0u);
  EXPECT_EQ(out[0]->GetFileSystemType(), FILE_SYSTEM_HFSPLUS);
  EXPECT_EQ(out[0]->GetSectorsPerCluster(), 8u);
  delete out[0];
}

TEST(CHFSPlusCompleteSearch, BitmapMarksTheLiveFilesOfTheVolumeButNotTheirLastBlock) {
  auto disk = std::make_shared<SparseImage>(4096ull * 2048);
  PlaceStandardVolume(*disk, 0, 2048, kFirstDate, u"one");
  Searched run(disk, 512);
  run.Run();
  ASSERT_NE(run.bitmap.GetBitmapData(), nullptr);
  // One bit per 8 sectors (the device is not a volume behind the read-ahead cache).
  EXPECT_EQ(run.bitmap.GetUnit(), 8u);
  const auto* own = run.builder.Find("one own.bin");
  ASSERT_NE(own, nullptr);
  ASSERT_EQ(own->runs.size(), 1u);
  ASSERT_EQ(own->runs[0].length, 5);  // 20000 bytes in 4096-byte blocks
  for (long long b = 0; b < 4; ++b) EXPECT_NE(run.bitmap.GetBit(own->runs[0].lcn + b), 0) << b;
  EXPECT_EQ(run.bitmap.GetBit(own->runs[0].lcn + 4), 0) << "the last block stays open";
  const auto* gone = run.builder.Find("one gone.txt");
  ASSERT_NE(gone, nullptr);
  ASSERT_FALSE(gone->runs.empty());
  EXPECT_EQ(run.bitmap.GetBit(gone->runs[0].lcn), 0) << "a deleted file marks nothing";
}

TEST(CHFSPlusCompleteSearch, SecondVolumeGetsItsOwnRecordTwoSectorsBeforeItsHeader) {
  constexpr std::uint64_t kSecond = 1000000ull * 512;
  auto disk = std::make_shared<SparseImage>(kSecond + 4096ull * 1024 + 65536);
  PlaceStandardVolume(*disk, 0, 1024, kFirstDate, u"one");
  PlaceStandardVolume(*disk, kSecond, 1024, kSecondDate, u"two");
  Searched run(disk, 512);
  run.Run();
  const auto& records = run.searcher.Partitions();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1]->start, 1000000);
  EXPECT_EQ(records[1]->headerSector, 1000002);
  EXPECT_EQ(records[1]->count, 1024 * 8);
  ASSERT_TRUE(records[1]->journalInfoBlock);
  EXPECT_GT(records[1]->journalInfoBlockSector, 1000000);
  EXPECT_TRUE(run.NamesOf(0).count("one own.bin"));
  EXPECT_FALSE(run.NamesOf(0).count("two own.bin"));
  EXPECT_TRUE(run.NamesOf(1).count("two own.bin"));
  EXPECT_TRUE(run.NamesOf(1).count("two gone.txt")) << "its journal was read too";
  EXPECT_EQ(run.searcher.GetSearchedPartitionInfo(nullptr, 0), 2);
}

TEST(CHFSPlusCompleteSearch, AlternateHeaderRaisesTheKeptTotalBlocks) {
  auto disk = std::make_shared<SparseImage>(4096ull * 1024);
  PlaceStandardVolume(*disk, 0, 1024, kFirstDate, u"one");
  Searched run(disk, 512);
  run.searcher.PreparetoSearch();
  const auto& records = run.searcher.Partitions();
  ASSERT_EQ(records.size(), 1u);
  ASSERT_TRUE(records[0]->header);
  HFSPlusVolumeHeader alternate = *records[0]->header;
  alternate.totalBlocks += 100;
  run.searcher.UpDataPartitionInfo(8190, alternate);
  EXPECT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->header->totalBlocks, 1124u);
  alternate.totalBlocks = 10;
  run.searcher.UpDataPartitionInfo(8190, alternate);
  EXPECT_EQ(records[0]->header->totalBlocks, 1124u) << "a smaller one changes nothing";
}

struct GptCase {
  unsigned sectorSize;
  long long start;
};

class GptDisk : public ::testing::TestWithParam<GptCase> {};

// A protective MBR moves the first record to where the first GPT partition starts.
TEST_P(GptDisk, FirstRecordStartsAfterTheTable) {
  const GptCase c = GetParam();
  const std::uint64_t offset = static_cast<std::uint64_t>(c.start) * c.sectorSize;
  auto disk = std::make_shared<SparseImage>(offset + 4096ull * 1024);
  std::vector<std::uint8_t> mbr(512, 0);
  mbr[450] = 0xEE;
  mbr[510] = 0x55;
  mbr[511] = 0xAA;
  disk->Write(0, mbr);
  PlaceStandardVolume(*disk, offset, 1024, kFirstDate, u"one");
  Searched run(disk, c.sectorSize);
  run.Run();
  const auto& records = run.searcher.Partitions();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->start, c.start);
  EXPECT_EQ(records[0]->headerSector, c.start + 1024 / c.sectorSize);
  EXPECT_TRUE(run.NamesOf(0).count("one own.bin"));
}

INSTANTIATE_TEST_SUITE_P(Sectors, GptDisk, ::testing::Values(GptCase{512, 40}, GptCase{4096, 6}),
                         [](const auto& param) { return std::to_string(param.param.sectorSize); });

// A disk whose enumeration listed its volumes.
class ListedDisk final : public SparseDevice {
 public:
  ListedDisk(std::shared_ptr<const SparseImage> image, std::vector<CCollectedVolumeDeviceInfoStruct> volumes)
      : SparseDevice(std::move(image), 512), volumes_(std::move(volumes)) {}
  int GetType() override { return STORAGE_DEVICE_DISK; }
  int GetVolumes(std::vector<CCollectedVolumeDeviceInfoStruct>& out) const override {
    out = volumes_;
    return static_cast<int>(out.size());
  }

 private:
  std::vector<CCollectedVolumeDeviceInfoStruct> volumes_;
};

// What the complete scan hands its searchers: a device reading ahead through another one.
class ReadingAheadThrough final : public SparseDevice {
 public:
  ReadingAheadThrough(std::shared_ptr<const SparseImage> image, IStorageDevice& inner)
      : SparseDevice(std::move(image), 512), inner_(inner) {}
  int GetType() override { return STORAGE_DEVICE_CACHE; }
  IStorageDevice* GetInnerDevice() const override { return &inner_; }

 private:
  IStorageDevice& inner_;
};

// The searcher asks the device what it reads through: each HFS+ volume the wrapped disk lists becomes a
// partition record before the block loop, searched at once when its header sits in place; other file systems
// are passed by.
TEST(CHFSPlusCompleteSearch, TheWrappedDisksListedVolumesBecomeRecords) {
  constexpr long long kStart = 40;
  auto disk = std::make_shared<SparseImage>(kStart * 512 + 4096ull * 1024 + 65536);
  PlaceStandardVolume(*disk, kStart * 512, 1024, kFirstDate, u"one");
  CCollectedVolumeDeviceInfoStruct fat;
  fat.fileSystemType = FILE_SYSTEM_FAT32;
  fat.startSector = 6000;
  fat.totalSectors = 100;
  CCollectedVolumeDeviceInfoStruct hfs;
  hfs.fileSystemType = FILE_SYSTEM_HFSPLUS;
  hfs.startSector = kStart;
  hfs.totalSectors = 1024 * 8;
  ListedDisk listed(disk, {fat, hfs});
  Searched run(disk, 512);
  run.device = std::make_unique<ReadingAheadThrough>(disk, listed);
  run.searcher.SetDevice(run.device.get());
  run.searcher.PreparetoSearch();
  const auto& records = run.searcher.Partitions();
  // Without the listing only the device-wide record would be known before the first block.
  ASSERT_EQ(records.size(), 2u) << "the device-wide record and the listed volume; the FAT volume is passed by";
  EXPECT_EQ(records[0]->start, 0);
  EXPECT_EQ(records[1]->start, kStart);
  ASSERT_TRUE(records[1]->header) << "its header was read in place";
  EXPECT_EQ(records[1]->headerSector, kStart + 2);
  run.Finish();
  EXPECT_EQ(records.size(), 2u) << "the header met again in the block loop is the same volume";
  EXPECT_TRUE(run.NamesOf(1).count("one own.bin"));
}

// With the first sectors wiped the volumes are found by their headers alone: on 4096-byte sectors the header
// shares the volume's first sector.
TEST(CHFSPlusCompleteSearch, VolumesOnA4096ByteSectorDiskWithoutTable) {
  constexpr std::uint64_t kFirst = 256ull * 4096;
  constexpr std::uint64_t kSecond = kFirst + 4096ull * 1024 + 64 * 4096;
  auto disk = std::make_shared<SparseImage>(kSecond + 4096ull * 1024);
  PlaceStandardVolume(*disk, kFirst, 1024, kFirstDate, u"one");
  PlaceStandardVolume(*disk, kSecond, 1024, kSecondDate, u"two");
  Searched run(disk, 4096);
  run.Run();
  const auto& records = run.searcher.Partitions();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_FALSE(records[0]->header) << "the device-wide first record finds no header in its place";
  EXPECT_EQ(records[1]->start, 256);
  EXPECT_EQ(records[1]->headerSector, 256);
  EXPECT_EQ(records[2]->start, static_cast<long long>(kSecond / 4096));
  EXPECT_TRUE(run.NamesOf(1).count("one own.bin"));
  EXPECT_TRUE(run.NamesOf(2).count("two own.bin"));
  EXPECT_TRUE(run.NamesOf(2).count("two gone.txt"));
  CSearchedPartitionInfo* out[3] = {};
  ASSERT_EQ(run.searcher.GetSearchedPartitionInfo(out, 3), 2) << "the empty first record is not handed out";
  EXPECT_EQ(out[0]->GetStartSector(), 256u);
  EXPECT_EQ(out[0]->GetSectorsPerCluster(), 1u);
  for (auto* record : out) delete record;
}

// The start is worked back from the journal info block: its sector less its block number in sectors.
TEST(CHFSPlusCompleteSearch, StartFollowsTheJournalInfoBlock) {
  constexpr std::uint64_t kAt = 2048ull * 512;
  auto disk = std::make_shared<SparseImage>(kAt + 4096ull * 1024);
  PlaceStandardVolume(*disk, kAt, 1024, kFirstDate, u"one");
  Searched run(disk, 512);
  run.Run();
  const auto& records = run.searcher.Partitions();
  ASSERT_EQ(records.size(), 2u);
  ASSERT_TRUE(records[1]->journalInfoBlock);
  ASSERT_TRUE(records[1]->header);
  EXPECT_EQ(records[1]->journalInfoBlockSector, 2048 + records[1]->header->journalInfoBlock * 8);
  EXPECT_EQ(records[1]->start, 2048);
  EXPECT_EQ(records[1]->count, 1024 * 8);
}

// A record created after the second volume's last change is placed in the first.
TEST(CHFSPlusCompleteSearch, RecordNewerThanASecondVolumeFallsBackToTheFirst) {
  constexpr std::uint64_t kSecond = 4096ull * 1024;
  auto disk = std::make_shared<SparseImage>(kSecond + 4096ull * 1024);
  PlaceStandardVolume(*disk, 0, 1024, kFirstDate, u"one");
  PlaceStandardVolume(*disk, kSecond, 1024, kSecondDate, u"two");
  // The second volume's header says it was last changed before any of its records were made.
  std::vector<std::uint8_t> early(4, 0);
  FieldWriter(early).be32(0, 1);
  disk->Write(kSecond + 1024 + 20, early);
  Searched run(disk, 512);
  run.Run();
  EXPECT_TRUE(run.NamesOf(1).empty());
  EXPECT_TRUE(run.NamesOf(0).count("two own.bin")) << "found loose, placed in the first volume";
}

// 3 runs of 10 blocks of 8 sectors: the last block of the last run stays open, 29 blocks are marked.
TEST(CHFSPlusDirectoryTreeBuilder, MarksEveryBlockButTheLastAndStampsThePartition) {
  struct Case {
    unsigned sectorsPerBit;
    std::uint64_t start;
    long long firstBit;
    long long bits;
  };
  for (const Case c : {Case{8, 0, 100, 29}, Case{1, 0, 800, 232}, Case{8, 409640, 100 + 409640 / 8, 29}}) {
    RecordingTreeBuilder inner;
    CHFSPlusDirectoryTreeBuilder decorator(&inner, 8, 3, c.start);
    std::vector<std::pair<long long, long long>> marks;
    decorator.SetBitmap(c.sectorsPerBit, [&](long long first, long long bits) { marks.emplace_back(first, bits); });
    auto* node = new TestFileNode("runs");
    IDataRunList* runs = CreateDataRunList();
    for (long long lcn : {100, 200, 300}) {
      const DataRun run{lcn, 10};
      runs->AddDataRun(&run);
    }
    node->SetDataRunList(runs);
    ASSERT_NE(decorator.AddNode(node, SEARCHER_HFSPLUS), 0);
    EXPECT_EQ(node->GetBelongedPartition(), 3);
    long long total = 0;
    for (const auto& [first, bits] : marks) total += bits;
    EXPECT_EQ(total, c.bits);
    ASSERT_FALSE(marks.empty());
    EXPECT_EQ(marks[0].first, c.firstBit);
  }
}

}  // namespace
}  // namespace quellsy::test
