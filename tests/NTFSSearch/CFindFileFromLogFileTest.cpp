// The log-file finder over small volumes in memory: a $LogFile written by the test-side log writer, FILE records
// written by hand. Sizes, clusters and MFT numbers expected are worked out from what each test wrote.

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "NTFSLib/CNTFSMultiFileRecord.h"
#include "NTFSLib/NTFSMappingPairs.h"
#include "NTFSLib/NtfsRecordBuilder.h"
#include "NTFSSearch/CFindFileFromLogFile.h"
#include "NTFSSearch/CNTFSFilePropertiesBuilder.h"
#include "include/IDataRunList.h"
#include "support/MemoryDevice.h"
#include "support/ntfs/NtfsLogWriter.h"

namespace {

using namespace quellsy::test;
namespace ntfs = quellsy::ntfs;

constexpr std::uint32_t kSectorsPerCluster = 8;
constexpr std::size_t kClusterBytes = 4096;
constexpr std::int64_t kMftCluster = 4;
constexpr std::int64_t kMftClusters = 16;  // 64 records
constexpr std::int64_t kLogCluster = 32;
constexpr std::size_t kLogPages = 16;
constexpr std::int64_t kVolumeClusters = 160;

std::vector<std::uint8_t> Pairs(std::vector<ntfs::MappingRun> runs, std::size_t padTo = 16) {
  std::vector<std::uint8_t> packed = ntfs::PackMappingPairs(runs);
  if (packed.size() < padTo) packed.resize(padTo, 0);
  return packed;
}

std::vector<std::uint8_t> Sizes(std::int64_t allocated, std::int64_t real) {
  std::vector<std::uint8_t> b(24, 0);
  NtfsRecordBuilder::Put64(b, 0, static_cast<std::uint64_t>(allocated));
  NtfsRecordBuilder::Put64(b, 8, static_cast<std::uint64_t>(real));
  NtfsRecordBuilder::Put64(b, 16, static_cast<std::uint64_t>(real));
  return b;
}

// A volume of 4 KiB clusters whose cluster 0 lies at sector origin: the $MFT at cluster 4, the log at 32.
class LogVolume {
 public:
  explicit LogVolume(std::int64_t origin = 0, std::int64_t logPages = kLogPages)
      : m_origin(origin),
        m_device(origin + kVolumeClusters * kSectorsPerCluster, 512) {
    m_mftRuns.AddDataRun({kMftCluster, 0, kMftClusters});
    PutRecord(2, NtfsRecordBuilder()
                     .StandardInformation(0x06)
                     .FileName(u"$LogFile", 5)
                     .NonResident(0x80, Pairs({{kLogCluster, 0, logPages}}, 0), 0, logPages - 1,
                                  logPages * static_cast<std::int64_t>(kClusterBytes))
                     .Number(2)
                     .Build());
  }

  void PutRecord(std::int64_t number, const std::vector<std::uint8_t>& bytes) {
    m_device.Put(Byte(kMftCluster) + static_cast<std::size_t>(number) * 1024, bytes);
  }
  void PutLog(const std::vector<std::uint8_t>& log) { m_device.Put(Byte(kLogCluster), log); }
  std::vector<std::uint8_t> Record(std::int64_t number) {
    const std::size_t at = Byte(kMftCluster) + static_cast<std::size_t>(number) * 1024;
    return {m_device.bytes().begin() + static_cast<std::ptrdiff_t>(at),
            m_device.bytes().begin() + static_cast<std::ptrdiff_t>(at + 1024)};
  }

  bool Open(CFindFileFromLogFile& finder) { return finder.Init(&m_device, m_mftRuns, kSectorsPerCluster, m_origin); }

  // Properties of a record as the quick search builds them, with its extension records.
  std::unique_ptr<CNTFSFileProperties> Properties(std::int64_t number,
                                                  std::vector<CAttributeListExtendFileRecordInfo>& extensions) {
    const std::vector<std::uint8_t> bytes = Record(number);
    const std::int64_t sector = static_cast<std::int64_t>(Byte(kMftCluster) / 512) + number * 2;
    extensions = CNTFSMultiFileRecord::InitExtendFileRecord(bytes, sector, m_device, Geometry(), m_mftRuns);
    CNTFSMultiFileRecord multi(bytes, sector, &m_device, Geometry(), m_mftRuns, extensions);
    std::int64_t parent = -1;
    return std::unique_ptr<CNTFSFileProperties>(
        CNTFSFilePropertiesBuilder::BuildFileProperties(sector, multi, kClusterBytes, parent));
  }

  NTFSVolumeGeometry Geometry() const {
    NTFSVolumeGeometry geometry;
    geometry.sectorsPerCluster = kSectorsPerCluster;
    geometry.origin = m_origin;
    return geometry;
  }

 private:
  std::size_t Byte(std::int64_t cluster) const {
    return static_cast<std::size_t>(m_origin * 512 + cluster * static_cast<std::int64_t>(kClusterBytes));
  }

  std::int64_t m_origin;
  MemoryDevice m_device;
  CNTFSDataRunList m_mftRuns;
};

// (LCN, length) pairs of a properties' extents.
std::vector<std::pair<long long, long long>> Extents(CNTFSFileProperties& properties) {
  std::vector<std::pair<long long, long long>> out;
  IDataRunList* runs = properties.GetDataRunList();
  if (runs == nullptr) return out;
  for (DataRun* run = runs->GetFirst(); run != nullptr; run = runs->GetNext()) out.emplace_back(run->lcn, run->length);
  return out;
}

// A live file's record of `clusters` clusters at `lcn`, as an image logged when it was written.
std::vector<std::uint8_t> LiveImage(const std::u16string& name, std::uint32_t number, std::int64_t lcn,
                                    std::int64_t clusters, std::int64_t size) {
  return NtfsRecordBuilder()
      .StandardInformation(0x20)
      .FileName(name, 5)
      .NonResident(0x80, Pairs({{lcn, 0, clusters}}), 0, clusters - 1, size)
      .Number(number)
      .Build();
}

// The same file deleted with its sizes and runs cleared; dataOffset gets the data attribute's offset.
std::vector<std::uint8_t> ClearedRecord(const std::u16string& name, std::uint32_t number,
                                        std::size_t* dataOffset = nullptr) {
  NtfsRecordBuilder builder(1024, 0);
  builder.StandardInformation(0x20).FileName(name, 5);
  if (dataOffset != nullptr) *dataOffset = builder.Next();
  return builder.NonResident(0x80, {0}, 0, -1, 0).Number(number).Build();
}

std::vector<std::uint8_t> ImageRecord(const std::vector<std::uint8_t>& image) {
  NtfsLogClientRecord record;
  record.redoOperation = kLogInitializeFileRecordSegment;
  record.undoOperation = kLogNoop;
  record.redo = image;
  return NtfsLogClientData(record);
}

// Undo data for the data attribute at recordOffset of MFT record `number` (four records a 4 KiB cluster).
std::vector<std::uint8_t> UndoRecord(std::uint16_t operation, std::int64_t number, std::size_t recordOffset,
                                     std::uint16_t attributeOffset, std::vector<std::uint8_t> undo) {
  NtfsLogClientRecord record;
  record.redoOperation = operation;
  record.undoOperation = operation;
  record.undo = std::move(undo);
  record.recordOffset = static_cast<std::uint16_t>(recordOffset);
  record.attributeOffset = attributeOffset;
  record.targetVcn = number / 4;
  record.clusterBlockOffset = static_cast<std::uint16_t>((number % 4) * 2);
  return NtfsLogClientData(record);
}

// A filler record of n bytes of client data that carries nothing of interest.
std::vector<std::uint8_t> Filler(std::size_t n) { return std::vector<std::uint8_t>(n, 0x5A); }

// Opens the volume's log and reads it, then asks it to restore record `number` (a deleted size-0 file) as the
// quick search does; its properties afterwards, null when the log refused.
std::unique_ptr<CNTFSFileProperties> Restore(LogVolume& volume, CFindFileFromLogFile& finder, std::int64_t number,
                                             std::int64_t parent = 5, std::size_t* extensionCount = nullptr) {
  if (!volume.Open(finder) || !finder.Analyzer()) {
    ADD_FAILURE() << "log not read";
    return nullptr;
  }
  std::vector<CAttributeListExtendFileRecordInfo> extensions;
  auto properties = volume.Properties(number, extensions);
  if (!properties || properties->GetFileSize() != 0) {
    ADD_FAILURE() << "record " << number << " is not a cleared file";
    return nullptr;
  }
  if (extensionCount != nullptr) *extensionCount = extensions.size();
  if (!finder.ReplaceFileRecordInfo(volume.Record(number), *properties, parent, extensions)) return nullptr;
  return properties;
}

class LogFinderAtOrigin : public testing::TestWithParam<std::int64_t> {};

TEST_P(LogFinderAtOrigin, GivesADeletedFileTheSizeAndExtentsOfItsLoggedImage) {
  LogVolume volume(GetParam());
  NtfsLogWriter log(kLogPages);
  log.Add(ImageRecord(LiveImage(u"victim.bin", 30, 90, 3, 10000)));
  volume.PutLog(log.Build());
  volume.PutRecord(30, ClearedRecord(u"victim.bin", 30));

  CFindFileFromLogFile finder;
  const auto properties = Restore(volume, finder, 30);
  ASSERT_TRUE(properties);
  EXPECT_EQ(finder.GetLogPageCount(), kLogPages);
  ASSERT_EQ(finder.FoundFiles().size(), 1u);
  EXPECT_EQ(finder.FoundFiles()[0].parent, 5);
  EXPECT_EQ(finder.FoundFiles()[0].properties->GetFileSize(), 10000);
  EXPECT_TRUE(finder.FoundFiles()[0].claimed);
  EXPECT_EQ(properties->GetFileSize(), 10000);
  EXPECT_EQ(Extents(*properties), (std::vector<std::pair<long long, long long>>{{90, 3}}));
}

INSTANTIATE_TEST_SUITE_P(Origins, LogFinderAtOrigin, testing::Values(0, 2048));

TEST(CFindFileFromLogFile, ByRecordNumberWhenTheParentIsUnknown) {
  LogVolume volume;
  NtfsLogWriter log(kLogPages);
  log.Add(ImageRecord(LiveImage(u"other.bin", 41, 70, 1, 100)));
  log.Add(ImageRecord(LiveImage(u"victim.bin", 30, 90, 2, 5000)));
  volume.PutLog(log.Build());
  volume.PutRecord(30, ClearedRecord(u"victim.bin", 30));
  CFindFileFromLogFile finder;
  const auto properties = Restore(volume, finder, 30, -1);
  ASSERT_TRUE(properties);
  EXPECT_EQ(properties->GetFileSize(), 5000);
  EXPECT_EQ(Extents(*properties), (std::vector<std::pair<long long, long long>>{{90, 2}}));
}

// Records before the image push it across a page boundary at various points: in its header, in the client
// header, inside the image; in the last case the record before it spans three pages.
class ImageAcrossPages : public testing::TestWithParam<std::size_t> {};

TEST_P(ImageAcrossPages, IsJoinedAndMined) {
  LogVolume volume;
  NtfsLogWriter log(kLogPages);
  log.Add(Filler(GetParam()));
  const std::size_t startPage = log.CurrentPage();
  log.Add(ImageRecord(LiveImage(u"split.bin", 33, 100, 4, 16000)));
  ASSERT_GT(log.CurrentPage(), startPage) << "the image did not cross a page";
  log.Add(Filler(64));
  log.Add(ImageRecord(LiveImage(u"after.bin", 34, 120, 1, 4000)));
  volume.PutLog(log.Build());
  CFindFileFromLogFile finder;
  ASSERT_TRUE(volume.Open(finder));
  ASSERT_TRUE(finder.Analyzer());
  ASSERT_EQ(finder.FoundFiles().size(), 2u);
  EXPECT_STREQ(finder.FoundFiles()[0].properties->GetFileName(), "split.bin");
  EXPECT_EQ(finder.FoundFiles()[0].properties->GetFileSize(), 16000);
  EXPECT_STREQ(finder.FoundFiles()[1].properties->GetFileName(), "after.bin");
}

// Page data runs from 64 to 4096; a record is its 48-byte header plus the client data.
INSTANTIATE_TEST_SUITE_P(Splits, ImageAcrossPages,
                         testing::Values(4096 - 64 - 48 - 48 - 24,    // header cut
                                         4096 - 64 - 48 - 48 - 60,    // client header cut, "FILE0" in the next page
                                         4096 - 64 - 48 - 48 - 400,   // image cut
                                         3 * (4096 - 64) - 48 - 400));  // filler over pages 4 to 6

TEST(CFindFileFromLogFile, ARecordOf100BytesCarryingTheMagicIsNotMined) {
  LogVolume volume;
  NtfsLogWriter log(kLogPages);
  std::vector<std::uint8_t> shortRecord = ImageRecord(LiveImage(u"short.bin", 35, 90, 1, 100));
  shortRecord.resize(100);
  log.Add(shortRecord);
  volume.PutLog(log.Build());
  CFindFileFromLogFile finder;
  ASSERT_TRUE(volume.Open(finder));
  finder.Analyzer();
  EXPECT_TRUE(finder.FoundFiles().empty());
}

TEST(CFindFileFromLogFile, RestoresSizeAndRunsFromUndoData) {
  LogVolume volume;
  std::size_t data = 0;
  volume.PutRecord(31, ClearedRecord(u"undone.bin", 31, &data));
  NtfsLogWriter log(kLogPages);
  log.Add(UndoRecord(kLogSetNewAttributeSizes, 31, data, 0x28, Sizes(3 * 4096, 10000)));
  log.Add(UndoRecord(kLogUpdateMappingPairs, 31, data, 0x40, Pairs({{80, 0, 3}})));
  // Changes to another record and to another attribute offset change nothing here.
  log.Add(UndoRecord(kLogUpdateMappingPairs, 30, data, 0x40, Pairs({{7, 0, 1}})));
  log.Add(UndoRecord(kLogUpdateMappingPairs, 31, data + 8, 0x40, Pairs({{9, 0, 1}})));
  volume.PutLog(log.Build());

  CFindFileFromLogFile finder;
  const auto properties = Restore(volume, finder, 31);
  ASSERT_TRUE(properties);
  EXPECT_EQ(properties->GetFileSize(), 10000);
  EXPECT_EQ(Extents(*properties), (std::vector<std::pair<long long, long long>>{{80, 3}}));
}

// A file in two records: its first extent (VCN 0-2) in the base record 32, its second (VCN 3-5) in extension
// record 33. Each extent's mapping pairs begin from cluster 0, so joining them would place the second at 50 + 60.
TEST(CFindFileFromLogFile, RebuildsATwoExtentFileFromEachExtentOnItsOwn) {
  LogVolume volume;
  std::vector<std::uint8_t> list;
  const auto entry = [&list](std::uint32_t type, std::uint64_t vcn, std::uint64_t record) {
    std::vector<std::uint8_t> e(0x20, 0);
    NtfsRecordBuilder::Put32(e, 0x00, type);
    NtfsRecordBuilder::Put16(e, 0x04, 0x20);
    e[0x07] = 0x1A;
    NtfsRecordBuilder::Put64(e, 0x08, vcn);
    NtfsRecordBuilder::Put64(e, 0x10, record | (std::uint64_t{1} << 48));
    list.insert(list.end(), e.begin(), e.end());
  };
  entry(0x10, 0, 32);
  entry(0x30, 0, 32);
  entry(0x80, 0, 32);
  entry(0x80, 3, 33);
  NtfsRecordBuilder base(1024, 0);
  base.StandardInformation(0x20).Resident(0x20, list).FileName(u"twopart.bin", 5);
  const std::size_t baseData = base.Next();
  volume.PutRecord(32, base.NonResident(0x80, {0}, 0, -1, 0).Number(32).Build());
  NtfsRecordBuilder extension(1024, 0);
  extension.Base(32 | (std::uint64_t{1} << 48));
  const std::size_t extensionData = extension.Next();
  volume.PutRecord(33, extension.NonResident(0x80, {0}, 3, 2, 0).Number(33).Build());

  NtfsLogWriter log(kLogPages);
  log.Add(UndoRecord(kLogSetNewAttributeSizes, 32, baseData, 0x28, Sizes(6 * 4096, 20000)));
  log.Add(UndoRecord(kLogUpdateMappingPairs, 32, baseData, 0x40, Pairs({{50, 0, 3}})));
  log.Add(UndoRecord(kLogUpdateMappingPairs, 33, extensionData, 0x40, Pairs({{60, 3, 3}})));
  volume.PutLog(log.Build());

  CFindFileFromLogFile finder;
  std::size_t extensions = 0;
  const auto properties = Restore(volume, finder, 32, 5, &extensions);
  ASSERT_TRUE(properties);
  EXPECT_EQ(extensions, 1u);
  EXPECT_EQ(properties->GetFileSize(), 20000);
  EXPECT_EQ(Extents(*properties), (std::vector<std::pair<long long, long long>>{{50, 3}, {60, 3}}));
}

TEST(CFindFileFromLogFile, RefusesFoldersLiveFilesAndAnUnreadLog) {
  LogVolume volume;
  NtfsLogWriter log(kLogPages);
  log.Add(ImageRecord(LiveImage(u"victim.bin", 30, 90, 3, 10000)));
  volume.PutLog(log.Build());
  volume.PutRecord(30, ClearedRecord(u"victim.bin", 30));
  CFindFileFromLogFile finder;
  ASSERT_TRUE(volume.Open(finder));
  std::vector<CAttributeListExtendFileRecordInfo> extensions;
  auto properties = volume.Properties(30, extensions);
  EXPECT_FALSE(finder.ReplaceFileRecordInfo(volume.Record(30), *properties, 5, extensions)) << "log not read yet";
  finder.Analyzer();
  properties->SetState(0);
  EXPECT_FALSE(finder.ReplaceFileRecordInfo(volume.Record(30), *properties, 5, extensions)) << "live file";
  properties->SetState(CNTFSFilePropertiesStruct::kStateDeleted);
  properties->SetAttribute(CNTFSFilePropertiesStruct::kDirectory);
  EXPECT_FALSE(finder.ReplaceFileRecordInfo(volume.Record(30), *properties, 5, extensions)) << "folder";
  EXPECT_EQ(properties->GetFileSize(), 0);
}

TEST(CFindFileFromLogFile, ADeletedFileTheLogDoesNotKnowKeepsSizeZero) {
  LogVolume volume;
  NtfsLogWriter log(kLogPages);
  log.Add(ImageRecord(LiveImage(u"victim.bin", 30, 90, 3, 10000)));
  volume.PutLog(log.Build());
  volume.PutRecord(36, ClearedRecord(u"stranger.bin", 36));
  CFindFileFromLogFile finder;
  const auto properties = Restore(volume, finder, 36);
  ASSERT_TRUE(properties);
  EXPECT_EQ(properties->GetFileSize(), 0);
  EXPECT_TRUE(Extents(*properties).empty());
  EXPECT_FALSE(finder.FoundFiles()[0].claimed);
}

TEST(CFindFileFromLogFile, FindsNothingInALogTooSmallOrNotTheLogs) {
  {
    LogVolume volume(0, 4);
    NtfsLogWriter log(4);
    volume.PutLog(log.Build());
    CFindFileFromLogFile finder;
    ASSERT_TRUE(volume.Open(finder));
    EXPECT_EQ(finder.GetLogPageCount(), 4u);
    EXPECT_FALSE(finder.Analyzer());
  }
  {
    LogVolume volume;
    volume.PutRecord(2, LiveImage(u"$Notlog", 2, kLogCluster, 16, 65536));
    CFindFileFromLogFile finder;
    EXPECT_TRUE(volume.Open(finder));
    EXPECT_FALSE(finder.IsReady());
    EXPECT_FALSE(finder.Analyzer());
  }
  CFindFileFromLogFile unopened;
  EXPECT_FALSE(unopened.Init(nullptr, CNTFSDataRunList(), 8));
}

// A log claiming far more than a real one (2 GiB) is refused before a page is read or a buffer sized by it.
TEST(CFindFileFromLogFile, RefusesALogAboveTheCap) {
  LogVolume volume(0, std::int64_t{1} << 19);
  CFindFileFromLogFile finder;
  ASSERT_TRUE(volume.Open(finder));
  ASSERT_TRUE(finder.IsReady());
  EXPECT_EQ(finder.GetLogPageCount(), std::uint64_t{1} << 19);
  EXPECT_FALSE(finder.Analyzer());
}

struct IndexCase {
  std::uint32_t sectorsPerCluster;
  std::int64_t vcn;
  std::uint16_t block;
  std::int64_t expected;
};

class FileRecordIndex : public testing::TestWithParam<IndexCase> {};

// 1 KiB records: four to a 4 KiB cluster, eight to an 8 KiB one; the block offset counts 512-byte blocks.
TEST_P(FileRecordIndex, FromClusterAndBlock) {
  const IndexCase& c = GetParam();
  MemoryDevice device(std::vector<std::uint8_t>(512 * 64, 0));
  CNTFSDataRunList runs;
  runs.AddDataRun({1, 0, 1});
  CFindFileFromLogFile finder;
  finder.Init(&device, runs, c.sectorsPerCluster);
  EXPECT_EQ(finder.GetFileRecordIndex(c.vcn, c.block), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FileRecordIndex,
                         testing::Values(IndexCase{8, 7, 6, 31}, IndexCase{8, 0, 0, 0}, IndexCase{8, 10, 2, 41},
                                         IndexCase{8, 1, 1, -1}, IndexCase{8, 1, 8, -1}, IndexCase{16, 1, 2, 9},
                                         IndexCase{16, 2, 14, 23}, IndexCase{2, 33, 0, 33}, IndexCase{1, 12, 0, 12}));

}  // namespace
