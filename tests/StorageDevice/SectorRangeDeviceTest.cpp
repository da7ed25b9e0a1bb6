// Partition devices and partitions without a volume over a parent device.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/PartitionDevice.h"
#include "StorageDevice/PartitionVirtualVolumeDevice.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "support/FixtureScript.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy;
using test::MemoryDevice;

constexpr long long kStart = 50;
constexpr long long kTotal = 100;

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, long long offset, long long length) {
  return {bytes.begin() + offset, bytes.begin() + offset + length};
}

// A 200-sector disk with a disk record, holding a 100-sector range from sector 50.
class SectorRange : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    auto* record = new CCollectDiskDeviceInfoStruct;
    record->sectorSize = 512;
    record->totalSectors = 200;
    diskData_.reset(CreateDiskDeviceData(record));
    disk_.SetPrivateData(diskData_.get());
    device_ = MakeDevice(&disk_);
  }

  std::unique_ptr<IStorageDevice> MakeDevice(IStorageDevice* parent) {
    if (GetParam() == STORAGE_DEVICE_PARTITION) return std::make_unique<CPartitionDevice>(parent, kStart, kTotal);
    return std::make_unique<CPartitionVirtualVolumeDevice>(parent, kStart, kTotal);
  }

  std::vector<std::uint8_t> bytes_ = test::PatternBytes(200 * 512, 5);
  MemoryDevice disk_{bytes_, 512, STORAGE_DEVICE_DISK};
  std::unique_ptr<IStorageDeviceData> diskData_;
  std::unique_ptr<IStorageDevice> device_;
};

struct ReadCase {
  long long first;
  long long count;
  long long inside;  // sectors read from the disk; -1: refused with error 5
};

TEST_P(SectorRange, ClampsAtTheEndAndZeroFillsTheRest) {
  ASSERT_TRUE(device_->Open(nullptr));
  EXPECT_EQ(device_->GetType(), GetParam());
  EXPECT_EQ(device_->GetSectorSize(), 512u);
  EXPECT_EQ(device_->GetStartSector(), kStart);
  EXPECT_EQ(device_->GetTotalSectors(), kTotal);

  for (const ReadCase& c : {ReadCase{0, 100, 100}, ReadCase{90, 20, 10}, ReadCase{99, 1, 1}, ReadCase{99, 100, 1},
                            ReadCase{100, 1, -1}, ReadCase{-1, 1, -1}, ReadCase{0, 101, -1}, ReadCase{0, 0, -1},
                            ReadCase{5, -1, -1}}) {
    const std::string what = std::to_string(c.first) + "+" + std::to_string(c.count);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max(c.count, 1LL)) * 512, 0xAA);
    const bool ok = device_->ReadSector(buffer.data(), c.first, c.count);
    if (c.inside < 0) {
      EXPECT_FALSE(ok) << what;
      EXPECT_EQ(ErrorOf(device_->GetLastError()), error::kBadArgument) << what;
      continue;
    }
    ASSERT_TRUE(ok) << what;
    EXPECT_EQ(Slice(buffer, 0, c.inside * 512), Slice(bytes_, (kStart + c.first) * 512, c.inside * 512)) << what;
    EXPECT_EQ(Slice(buffer, c.inside * 512, (c.count - c.inside) * 512),
              std::vector<std::uint8_t>((c.count - c.inside) * 512, 0))
        << what;
  }
  EXPECT_FALSE(device_->ReadSector(nullptr, 0, 1));
  EXPECT_EQ(ErrorOf(device_->GetLastError()), error::kBadArgument);
}

TEST_P(SectorRange, PassesTheParentsErrorThrough) {
  ASSERT_TRUE(device_->Open(nullptr));
  disk_.FailSectors(kStart + 92, 1);
  std::vector<std::uint8_t> buffer(20 * 512, 0xAA);
  EXPECT_FALSE(device_->ReadSector(buffer.data(), 90, 20));
  EXPECT_NE(disk_.GetLastError(), kResultOk);
  EXPECT_EQ(device_->GetLastError(), disk_.GetLastError());
  EXPECT_EQ(Slice(buffer, 2 * 512, 512), std::vector<std::uint8_t>(512, 0));
  EXPECT_EQ(Slice(buffer, 10 * 512, 10 * 512), std::vector<std::uint8_t>(10 * 512, 0));
}

TEST_P(SectorRange, WithoutParentIsErrorSeven) {
  auto orphan = MakeDevice(nullptr);
  std::vector<std::uint8_t> buffer(512);
  EXPECT_FALSE(orphan->Open(nullptr));
  EXPECT_EQ(ErrorOf(orphan->GetLastError()), error::kNoPrivateData);
  EXPECT_FALSE(orphan->ReadSector(buffer.data(), 0, 1));
  EXPECT_EQ(ErrorOf(orphan->GetLastError()), error::kNoPrivateData);
  EXPECT_TRUE(orphan->Close());
}

// A disk record whose sector size does not match what the disk reads must not let the range read
// more bytes than the caller's buffer holds.
TEST_P(SectorRange, RefusesSectorsThatAreNotWholeParentSectors) {
  MemoryDevice bigSectors(std::vector<std::uint8_t>(100 * 4096, 1), 4096, STORAGE_DEVICE_DISK);
  bigSectors.SetPrivateData(diskData_.get());  // says 512
  auto device = MakeDevice(&bigSectors);
  ASSERT_TRUE(device->Open(nullptr));
  std::vector<std::uint8_t> buffer(512, 0xAA);
  EXPECT_FALSE(device->ReadSector(buffer.data(), 0, 1));
  EXPECT_EQ(ErrorOf(device->GetLastError()), error::kBadArgument);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SectorRange, ::testing::Values(STORAGE_DEVICE_PARTITION, STORAGE_DEVICE_VOLUME),
                         [](const auto& testCase) {
                           return testCase.param == STORAGE_DEVICE_PARTITION ? "Partition" : "WithoutVolume";
                         });

TEST(PartitionDevice, NeedsTheDisksRecordToOpenAndTakesItsOwnRecord) {
  MemoryDevice disk(200, 512, STORAGE_DEVICE_DISK);
  CPartitionDevice partition(&disk, 10, 20);
  EXPECT_FALSE(partition.Open(nullptr));
  EXPECT_EQ(ErrorOf(partition.GetLastError()), error::kNoPrivateData);

  auto* record = new CCollectedPartitionDeviceInfoStruct;
  record->sectorSize = 512;
  record->totalSectors = 30;
  partition.SetPrivateData(CreatePartitionDeviceData(record));
  EXPECT_EQ(partition.GetLastError(), kResultOk);
  EXPECT_EQ(partition.GetTotalSectors(), 30);
  EXPECT_EQ(partition.GetStartSector(), 10);
}

// The scan's own device (a cache, no disk record) can carry a range too: its sector size serves.
TEST(PartitionVirtualVolumeDevice, OpensOverADeviceWithoutDiskRecord) {
  const auto bytes = test::PatternBytes(64 * 4096, 11);
  MemoryDevice cache(bytes, 4096, STORAGE_DEVICE_CACHE);
  CPartitionVirtualVolumeDevice range(&cache, 8, 16);
  EXPECT_EQ(range.GetSectorSize(), 4096u);
  ASSERT_TRUE(range.Open(nullptr));
  EXPECT_EQ(range.GetSectorSize(), 4096u);
  std::vector<std::uint8_t> buffer(4096);
  ASSERT_TRUE(range.ReadSector(buffer.data(), 2, 1));
  EXPECT_EQ(buffer, Slice(bytes, 10 * 4096, 4096));

  EXPECT_EQ(CPartitionVirtualVolumeDevice(nullptr, 0, 1).GetSectorSize(), 512u);
}

// The volume record may raise the sector size, never lower it; its sectors then span whole parent sectors.
TEST(PartitionVirtualVolumeDevice, TakesTheLargerSectorSizeOfItsRecord) {
  const auto bytes = test::PatternBytes(256 * 512, 13);
  MemoryDevice disk(bytes, 512, STORAGE_DEVICE_DISK);
  CPartitionVirtualVolumeDevice range(&disk, 16, 128);
  for (const std::uint64_t recordSize : {256u, 4096u}) {
    auto* record = new CCollectedVolumeDeviceInfoStruct;
    record->sectorSize = recordSize;
    record->totalSectors = 16;
    range.SetPrivateData(CreateVolumeDeviceData(record));
    EXPECT_EQ(range.GetSectorSize(), recordSize == 256 ? 512u : 4096u);
    EXPECT_EQ(range.GetTotalSectors(), 16);
  }
  std::vector<std::uint8_t> buffer(4096);
  ASSERT_TRUE(range.ReadSector(buffer.data(), 1, 1));
  EXPECT_EQ(buffer, Slice(bytes, (16 + 8) * 512, 4096));
}

TEST(PartitionVirtualVolumeDevice, FactoryWantsAPhysicalDisksPartitionRecord) {
  MemoryDevice disk(test::PatternBytes(200 * 2048, 17), 2048, STORAGE_DEVICE_DISK);
  auto makePartition = [&](std::uint32_t diskKind, IStorageDevice* parent) {
    auto partition = std::make_unique<CPartitionDevice>(&disk, 40, 60);
    auto* record = new CCollectedPartitionDeviceInfoStruct;
    record->diskKind = diskKind;
    record->parentDisk = parent;
    record->startSector = 40;
    record->totalSectors = 60;
    record->sectorSize = 2048;
    partition->SetPrivateData(CreatePartitionDeviceData(record));
    return partition;
  };
  EXPECT_EQ(CreatePartitionVirtualVolumeDevice(nullptr), nullptr);
  CPartitionDevice bare(&disk, 40, 60);
  EXPECT_EQ(CreatePartitionVirtualVolumeDevice(&bare), nullptr);
  EXPECT_EQ(CreatePartitionVirtualVolumeDevice(makePartition(1, &disk).get()), nullptr);
  EXPECT_EQ(CreatePartitionVirtualVolumeDevice(makePartition(0, nullptr).get()), nullptr);

  std::unique_ptr<IStorageDevice> range(CreatePartitionVirtualVolumeDevice(makePartition(0, &disk).get()));
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(range->GetType(), STORAGE_DEVICE_VOLUME);
  EXPECT_EQ(range->GetStartSector(), 40);
  EXPECT_EQ(range->GetTotalSectors(), 60);
  EXPECT_EQ(range->GetSectorSize(), 2048u);
  std::vector<std::uint8_t> buffer(2048);
  ASSERT_TRUE(range->ReadSector(buffer.data(), 0, 1));
  EXPECT_EQ(buffer, Slice(disk.bytes(), 40 * 2048, 2048));
}

// A real partitioned disk: sfdisk lays out the table, mkfs.fat writes the volume into the partition.
TEST(PartitionDevice, ReadsAVolumeThatToolsPlacedOnADiskImage) {
  test::TempDir dir;
  const auto image = (dir / "disk.img").string();
  const std::string make = "truncate -s 16M '" + image + "' && echo 'start=2048, size=20480, type=6' | sfdisk -q '" +
                           image + "' && mkfs.fat -F 16 -n PARTVOL -i 0BADCAFE --offset=2048 '" + image +
                           "' 10240 >/dev/null";
  QUELLSY_REQUIRE_FIXTURE(test::RunFixtureCommand(make));

  std::unique_ptr<IStorageDevice> disk(CreateDiskDevice(image.c_str()));
  ASSERT_TRUE(disk->Open(nullptr));
  auto* diskRecord = new CCollectDiskDeviceInfoStruct;
  diskRecord->sectorSize = disk->GetSectorSize();
  diskRecord->totalSectors = static_cast<std::uint64_t>(disk->GetTotalSectors());
  disk->SetPrivateData(CreateDiskDeviceData(diskRecord));

  std::vector<std::uint8_t> mbr(512);
  ASSERT_TRUE(disk->ReadSector(mbr.data(), 0, 1));
  const long long start = mbr[0x1C6] | mbr[0x1C7] << 8 | mbr[0x1C8] << 16 | mbr[0x1C9] << 24;
  const long long count = mbr[0x1CA] | mbr[0x1CB] << 8 | mbr[0x1CC] << 16 | mbr[0x1CD] << 24;
  ASSERT_EQ(start, 2048);
  ASSERT_EQ(count, 20480);

  std::unique_ptr<IStorageDevice> partition(CreatePartitionDevice(disk.get(), start, count));
  ASSERT_TRUE(partition->Open(nullptr));
  std::vector<std::uint8_t> boot(512);
  ASSERT_TRUE(partition->ReadSector(boot.data(), 0, 1));
  EXPECT_EQ(boot, Slice(test::ReadFile(image), 2048 * 512, 512));
  EXPECT_EQ(boot[510], 0x55);
  EXPECT_EQ(boot[511], 0xAA);
  EXPECT_EQ(std::string(boot.begin() + 0x2B, boot.begin() + 0x36), "PARTVOL    ");
  EXPECT_EQ(boot[0x27] | boot[0x28] << 8 | boot[0x29] << 16 | static_cast<unsigned>(boot[0x2A]) << 24, 0x0BADCAFEu);
}

}  // namespace
