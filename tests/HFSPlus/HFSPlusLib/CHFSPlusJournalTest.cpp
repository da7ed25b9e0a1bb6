// The journal walk over volumes whose journal the test writer laid out: which logged records become deleted
// ones, the circular read, stopping, and journals whose fields are damaged.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "HFSPlus/HFSPlusLib/CHFSPlusFileNode.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusJournal.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusQuickFileSystemSearchProgress.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "HFSPlusTestSupport.h"
#include "HFSPlusWrittenVolume.h"
#include "include/IDataRunList.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fmt = quellsy::hfsplus;

HFSPlusWriterOptions JournaledOptions(HFSPlusJournalOptions journal = {}) {
  HFSPlusWriterOptions options;
  options.totalBlocks = 2048;
  options.journal = journal;
  options.journal.enabled = true;
  return options;
}

const HFSPlusCatalogFile* DeletedFile(CHFSPlusVolume& volume, std::uint32_t id) {
  for (const auto& [key, record] : volume.DeletedCatalog()) {
    const auto* file = std::get_if<HFSPlusCatalogFile>(&record);
    if (file != nullptr && file->fileID == id) return file;
  }
  return nullptr;
}

std::size_t CountWithID(CHFSPlusVolume& volume, std::uint32_t id) {
  return static_cast<std::size_t>(
      std::count_if(volume.DeletedCatalog().begin(), volume.DeletedCatalog().end(), [id](const auto& entry) {
        if (const auto* file = std::get_if<HFSPlusCatalogFile>(&entry.second)) return file->fileID == id;
        if (const auto* folder = std::get_if<HFSPlusCatalogFolder>(&entry.second)) return folder->folderID == id;
        return false;
      }));
}

TEST(HFSPlusJournal, VolumeWithoutTheJournaledBitGivesNoDeletedRecords) {
  WrittenVolume v = WriteVolume({}, [](VolumeContent& c) { c.writer().Delete(c.File(2, u"gone.bin", 5000)); });
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);
  CHFSPlusJournal* journal = v.volume->GetJournal();
  ASSERT_NE(journal, nullptr);
  EXPECT_EQ(ErrorOf(journal->GetLastError()), fmt::hfserror::kDeviceRead);
  EXPECT_FALSE(journal->Header().has_value());
  EXPECT_EQ(journal->GetDeleteRecord(nullptr), kResultOk);
  EXPECT_TRUE(v.volume->DeletedCatalog().empty());
}

struct JournalShape {
  const char* name;
  bool bigEndian;
  bool wrapLast;
  std::uint32_t headerSize;
  std::uint32_t blockListSize;
  unsigned sectorSize;
  bool found;
};

class HFSPlusJournalShapes : public ::testing::TestWithParam<JournalShape> {};

// A file of twelve pieces deleted after its catalog, extents and attributes records were logged: all three
// come back, and its content reads back through them.
TEST_P(HFSPlusJournalShapes, DeletedFileComesBackWithItsOverflowExtents) {
  const JournalShape& shape = GetParam();
  HFSPlusJournalOptions journal;
  journal.bigEndian = shape.bigEndian;
  journal.wrapLast = shape.wrapLast;
  journal.headerSize = shape.headerSize;
  journal.blockListSize = shape.blockListSize;
  std::uint32_t gone = 0;
  WrittenVolume v = WriteVolume(JournaledOptions(journal), [&](VolumeContent& c) {
    StandardContent(c, 4096);
    gone = c.File(2, u"gone.bin", 12 * 4096 + 100, 12);
    c.writer().AddInlineAttribute(gone, "user.note", {1, 2, 3});
    c.writer().Delete(gone);
  }, shape.sectorSize);
  ASSERT_EQ(v.volume->GetLastError(), kResultOk);
  CHFSPlusJournal* opened = v.volume->GetJournal();
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened->IsWalkable(), shape.found);
  EXPECT_EQ(opened->GetDeleteRecord(nullptr), kResultOk);
  if (!shape.found) {
    EXPECT_EQ(ErrorOf(opened->GetLastError()), fmt::hfserror::kDeviceRead);
    EXPECT_TRUE(v.volume->DeletedCatalog().empty());
    return;
  }
  // The record, not its thread.
  ASSERT_EQ(v.volume->DeletedCatalog().size(), 1u);
  const auto& [key, record] = v.volume->DeletedCatalog().front();
  EXPECT_EQ(key.parentID, fmt::kRootFolderID);
  EXPECT_EQ(Utf8(key.nodeName), "gone.bin");
  const HFSPlusCatalogFile* file = DeletedFile(*v.volume, gone);
  ASSERT_NE(file, nullptr);
  // Blocks past the first eight pieces are in the logged extents leaf only.
  ASSERT_EQ(v.volume->DeletedExtents().size(), 1u);
  EXPECT_EQ(v.volume->DeletedExtents().front().first.fileID, gone);
  std::vector<std::uint8_t> value;
  EXPECT_EQ(v.volume->getAttribute(gone, "user.note", &value), 3u);
  EXPECT_EQ(value, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(ReadFork(*v.volume, gone, file->dataFork), v.files.at("gone.bin"));
}

INSTANTIATE_TEST_SUITE_P(
    Journals, HFSPlusJournalShapes,
    ::testing::Values(JournalShape{"LittleEndianWrapping", false, true, 512, 4096, 512, true},
                      JournalShape{"LittleEndianNotWrapping", false, false, 512, 4096, 512, true},
                      JournalShape{"FourKiBHeader", false, true, 4096, 8192, 4096, true},
                      JournalShape{"SectorSizeReportedAsZero", false, true, 512, 4096, 0, true},
                      JournalShape{"BigEndianRefused", true, true, 512, 4096, 512, false}),
    [](const auto& p) { return std::string(p.param.name); });

// Live key and ID: nothing. Same key, another ID: deleted. Three logged copies: one entry, the last copy.
// An index node and the thread records: nothing. A deleted folder and the file in it: both.
TEST(HFSPlusJournal, LoggedLeafRecordsAgainstTheLiveCatalog) {
  std::uint32_t keep = 0, reused = 0, replaced = 0, folder = 0, inner = 0, indexed = 0;
  constexpr std::uint32_t kFirst = 0xE2000000, kSecond = 0xE2000100, kThird = 0xE2000200;
  WrittenVolume v = WriteVolume(JournaledOptions(), [&](VolumeContent& c) {
    HFSPlusWriter& w = c.writer();
    keep = c.File(2, u"keep.txt", 100);
    replaced = w.AddFile(2, u"same.txt", PatternBytes(300, 7));
    reused = c.File(2, u"same.txt", 200);
    folder = w.AddFolder(2, u"gonedir");
    inner = w.AddFile(folder, u"inner.txt", PatternBytes(50, 8));
    indexed = w.AddFile(2, u"indexed.txt", PatternBytes(60, 9));
    for (std::uint32_t id : {replaced, folder, inner, indexed}) w.Delete(id);
    w.LogTransaction({{fmt::kCatalogFileID, {keep, reused, replaced, folder, inner}, false, kFirst},
                      {fmt::kCatalogFileID, {indexed}, true, 0}});
    w.LogTransaction({{fmt::kCatalogFileID, {replaced}, false, kSecond}});
    w.LogTransaction({{fmt::kCatalogFileID, {replaced}, false, kThird}});
  });
  ASSERT_EQ(v.volume->GetJournal()->GetDeleteRecord(nullptr), kResultOk);
  EXPECT_EQ(CountWithID(*v.volume, keep), 0u);
  EXPECT_EQ(CountWithID(*v.volume, reused), 0u);
  EXPECT_EQ(CountWithID(*v.volume, indexed), 0u);
  EXPECT_EQ(CountWithID(*v.volume, folder), 1u);
  EXPECT_EQ(CountWithID(*v.volume, inner), 1u);
  ASSERT_EQ(CountWithID(*v.volume, replaced), 1u);
  EXPECT_EQ(DeletedFile(*v.volume, replaced)->accessDate, kThird);
  EXPECT_EQ(v.volume->DeletedCatalog().size(), 3u);
  for (const auto& [key, record] : v.volume->DeletedCatalog()) {
    EXPECT_FALSE(std::holds_alternative<HFSPlusCatalogThread>(record));
  }
}

// Stops as soon as the sink has seen one step.
class StopAfterFirstStep : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO*) override { ++steps_; }
  int Continued() override { return steps_ == 0 ? 1 : 0; }
  int shouldBuild() override { return 1; }

 private:
  int steps_ = 0;
};

TEST(HFSPlusJournal, StopEndsTheWalkAfterTheBlockInHand) {
  std::uint32_t first = 0, second = 0;
  WrittenVolume v = WriteVolume(JournaledOptions(), [&](VolumeContent& c) {
    HFSPlusWriter& w = c.writer();
    first = w.AddFile(2, u"first.txt", PatternBytes(10, 1));
    second = w.AddFile(2, u"second.txt", PatternBytes(10, 2));
    w.Delete(first);
    w.Delete(second);
    w.LogTransaction({{fmt::kCatalogFileID, {first}, false, 0}});
    w.LogTransaction({{fmt::kCatalogFileID, {second}, false, 0}});
  });
  StopAfterFirstStep sink;
  CHFSPlusQuickFileSystemSearchProgress progress(&sink, false);
  EXPECT_EQ(v.volume->GetJournal()->GetDeleteRecord(&progress), kResultOk);
  EXPECT_EQ(CountWithID(*v.volume, first), 1u);
  EXPECT_EQ(CountWithID(*v.volume, second), 0u);
}

TEST(HFSPlusJournal, CircularReadGoesOnJustAfterTheHeader) {
  WrittenVolume v = WriteVolume(JournaledOptions(), [](VolumeContent& c) { c.writer().Delete(c.File(2, u"x", 9000)); });
  CHFSPlusJournal* journal = v.volume->GetJournal();
  const std::uint64_t size = v.writer->options().journal.bytes;
  const std::uint64_t header = v.writer->options().journal.headerSize;
  const auto& bytes = v.writer->Journal().bytes;
  std::vector<std::uint8_t> expected(bytes.end() - 100, bytes.end());
  expected.insert(expected.end(), bytes.begin() + static_cast<std::ptrdiff_t>(header),
                  bytes.begin() + static_cast<std::ptrdiff_t>(header + 200));
  std::vector<std::uint8_t> got(300);
  EXPECT_EQ(journal->Read(size - 100, got.data(), got.size()), 300u);
  EXPECT_EQ(got, expected);
  // An offset past the end is taken round the buffer, not from the header.
  EXPECT_EQ(journal->Read(size + 10, got.data(), 16), 16u);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + 16, bytes.begin() + static_cast<std::ptrdiff_t>(header + 10)));
}

// Counts the questions: the walk must end within one lap of the buffer.
class CountingSink : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO*) override {}
  int Continued() override { return ++asked_ < 1000000 ? 1 : 0; }
  int shouldBuild() override { return 1; }
  int asked() const { return asked_; }

 private:
  int asked_ = 0;
};

enum class Where { kHeader, kFirstList, kInfoBlock };

struct Damage {
  const char* name;
  Where where;
  std::size_t offset;
  int width;  // bytes, little-endian in the journal, big-endian in the info block
  std::uint64_t value;
  bool walkable;
};

class HFSPlusDamagedJournal : public ::testing::TestWithParam<Damage> {};

TEST_P(HFSPlusDamagedJournal, EndsWithinOneLapAndKeepsNothingBroken) {
  const Damage& d = GetParam();
  WrittenVolume v = WriteVolume(JournaledOptions(), [](VolumeContent& c) { c.writer().Delete(c.File(2, u"x", 9000)); });
  std::uint64_t at = v.writer->JournalOffset();
  if (d.where == Where::kFirstList) at += v.writer->Journal().start;
  if (d.where == Where::kInfoBlock) {
    at = std::uint64_t{v.volume->GetVolumeHeader()->journalInfoBlock} * v.volume->GetVolumeHeader()->blockSize;
  }
  std::vector<std::uint8_t> field(static_cast<std::size_t>(d.width));
  for (int i = 0; i < d.width; ++i) {
    const int shift = 8 * (d.where == Where::kInfoBlock ? d.width - 1 - i : i);
    field[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(d.value >> shift);
  }
  v.image->Write(at + d.offset, field);
  v.Open(512);
  CHFSPlusJournal* journal = v.volume->GetJournal();
  ASSERT_NE(journal, nullptr);
  EXPECT_EQ(journal->IsWalkable(), d.walkable);
  CountingSink sink;
  CHFSPlusQuickFileSystemSearchProgress progress(&sink, true);
  journal->GetDeleteRecord(&progress);
  // Two questions before the first step, then one per header unit or block of a single lap.
  const std::uint64_t units = (v.writer->options().journal.bytes - v.writer->options().journal.headerSize) /
                              v.writer->options().journal.headerSize;
  EXPECT_LE(static_cast<std::uint64_t>(sink.asked()), units + 2);
  EXPECT_TRUE(v.volume->DeletedCatalog().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, HFSPlusDamagedJournal,
    ::testing::Values(Damage{"HeaderSizeZero", Where::kHeader, 40, 4, 0, false},
                      Damage{"HeaderSizeHuge", Where::kHeader, 40, 4, 0x7FFFFFFF, false},
                      Damage{"BlockListSizeTiny", Where::kHeader, 32, 4, 8, false},
                      Damage{"EndPastTheJournal", Where::kHeader, 16, 8, 0xFFFFFFFFFFull, false},
                      Damage{"BadMagic", Where::kHeader, 0, 4, 0x11111111, false},
                      Damage{"NoBlocksInTheList", Where::kFirstList, 2, 2, 1, true},
                      Damage{"MoreBlocksThanTheListHolds", Where::kFirstList, 2, 2, 0xFFFF, true},
                      Damage{"BlockSizeZero", Where::kFirstList, 40, 4, 0, true},
                      Damage{"BlockSizeNotWholeUnits", Where::kFirstList, 40, 4, 1000, true},
                      Damage{"BlockSizePastTheLap", Where::kFirstList, 40, 4, 0xFFFFFE00, true},
                      Damage{"JournalSizePastTheDevice", Where::kInfoBlock, 44, 8, 1ull << 40, false},
                      Damage{"JournalOffsetPastTheDevice", Where::kInfoBlock, 36, 8, 1ull << 40, false}),
    [](const auto& p) { return std::string(p.param.name); });

// An end field that no block list lands on again: the walk still stops after one lap.
TEST(HFSPlusJournal, EndThatIsNeverMetAgainStopsAfterOneLap) {
  WrittenVolume v = WriteVolume(JournaledOptions(), [](VolumeContent& c) { c.writer().Delete(c.File(2, u"x", 9000)); });
  const std::uint64_t end = v.writer->Journal().end + 1;
  std::vector<std::uint8_t> field(8);
  for (int i = 0; i < 8; ++i) field[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(end >> (8 * i));
  v.image->Write(v.writer->JournalOffset() + 16, field);
  v.Open(512);
  CountingSink sink;
  CHFSPlusQuickFileSystemSearchProgress progress(&sink, true);
  EXPECT_EQ(v.volume->GetJournal()->GetDeleteRecord(&progress), kResultOk);
  EXPECT_LT(sink.asked(), 1000000);
}

// A journal emptied by a clean unmount has its start moved up to its end: the transactions that logged the
// deleted file now lie in the stale part, which is where the walk finds them.
TEST(HFSPlusJournal, CheckpointedJournalStillGivesItsLoggedRecords) {
  std::uint32_t gone = 0;
  WrittenVolume v = WriteVolume(JournaledOptions(), [&](VolumeContent& c) {
    gone = c.File(2, u"gone.bin", 9000);
    c.writer().Delete(gone);
  });
  const std::uint64_t end = v.writer->Journal().end;
  ASSERT_NE(v.writer->Journal().start, end);
  std::vector<std::uint8_t> field(8);
  for (int i = 0; i < 8; ++i) field[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(end >> (8 * i));
  v.image->Write(v.writer->JournalOffset() + 8, field);
  v.Open(512);
  ASSERT_EQ(v.volume->GetJournal()->Header()->start, end);
  EXPECT_EQ(v.volume->GetJournal()->GetDeleteRecord(nullptr), kResultOk);
  const HFSPlusCatalogFile* file = DeletedFile(*v.volume, gone);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->dataFork.logicalSize, 9000u);
}


// A journal of several read windows whose three transactions each log one file's catalog leaf: the first
// node lies across the boundary of two windows, the last runs past the journal's end. Every logged file comes
// back; a sector that cannot be read inside the second node ends the walk there, with the first file kept; a
// stop after the first find ends it too.
struct LongJournalCase {
  const char* name;
  bool unreadableSecondNode;
  bool stopAfterFirstFind;
  bool secondAndThirdFound;
  bool failed;
};

class HFSPlusLongJournal : public ::testing::TestWithParam<LongJournalCase> {};

TEST_P(HFSPlusLongJournal, FindsWhatLiesBeforeTheDamageOrTheStop) {
  const LongJournalCase& each = GetParam();
  constexpr std::uint64_t kBlockList = 4096, kHeader = 512, kNode = 4096;
  // The lap starts at the end field, kNode here: the wrapped transaction leaves kNode - kHeader bytes after
  // the header. The transactions start 2 * (kBlockList + kNode) + kBlockList + kHeader bytes before the
  // journal's end; this size puts the boundary of the fourth and fifth windows in the middle of the first node.
  constexpr std::uint64_t kWindows = 4;
  const std::uint64_t bytes = kWindows * CHFSPlusJournal::kWindowBytes + 3 * kBlockList + kHeader + 2 * kNode +
                              kNode / 2 - kNode;
  HFSPlusJournalOptions journalOptions;
  journalOptions.bytes = static_cast<std::uint32_t>(bytes);
  journalOptions.headerSize = kHeader;
  journalOptions.blockListSize = kBlockList;
  HFSPlusWriterOptions options = JournaledOptions(journalOptions);
  // Room for the journal and the rest of the volume.
  options.totalBlocks = static_cast<std::uint32_t>(bytes / options.blockSize + 2048);
  std::uint32_t first = 0, second = 0, third = 0;
  WrittenVolume v = WriteVolume(options, [&](VolumeContent& c) {
    HFSPlusWriter& w = c.writer();
    first = w.AddFile(2, u"first.txt", PatternBytes(10, 1));
    second = w.AddFile(2, u"second.txt", PatternBytes(10, 2));
    third = w.AddFile(2, u"third.txt", PatternBytes(10, 3));
    for (std::uint32_t id : {first, second, third}) w.Delete(id);
    for (std::uint32_t id : {first, second, third}) w.LogTransaction({{fmt::kCatalogFileID, {id}, false, 0}});
  });
  const HFSPlusJournalImage& laid = v.writer->Journal();
  ASSERT_EQ(laid.end, kNode);
  const std::uint64_t firstNode = laid.start + kBlockList;
  ASSERT_EQ((firstNode + kNode / 2 - laid.end) % CHFSPlusJournal::kWindowBytes, 0u);
  ASSERT_GT(laid.start, 3 * CHFSPlusJournal::kWindowBytes);

  MemoryDevice device(v.image->Flatten(), 512);
  if (each.unreadableSecondNode) {
    const std::uint64_t secondNode = firstNode + kNode + kBlockList;
    device.FailSectors(static_cast<long long>((v.writer->JournalOffset() + secondNode + 1024) / 512), 1);
  }
  CHFSPlusVolume volume(&device, false);
  ASSERT_EQ(volume.GetLastError(), kResultOk);
  StopAfterFirstStep sink;
  CHFSPlusQuickFileSystemSearchProgress progress(&sink, false);
  const ResultCode walked = volume.GetJournal()->GetDeleteRecord(each.stopAfterFirstFind ? &progress : nullptr);
  EXPECT_EQ(walked != kResultOk, each.failed);
  if (each.failed) {
    EXPECT_EQ(ErrorOf(walked), fmt::hfserror::kDeviceRead);
  }
  ASSERT_EQ(CountWithID(volume, first), 1u);
  EXPECT_EQ(CountWithID(volume, second), each.secondAndThirdFound ? 1u : 0u);
  EXPECT_EQ(CountWithID(volume, third), each.secondAndThirdFound ? 1u : 0u);
  const auto* file = DeletedFile(volume, first);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->dataFork.logicalSize, 10u);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, HFSPlusLongJournal,
    ::testing::Values(LongJournalCase{"Whole", false, false, true, false},
                      LongJournalCase{"UnreadableSectorInTheSecondNode", true, false, false, true},
                      LongJournalCase{"StopAfterTheFirstFind", false, true, false, false}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace quellsy::test
