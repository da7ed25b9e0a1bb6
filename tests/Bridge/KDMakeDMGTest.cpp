// The qim writer against the engine's own qim reader: head and data offset, sectors at their offsets, the raw
// copy, stop and pause, refusal of incomplete images, and a source with unreadable sectors.

#include "Bridge/KDMakeDMG.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "Bridge/KDUIDeviceData.h"
#include "FakeEnumDeviceEx.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/QimImageFormat.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "Utility/ByteReader.h"
#include "support/FaultyRawReadBackend.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"
#include "Utility/CatchExeception.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

// Remembers every report and can act on the first one from the copy's thread.
class RecordingDelegate final : public IKDMakeDMGDelegate {
 public:
  std::function<void(const KDQimProgress&)> onReport;

  void KDGetPrecent(const KDQimProgress& progress) override {
    if (onReport) onReport(progress);
    std::lock_guard guard(lock_);
    reports_.push_back(progress);
    changed_.notify_all();
  }
  std::vector<KDQimProgress> Reports() {
    std::lock_guard guard(lock_);
    return reports_;
  }
  void WaitForReports(std::size_t count) {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [&] { return reports_.size() >= count; });
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<KDQimProgress> reports_;
};

// A disk of the device list: its record gives the geometry, the file at `source` holds its sectors.
struct SourceDisk {
  SourceDisk(const TempDir& dir, long long sectors, unsigned sectorSize, const char* name)
      : source(dir / "source.bin"), device(sectors, sectorSize, STORAGE_DEVICE_DISK) {
    bytes = PatternBytes(static_cast<std::size_t>(sectors) * sectorSize, 7);
    WriteFile(source, bytes);
    auto* record = new CCollectDiskDeviceInfoStruct;
    record->sectorSize = sectorSize;
    record->totalSectors = static_cast<std::uint64_t>(sectors);
    std::strncpy(record->name, name, sizeof record->name - 1);
    holder = std::make_unique<CDiskDeviceData>(record);
    device.SetPrivateData(holder.get());
  }
  fs::path source;
  std::vector<std::uint8_t> bytes;
  MemoryDevice device;
  std::unique_ptr<CDiskDeviceData> holder;
};

class QimWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { writer_.setKDDelegate(&delegate_); }
  int Image(SourceDisk& disk, const fs::path& image, int raw = 0) {
    const int started = writer_.KDStartWithStorage(&disk.device, disk.source.c_str(), image.c_str(), raw);
    if (started != 0) return started;
    writer_.KDWaitForCopy();
    return delegate_.Reports().back().code;
  }

  TempDir dir_;
  RecordingDelegate delegate_;
  KDMakeDMG writer_;
};

struct OffsetCase {
  unsigned sectorSize;
  std::uint64_t dataOffset;  // the first multiple of the sector size past the 1200 bytes of head and record
};

class QimRoundTrip : public QimWriterTest, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(QimRoundTrip, TheEngineReaderSeesEverySectorAtItsOffset) {
  const auto [sectorSize, dataOffset] = GetParam();
  // Two whole chunks and a short one.
  const long long sectors = 2 * KDMakeDMG::kChunkSectors + 37;
  SourceDisk disk(dir_, sectors, sectorSize, "Card Reader");
  const auto image = dir_ / "card.qim";
  ASSERT_EQ(Image(disk, image), 0);

  const auto file = ReadFile(image);
  ASSERT_EQ(file.size(), dataOffset + disk.bytes.size());
  EXPECT_EQ(std::memcmp(file.data(), "qim", 4), 0);
  EXPECT_EQ(le32(file, 4), 1192u);
  EXPECT_EQ(le64(file, 8), sectorSize);
  EXPECT_EQ(le64(file, 16), static_cast<std::uint64_t>(sectors));
  EXPECT_EQ(le64(file, 24), dataOffset);
  EXPECT_EQ(le64(file, 32), file.size());
  for (std::size_t i = 1200; i < dataOffset; ++i) ASSERT_EQ(file[i], 0) << "padding byte " << i;
  EXPECT_TRUE(std::equal(disk.bytes.begin(), disk.bytes.end(), file.begin() + static_cast<long>(dataOffset)));

  std::unique_ptr<IStorageDevice> reader(CreateQimDevice(image.c_str()));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->GetSectorSize(), sectorSize);
  EXPECT_EQ(reader->GetTotalSectors(), sectors);
  EXPECT_STREQ(dynamic_cast<IQIMDeviceData*>(reader->GetPrivateData())->GetQIMInfo()->deviceName, "Card Reader");
  for (const long long sector : {0LL, static_cast<long long>(KDMakeDMG::kChunkSectors) - 1,
                                  static_cast<long long>(KDMakeDMG::kChunkSectors), sectors - 1}) {
    std::vector<std::uint8_t> got(sectorSize);
    ASSERT_TRUE(reader->ReadSector(got.data(), sector, 1));
    EXPECT_TRUE(std::equal(got.begin(), got.end(), disk.bytes.begin() + sector * sectorSize)) << "sector " << sector;
  }
  const auto last = delegate_.Reports().back();
  EXPECT_EQ(last.totalSectors, sectors);
  EXPECT_EQ(last.doneSectors, sectors);
  EXPECT_EQ(last.badSectors, 0);
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, QimRoundTrip,
                         ::testing::Values(OffsetCase{512, 1536}, OffsetCase{1024, 2048}, OffsetCase{2048, 2048},
                                           OffsetCase{4096, 4096}),
                         [](const auto& test) { return std::to_string(test.param.sectorSize); });

TEST_F(QimWriterTest, RawCopyHoldsTheSectorsAlone) {
  SourceDisk disk(dir_, KDMakeDMG::kChunkSectors + 5, 512, "Stick");
  const auto image = dir_ / "stick.img";
  ASSERT_EQ(Image(disk, image, 1), 0);
  EXPECT_EQ(ReadFile(image), disk.bytes);
  EXPECT_EQ(writer_.Info().dataOffset, 0u);
}

// The device list's disk and volume by index, as the windows would name them.
TEST_F(QimWriterTest, StartsFromTheDeviceListByDiskAndVolumeIndex) {
  FakeEnumDeviceEx fake({{"Flash Stick", "sdb", 1, DISK_BUS_USB, 300, {{"Photos", FILE_SYSTEM_FAT32, {}, "", 200}}}});
  KDUIDeviceData::ResetForTests(&fake);
  KDUIDeviceData::instance()->InitDeviceInfo();
  const auto source = dir_ / "sdb";
  const auto bytes = PatternBytes(300 * 512, 3);
  WriteFile(source, bytes);

  EXPECT_EQ(writer_.KDStart(source.c_str(), (dir_ / "disk.qim").c_str(), 0, -1, 0), 0);
  writer_.KDWaitForCopy();
  EXPECT_EQ(writer_.Info().sectorCount, 300u);
  EXPECT_STREQ(writer_.Info().deviceName, "Flash Stick");
  EXPECT_EQ(writer_.KDStart(source.c_str(), (dir_ / "volume.qim").c_str(), 0, 0, 0), 0);
  writer_.KDWaitForCopy();
  EXPECT_EQ(writer_.Info().sectorCount, 200u);
  EXPECT_STREQ(writer_.Info().deviceName, "Photos");
  std::unique_ptr<IStorageDevice> reader(CreateQimDevice((dir_ / "volume.qim").c_str()));
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->GetTotalSectors(), 200);

  EXPECT_EQ(writer_.KDStart(source.c_str(), (dir_ / "none.qim").c_str(), 5, -1, 0), KDMakeDMG::kBadArgument);
  EXPECT_EQ(writer_.KDStart(nullptr, (dir_ / "none.qim").c_str(), 0, -1, 0), KDMakeDMG::kBadArgument);
  KDUIDeviceData::ResetForTests();
}

TEST_F(QimWriterTest, StopDeletesThePartialImageEvenWhilePaused) {
  SourceDisk disk(dir_, 4 * KDMakeDMG::kChunkSectors, 512, "Disk");
  const auto image = dir_ / "partial.qim";
  bool first = true;
  // Pauses after the first chunk; the test then stops the paused copy.
  delegate_.onReport = [&](const KDQimProgress&) {
    if (std::exchange(first, false)) writer_.KDSetState(KDMakeDMG::kPause);
  };
  ASSERT_EQ(writer_.KDStartWithStorage(&disk.device, disk.source.c_str(), image.c_str(), 0), 0);
  delegate_.WaitForReports(1);
  EXPECT_TRUE(fs::exists(image));
  writer_.KDSetState(KDMakeDMG::kStop);
  writer_.KDWaitForCopy();

  const auto reports = delegate_.Reports();
  ASSERT_EQ(reports.size(), 2u);  // the first chunk and the end: nothing was copied while paused
  EXPECT_EQ(reports[0].doneSectors, KDMakeDMG::kChunkSectors);
  EXPECT_EQ(reports[1].code, KDMakeDMG::kStopped);
  EXPECT_FALSE(fs::exists(image));
}

// The end offset is filled in last: an image cut short, grown, or never finished is refused.
TEST_F(QimWriterTest, TheReaderRefusesAnIncompleteImage) {
  SourceDisk disk(dir_, 64, 512, "Disk");
  const auto image = dir_ / "whole.qim";
  ASSERT_EQ(Image(disk, image), 0);
  const auto whole = ReadFile(image);

  auto unfinished = whole;
  FieldWriter(unfinished).le64(8 + 24, 0);
  auto cut = whole;
  cut.resize(cut.size() - 512);
  auto grown = whole;
  grown.resize(grown.size() + 512);
  for (const auto& [name, bytes] : {std::pair{"unfinished", unfinished}, {"cut", cut}, {"grown", grown}}) {
    const auto path = dir_ / (std::string(name) + ".qim");
    WriteFile(path, bytes);
    CQIMDeviceInfoStruct record;
    EXPECT_EQ(KdFillQimFileInfo(&record, path.c_str()), -1) << name;
    EXPECT_EQ(CreateQimDevice(path.c_str()), nullptr) << name;
  }
}

TEST_F(QimWriterTest, UnreadableSectorsBecomeZerosAndTheCopyGoesOn) {
  const long long sectors = 2 * KDMakeDMG::kChunkSectors;
  SourceDisk disk(dir_, sectors, 512, "Worn Disk");
  auto faulty = std::make_shared<FaultyRawReadBackend>();
  // Three bad sectors inside the second chunk, one at the very end.
  const long long bad = KDMakeDMG::kChunkSectors + 100;
  faulty->FailRequestsCovering({bad * 512, (bad + 3) * 512});
  faulty->FailRequestsCovering({(sectors - 1) * 512, sectors * 512});
  ScopedRawReadBackend scoped(faulty, std::chrono::milliseconds(5000));
  const auto image = dir_ / "worn.qim";
  const fs::path logs = dir_ / "logs";
  fs::create_directory(logs);
  CatchExeception::SetWorkPathForTesting(logs.string());
  errno = EEXIST;  // left over from an earlier call
  const int made = Image(disk, image);
  CatchExeception::SetWorkPathForTesting("");
  ASSERT_EQ(made, 0);

  auto expected = disk.bytes;
  std::fill_n(expected.begin() + bad * 512, 3 * 512, 0);
  std::fill_n(expected.end() - 512, 512, 0);
  const auto file = ReadFile(image);
  ASSERT_EQ(file.size(), 1536 + expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + 1536));
  const auto ranges = writer_.BadRanges();
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0].first, bad);
  EXPECT_EQ(ranges[0].count, 3);
  EXPECT_EQ(ranges[1].first, sectors - 1);
  EXPECT_EQ(ranges[1].count, 1);
  EXPECT_EQ(delegate_.Reports().back().badSectors, 4);
  // One log line per range, with the reason the failing read gave.
  std::vector<std::string> lines;
  std::ifstream log(logs / "sQuellsy.log");
  for (std::string line; std::getline(log, line);)
    if (line.find("unreadable") != std::string::npos) lines.push_back(line);
  const std::string eio = std::strerror(EIO);
  ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
  EXPECT_NE(lines[0].find("sectors " + std::to_string(bad) + "-" + std::to_string(bad + 2) + " unreadable"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find("sectors " + std::to_string(sectors - 1) + "-" + std::to_string(sectors - 1) + " unreadable"),
            std::string::npos)
      << lines[1];
  for (const std::string& line : lines) EXPECT_NE(line.find(eio), std::string::npos) << line;
  EXPECT_NE(std::unique_ptr<IStorageDevice>(CreateQimDevice(image.c_str())), nullptr);
}

TEST_F(QimWriterTest, RefusesWhatItCannotOpenOrMustNotWrite) {
  SourceDisk disk(dir_, 16, 512, "Disk");
  EXPECT_EQ(writer_.KDStartWithStorage(&disk.device, (dir_ / "missing").c_str(), (dir_ / "a.qim").c_str(), 0),
            KDMakeDMG::kSourceNotOpened);
  // A folder, or a link to the source, is never truncated into an image.
  fs::create_directory(dir_ / "folder");
  EXPECT_EQ(writer_.KDStartWithStorage(&disk.device, disk.source.c_str(), (dir_ / "folder").c_str(), 0),
            KDMakeDMG::kImageNotCreated);
  fs::create_symlink(disk.source, dir_ / "link.qim");
  EXPECT_EQ(writer_.KDStartWithStorage(&disk.device, disk.source.c_str(), (dir_ / "link.qim").c_str(), 0),
            KDMakeDMG::kImageNotCreated);
  // Nor is the source itself, by its own name or another.
  EXPECT_EQ(writer_.KDStartWithStorage(&disk.device, disk.source.c_str(), disk.source.c_str(), 1),
            KDMakeDMG::kImageNotCreated);
  fs::create_hard_link(disk.source, dir_ / "hard.img");
  EXPECT_EQ(writer_.KDStartWithStorage(&disk.device, disk.source.c_str(), (dir_ / "hard.img").c_str(), 1),
            KDMakeDMG::kImageNotCreated);
  EXPECT_EQ(ReadFile(disk.source), disk.bytes);

  MemoryDevice bare(16, 512, STORAGE_DEVICE_DISK);
  EXPECT_EQ(writer_.KDStartWithStorage(&bare, disk.source.c_str(), (dir_ / "b.qim").c_str(), 0),
            KDMakeDMG::kNoDeviceInfo);
  EXPECT_EQ(writer_.KDWriteDMgHEader2(-1), KDMakeDMG::kBadArgument);
  EXPECT_EQ(writer_.KDWriteDMGHeader(nullptr), KDMakeDMG::kBadArgument);
  EXPECT_TRUE(delegate_.Reports().empty());
}

}  // namespace
}  // namespace quellsy::test
