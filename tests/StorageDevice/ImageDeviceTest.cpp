// qim and DMG image devices: valid images read their sectors, hostile records are refused.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <memory>

#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/DmgRecordFormat.h"
#include "StorageDevice/ImageFileDevice.h"
#include "StorageDevice/QimImageFormat.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy;
using test::TempDir;

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t length) {
  return {bytes.begin() + static_cast<long>(offset), bytes.begin() + static_cast<long>(offset + length)};
}

// Stores value little-endian at offset, byte by byte.
void PutLittleEndian(std::vector<std::uint8_t>& file, std::size_t offset, std::uint64_t value, unsigned width) {
  for (unsigned i = 0; i < width; ++i) file[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A complete qim image laid out byte by byte from the file format, not by the record writer, so a field the
// reader and the writer both misplace still fails: "qim\0", the record length 1192, the record from byte 8
// (sector size, sector count, data offset and end offset as u64 at 0, 8, 16, 24; the device name at 32; the
// image path at 160; the creation time as u64 at 1184), zeros to the data offset, then the sectors.
struct QimImage {
  static constexpr std::uint64_t kCreationTime = 1700000000;
  static constexpr const char* kDeviceName = "USB Flash Disk";

  std::uint64_t sectorSize;
  std::uint64_t sectorCount;
  std::uint64_t dataOffset;
  std::vector<std::uint8_t> sectors;

  QimImage(std::uint64_t size, std::uint64_t count)
      : sectorSize(size),
        sectorCount(count),
        dataOffset((1200 / size + 1) * size),
        sectors(test::PatternBytes(size * count, 21)) {}

  std::vector<std::uint8_t> Bytes() const {
    std::vector<std::uint8_t> file(dataOffset, 0);
    file[0] = 'q';
    file[1] = 'i';
    file[2] = 'm';
    file[3] = 0;
    PutLittleEndian(file, 4, 1192, 4);
    PutLittleEndian(file, 8 + 0, sectorSize, 8);
    PutLittleEndian(file, 8 + 8, sectorCount, 8);
    PutLittleEndian(file, 8 + 16, dataOffset, 8);
    PutLittleEndian(file, 8 + 24, dataOffset + sectors.size(), 8);
    std::memcpy(file.data() + 8 + 32, kDeviceName, std::strlen(kDeviceName));
    PutLittleEndian(file, 8 + 1184, kCreationTime, 8);
    file.insert(file.end(), sectors.begin(), sectors.end());
    return file;
  }
};

class QimDevice : public ::testing::TestWithParam<unsigned> {};

TEST_P(QimDevice, ValidImageOpensAndReadsItsSectors) {
  const unsigned sectorSize = GetParam();
  TempDir dir;
  const QimImage image(sectorSize, 24);
  test::WriteFile(dir / "copy.qim", image.Bytes());

  std::unique_ptr<IStorageDevice> device(CreateQimDevice((dir / "copy.qim").c_str()));
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->GetType(), STORAGE_DEVICE_QIM);
  EXPECT_EQ(device->GetSectorSize(), sectorSize);
  EXPECT_EQ(device->GetTotalSectors(), 24);
  auto* data = dynamic_cast<IQIMDeviceData*>(device->GetPrivateData());
  ASSERT_NE(data, nullptr);
  EXPECT_STREQ(data->GetQIMInfo()->imagePath, (dir / "copy.qim").c_str());
  EXPECT_STREQ(data->GetQIMInfo()->deviceName, QimImage::kDeviceName);
  EXPECT_EQ(data->GetQIMInfo()->sectorSize, sectorSize);
  EXPECT_EQ(data->GetQIMInfo()->sectorCount, 24u);
  EXPECT_EQ(data->GetQIMInfo()->dataOffset, image.dataOffset);
  EXPECT_EQ(data->GetQIMInfo()->endOffset, image.Bytes().size());
  EXPECT_EQ(data->GetQIMInfo()->creationTime, QimImage::kCreationTime);

  std::vector<std::uint8_t> buffer(4 * sectorSize);
  ASSERT_TRUE(device->ReadSector(buffer.data(), 20, 4));
  EXPECT_EQ(buffer, Slice(image.sectors, 20 * sectorSize, 4 * sectorSize));
  ASSERT_TRUE(device->ReadSector(buffer.data(), 0, 1));
  EXPECT_EQ(Slice(buffer, 0, sectorSize), Slice(image.sectors, 0, sectorSize));
}

INSTANTIATE_TEST_SUITE_P(SectorSizes, QimDevice, ::testing::Values(512u, 1024u, 4096u));

struct HostileQim {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&)> spoil;
  ImageRecordCheck expected;
};

void PutLe64(std::vector<std::uint8_t>& file, std::size_t recordOffset, std::uint64_t value) {
  FieldWriter(file).le64(kQimHeadSize + recordOffset, value);
}

class QimRefusal : public ::testing::TestWithParam<HostileQim> {};

TEST_P(QimRefusal, IsRefusedWithItsReason) {
  TempDir dir;
  auto file = QimImage(512, 8).Bytes();
  GetParam().spoil(file);
  test::WriteFile(dir / "bad.qim", file);

  CQIMDeviceInfoStruct record;
  EXPECT_EQ(ParseQimHead(file, file.size(), record), GetParam().expected);
  EXPECT_EQ(KdFillQimFileInfo(&record, (dir / "bad.qim").c_str()), -1);
  EXPECT_EQ(CreateQimDevice((dir / "bad.qim").c_str()), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QimRefusal,
    ::testing::Values(
        HostileQim{"BadMagic", [](auto& f) { f[2] = 'M'; }, ImageRecordCheck::kBadMagic},
        HostileQim{"MagicWithoutNul", [](auto& f) { f[3] = ' '; }, ImageRecordCheck::kBadMagic},
        HostileQim{"RecordLength", [](auto& f) { FieldWriter(f).le32(4, 1191); }, ImageRecordCheck::kBadRecordLength},
        HostileQim{"ShortHead", [](auto& f) { f.resize(6); }, ImageRecordCheck::kShortHead},
        HostileQim{"ShortRecord", [](auto& f) { f.resize(700); }, ImageRecordCheck::kShortRecord},
        HostileQim{"GrownFile", [](auto& f) { f.push_back(0); }, ImageRecordCheck::kSizeMismatch},
        HostileQim{"Incomplete", [](auto& f) { PutLe64(f, 24, 0); }, ImageRecordCheck::kSizeMismatch},
        HostileQim{"SectorSizeZero", [](auto& f) { PutLe64(f, 0, 0); }, ImageRecordCheck::kBadSectorSize},
        HostileQim{"SectorSizeOdd", [](auto& f) { PutLe64(f, 0, 520); }, ImageRecordCheck::kBadSectorSize},
        HostileQim{"SectorSizeHuge", [](auto& f) { PutLe64(f, 0, 1ULL << 40); }, ImageRecordCheck::kBadSectorSize},
        HostileQim{"DataOffsetPastEnd", [](auto& f) { PutLe64(f, 16, f.size() + 1); },
                   ImageRecordCheck::kDataOffsetPastEnd},
        HostileQim{"DataOffsetHuge", [](auto& f) { PutLe64(f, 16, ~0ULL); }, ImageRecordCheck::kDataOffsetPastEnd},
        HostileQim{"OneSectorTooMany", [](auto& f) { PutLe64(f, 8, 9); }, ImageRecordCheck::kSectorCountPastEnd},
        HostileQim{"SectorCountHuge", [](auto& f) { PutLe64(f, 8, 1ULL << 62); },
                   ImageRecordCheck::kSectorCountPastEnd}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(QimImage, NamesAlwaysEndInANul) {
  TempDir dir;
  auto file = QimImage(512, 4).Bytes();
  std::memset(file.data() + kQimHeadSize + 32, 'N', 128 + 1024);  // name and path without terminators
  test::WriteFile(dir / "named.qim", file);
  std::unique_ptr<IStorageDevice> device(CreateQimDevice((dir / "named.qim").c_str()));
  ASSERT_NE(device, nullptr);
  const auto* record = dynamic_cast<IQIMDeviceData*>(device->GetPrivateData())->GetQIMInfo();
  EXPECT_EQ(std::string(record->deviceName), std::string(127, 'N'));
  EXPECT_STREQ(record->imagePath, (dir / "named.qim").c_str());
}

// A scan-result file keeps the record; reopening must find the very same image again.
TEST(QimImage, ReopensFromAStoredRecordOnlyWhenItStillMatches) {
  TempDir dir;
  const QimImage image(512, 8);
  const auto path = dir / "copy.qim";
  test::WriteFile(path, image.Bytes());
  std::unique_ptr<IStorageDevice> original(CreateQimDevice(path.c_str()));
  ASSERT_NE(original, nullptr);
  std::vector<std::uint8_t> stored(kQimRecordSize);
  ASSERT_TRUE(WriteQimRecord(*dynamic_cast<IQIMDeviceData*>(original->GetPrivateData())->GetQIMInfo(), stored));

  std::unique_ptr<IStorageDevice> again(CreateQimDeviceByQimInfo(stored.data(), kQimRecordSize, path.c_str()));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->GetTotalSectors(), 8);
  again.reset(CreateQimDeviceByQimInfo(stored.data(), kQimRecordSize, nullptr));  // the record's own path
  ASSERT_NE(again, nullptr);

  EXPECT_EQ(CreateQimDeviceByQimInfo(nullptr, kQimRecordSize, path.c_str()), nullptr);
  EXPECT_EQ(CreateQimDeviceByQimInfo(stored.data(), kQimRecordSize - 1, path.c_str()), nullptr);
  EXPECT_EQ(CreateQimDeviceByQimInfo(stored.data(), kQimRecordSize, (dir / "moved.qim").c_str()), nullptr);

  struct Mismatch {
    std::size_t offset;
    std::uint8_t value;
  };
  // Sector size, sector count, data offset, end offset, creation time, device name.
  for (const Mismatch m : {Mismatch{1, 4}, Mismatch{8, 7}, Mismatch{17, 8}, Mismatch{24, 1}, Mismatch{1184, 1},
                           Mismatch{32, 'u'}}) {
    auto changed = stored;
    changed[m.offset] = m.value;
    ASSERT_NE(changed, stored);
    EXPECT_EQ(CreateQimDeviceByQimInfo(changed.data(), kQimRecordSize, path.c_str()), nullptr) << m.offset;
  }
  // The image path is where to look, not part of the identity.
  auto elsewhere = stored;
  elsewhere[160] = 'x';
  EXPECT_NE(std::unique_ptr<IStorageDevice>(CreateQimDeviceByQimInfo(elsewhere.data(), kQimRecordSize, path.c_str())),
            nullptr);
}

// A DMG image whose sectors start behind some other data in the file.
class DmgImage : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = test::PatternBytes(3 * 512 + 10 * 512 + 300, 31);
    test::WriteFile(dir_ / "disk.dmg", file_);
    record_.sectorCount = 10;
    record_.dataOffset = 3 * 512;
    record_.fileSize = file_.size();
    std::strcpy(record_.name, "disk.dmg");
    std::strcpy(record_.imagePath, path().c_str());
  }
  std::string path() const { return (dir_ / "disk.dmg").string(); }

  TempDir dir_;
  std::vector<std::uint8_t> file_;
  CDMGDeviceInfoStruct record_;
};

TEST_F(DmgImage, ReadsTheSectorsBehindItsDataOffset) {
  std::unique_ptr<IStorageDevice> device(CreateDmgDevice(path().c_str(), &record_));
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->GetType(), STORAGE_DEVICE_DMG);
  EXPECT_EQ(device->GetTotalSectors(), 10);
  EXPECT_EQ(dynamic_cast<CImageFileDevice&>(*device).GetDataOffset(), 1536);
  std::vector<std::uint8_t> buffer(3 * 512);
  ASSERT_TRUE(device->ReadSector(buffer.data(), 2, 3));
  EXPECT_EQ(buffer, Slice(file_, (3 + 2) * 512, 3 * 512));

  struct Case {
    void* buffer;
    long long first;
    long long count;
  };
  for (const Case& c : {Case{nullptr, 0, 1}, Case{buffer.data(), -1, 1}, Case{buffer.data(), 0, 0},
                        Case{buffer.data(), LLONG_MAX / 512, 1}}) {
    EXPECT_FALSE(device->ReadSector(c.buffer, c.first, c.count));
    EXPECT_EQ(ErrorOf(device->GetLastError()), error::kBadArgument);
  }
}

TEST_F(DmgImage, RefusesARecordThatDoesNotFitTheFile) {
  struct Case {
    std::uint64_t sectorSize, sectorCount, dataOffset;
  };
  for (const Case& c : {Case{8192, 1, 0}, Case{0, 1, 0}, Case{512, 1, file_.size() + 1}, Case{512, 14, 0},
                        Case{512, 11, 1536}}) {
    CDMGDeviceInfoStruct hostile = record_;
    hostile.sectorSize = c.sectorSize;
    hostile.sectorCount = c.sectorCount;
    hostile.dataOffset = c.dataOffset;
    EXPECT_EQ(CreateDmgDevice(path().c_str(), &hostile), nullptr) << c.sectorSize << " " << c.sectorCount;
  }
  EXPECT_EQ(CreateDmgDevice(path().c_str(), nullptr), nullptr);
  EXPECT_EQ(CreateDmgDevice((dir_ / "missing.dmg").c_str(), &record_), nullptr);
}

TEST_F(DmgImage, ReopensFromAStoredRecordAtItsOwnPath) {
  std::vector<std::uint8_t> stored(kDmgRecordSize);
  ASSERT_TRUE(WriteDmgRecord(record_, stored));
  std::unique_ptr<IStorageDevice> device(
      CreateDmgDeviceByDmgInfo(stored.data(), static_cast<int>(stored.size()), "/elsewhere/results.rsf"));
  ASSERT_NE(device, nullptr);
  std::vector<std::uint8_t> buffer(512);
  ASSERT_TRUE(device->ReadSector(buffer.data(), 9, 1));
  EXPECT_EQ(buffer, Slice(file_, 12 * 512, 512));

  // A record cut before its path names no image.
  EXPECT_EQ(CreateDmgDeviceByDmgInfo(stored.data(), 1056, nullptr), nullptr);
  EXPECT_EQ(CreateDmgDeviceByDmgInfo(nullptr, 2088, nullptr), nullptr);
}

}  // namespace
