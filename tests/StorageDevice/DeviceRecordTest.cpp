// Device records, their holders, the stored image records and the partition-to-volume conversion.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/DiskDevice.h"
#include "StorageDevice/DmgDevice.h"
#include "StorageDevice/DmgRecordFormat.h"
#include "StorageDevice/PartitionDevice.h"
#include "StorageDevice/PartitionVirtualVolumeDevice.h"
#include "StorageDevice/QimDevice.h"
#include "StorageDevice/QimImageFormat.h"
#include "StorageDevice/VolumeDevice.h"
#include "StorageDevice/VolumePartitionConverter.h"

namespace {

using namespace quellsy;

// Every device accepts exactly the holder of its own kind; any other is error 7.
TEST(DeviceRecords, EachDeviceTakesOnlyItsOwnKindOfHolder) {
  using HolderMaker = std::function<IStorageDeviceData*()>;
  const std::vector<HolderMaker> holders = {
      [] {
        auto* r = new CCollectDiskDeviceInfoStruct;
        r->sectorSize = 512;
        return CreateDiskDeviceData(r);
      },
      [] {
        auto* r = new CCollectedVolumeDeviceInfoStruct;
        r->sectorSize = 512;
        return CreateVolumeDeviceData(r);
      },
      [] {
        auto* r = new CCollectedPartitionDeviceInfoStruct;
        r->sectorSize = 512;
        return CreatePartitionDeviceData(r);
      },
      [] { return CreateDMGDeviceData(new CDMGDeviceInfoStruct); },
      [] {
        auto* r = new CQIMDeviceInfoStruct;
        r->sectorSize = 512;
        return CreateQIMDeviceData(r);
      },
  };
  using DeviceMaker = std::function<std::unique_ptr<IStorageDevice>()>;
  const std::vector<std::pair<DeviceMaker, std::size_t>> devices = {
      {[] { return std::make_unique<CDiskDevice>("/dev/null"); }, 0},
      {[] { return std::make_unique<CVolumeDevice>("/dev/null"); }, 1},
      {[] { return std::make_unique<CPartitionVirtualVolumeDevice>(nullptr, 0, 1); }, 1},
      {[] { return std::make_unique<CPartitionDevice>(nullptr, 0, 1); }, 2},
      {[] { return std::make_unique<CDmgDevice>("x.dmg"); }, 3},
      {[] { return std::make_unique<CQimDevice>("x.qim"); }, 4},
  };
  for (const auto& [makeDevice, own] : devices) {
    for (std::size_t kind = 0; kind < holders.size(); ++kind) {
      auto device = makeDevice();
      IStorageDeviceData* holder = holders[kind]();
      device->SetPrivateData(holder);
      EXPECT_EQ(device->GetPrivateData(), holder);
      if (kind == own)
        EXPECT_EQ(device->GetLastError(), kResultOk) << device->GetType() << " with " << kind;
      else
        EXPECT_EQ(ErrorOf(device->GetLastError()), error::kNoPrivateData) << device->GetType() << " with " << kind;
    }
  }
}

TEST(DeviceRecords, HolderOwnsItsRecordButNotOneItWasRelieved) {
  auto* first = new CCollectDiskDeviceInfoStruct;
  std::unique_ptr<IDiskDeviceData> holder(CreateDiskDeviceData(first));
  EXPECT_EQ(holder->GetDiskInfo(), first);
  auto* second = new CCollectDiskDeviceInfoStruct;
  holder->SetDiskInfo(second);
  EXPECT_EQ(holder->GetDiskInfo(), second);
  delete first;  // the caller's again; the holder frees only `second`

  std::unique_ptr<IQIMDeviceData> empty(new CQimDeviceData);
  EXPECT_EQ(empty->GetQIMInfo(), nullptr);
  CQimDevice device("x.qim");
  device.SetPrivateData(empty.release());
  EXPECT_EQ(ErrorOf(device.GetLastError()), error::kNoPrivateData);
}

TEST(DeviceRecords, FreshRecordsSayUnknown) {
  const CCollectDiskDeviceInfoStruct disk;
  EXPECT_EQ(disk.deviceId, kNoDeviceId);
  EXPECT_EQ(disk.heads, 255u);
  EXPECT_EQ(disk.sectorsPerTrack, 63u);
  const CCollectedVolumeDeviceInfoStruct volume;
  EXPECT_EQ(volume.fileSystemType, FILE_SYSTEM_UNKNOWN);
  EXPECT_EQ(volume.partitionNumber, -1);
  const CCollectedPartitionDeviceInfoStruct partition;
  EXPECT_EQ(partition.partitionIndex, -1);
}

TEST(PartitionInfo2VolumeInfo, CopiesThePartitionAndLeavesTheNamesEmpty) {
  CDiskDevice disk("/dev/null");
  CCollectedPartitionDeviceInfoStruct partition;
  partition.fileSystemType = FILE_SYSTEM_EXFAT;
  std::strcpy(partition.label, "CAMERA");
  partition.sectorSize = 4096;
  partition.totalSectors = 123456;
  partition.deviceId = (259ULL << 32) | 7;  // a major beyond 12 bits, as NVMe has
  partition.parentDisk = &disk;
  partition.partitionIndex = 3;
  partition.partitionTypeGuid[0] = 0xA2;
  partition.partitionGuid[15] = 0x42;
  std::strcpy(partition.apmPartitionType, "Apple_HFS");
  partition.startSector = 2048;

  CCollectedVolumeDeviceInfoStruct volume;
  std::strcpy(volume.volumeName, "stale");
  std::strcpy(volume.bsdName, "stale");
  volume.mounted = 1;
  ASSERT_EQ(CVolumePartitionConverter::PartitionInfo2VolumeInfo(&partition, &volume), kResultOk);
  EXPECT_EQ(volume.diskKind, 0u);
  EXPECT_EQ(volume.fileSystemType, FILE_SYSTEM_EXFAT);
  EXPECT_STREQ(volume.label, "CAMERA");
  EXPECT_STREQ(volume.volumeName, "");
  EXPECT_STREQ(volume.bsdName, "");
  EXPECT_EQ(volume.sectorSize, 4096u);
  EXPECT_EQ(volume.totalSectors, 123456u);
  EXPECT_EQ(volume.deviceId, partition.deviceId);
  EXPECT_EQ(volume.parentDisk, &disk);
  EXPECT_EQ(volume.partitionNumber, 3);
  EXPECT_EQ(volume.partitionTypeGuid, partition.partitionTypeGuid);
  EXPECT_EQ(volume.partitionGuid, partition.partitionGuid);
  EXPECT_STREQ(volume.apmPartitionType, "Apple_HFS");
  EXPECT_EQ(volume.startSector, 2048u);
  EXPECT_EQ(volume.mounted, 0u);
}

TEST(PartitionInfo2VolumeInfo, OnlyForPhysicalDisks) {
  CCollectedPartitionDeviceInfoStruct partition;
  CCollectedVolumeDeviceInfoStruct volume;
  volume.diskKind = 1;
  const auto refused = CVolumePartitionConverter::PartitionInfo2VolumeInfo(&partition, &volume);
  EXPECT_EQ(ModuleOf(refused), module::kEnumDevice);
  EXPECT_EQ(ErrorOf(refused), error::kUnsupported);
  volume.diskKind = 0;
  partition.diskKind = 2;
  EXPECT_EQ(ErrorOf(CVolumePartitionConverter::PartitionInfo2VolumeInfo(&partition, &volume)), error::kUnsupported);
  EXPECT_EQ(ErrorOf(CVolumePartitionConverter::PartitionInfo2VolumeInfo(nullptr, &volume)), error::kBadArgument);
}

// The stored records are external formats: fields at fixed little-endian offsets.
TEST(StoredImageRecords, QimFieldsSitAtTheirOffsets) {
  CQIMDeviceInfoStruct record;
  record.sectorSize = 4096;
  record.sectorCount = 0x0102030405060708;
  record.dataOffset = 4096;
  record.endOffset = 0x1122334455;
  std::strcpy(record.deviceName, "Samsung SSD");
  std::strcpy(record.imagePath, "/srv/images/a.qim");
  record.creationTime = 1700000000;
  std::vector<std::uint8_t> bytes(kQimRecordSize + 8, 0xCC);
  ASSERT_TRUE(WriteQimRecord(record, bytes));
  EXPECT_EQ(le64(bytes, 0), 4096u);
  EXPECT_EQ(le64(bytes, 8), 0x0102030405060708u);
  EXPECT_EQ(le64(bytes, 16), 4096u);
  EXPECT_EQ(le64(bytes, 24), 0x1122334455u);
  EXPECT_EQ(std::memcmp(bytes.data() + 32, "Samsung SSD\0\0", 13), 0);
  EXPECT_EQ(bytes[32 + 127], 0);
  EXPECT_EQ(std::memcmp(bytes.data() + 160, "/srv/images/a.qim\0", 18), 0);
  EXPECT_EQ(le64(bytes, 1184), 1700000000u);
  EXPECT_EQ(bytes[kQimRecordSize], 0xCC);
  EXPECT_FALSE(WriteQimRecord(record, MutableByteSpan(bytes).first(kQimRecordSize - 1)));

  CQIMDeviceInfoStruct back;
  ASSERT_TRUE(ReadQimRecord(bytes, back));
  EXPECT_EQ(back.sectorCount, record.sectorCount);
  EXPECT_EQ(back.endOffset, record.endOffset);
  EXPECT_EQ(back.creationTime, record.creationTime);
  EXPECT_STREQ(back.deviceName, record.deviceName);
  EXPECT_STREQ(back.imagePath, record.imagePath);
  EXPECT_FALSE(ReadQimRecord(ByteSpan(bytes).first(kQimRecordSize - 1), back));
}

TEST(StoredImageRecords, DmgFieldsSitAtTheirOffsetsAndShortRecordsReadAsZeros) {
  CDMGDeviceInfoStruct record;
  record.sectorCount = 77;
  record.fileSize = 40000;
  std::strcpy(record.name, "a.dmg");
  std::memset(record.imagePath, 'p', sizeof record.imagePath);  // no terminator
  std::vector<std::uint8_t> bytes(kDmgRecordSize);
  ASSERT_TRUE(WriteDmgRecord(record, bytes));
  EXPECT_EQ(le64(bytes, 0), 512u);
  EXPECT_EQ(le64(bytes, 8), 77u);
  EXPECT_EQ(le64(bytes, 24), 40000u);
  EXPECT_EQ(std::memcmp(bytes.data() + 32, "a.dmg", 6), 0);
  EXPECT_EQ(bytes[1056], 'p');
  EXPECT_EQ(bytes[2087], 0);

  CDMGDeviceInfoStruct back;
  ReadDmgRecord(bytes, back);
  EXPECT_EQ(back.sectorCount, 77u);
  EXPECT_STREQ(back.name, "a.dmg");
  EXPECT_EQ(std::strlen(back.imagePath), sizeof back.imagePath - 1);

  ReadDmgRecord(ByteSpan(bytes).first(10), back);
  EXPECT_EQ(back.sectorSize, 512u);
  EXPECT_EQ(back.sectorCount, 77u);  // cut inside the field: its missing bytes read as zeros
  EXPECT_EQ(back.fileSize, 0u);
  EXPECT_STREQ(back.name, "");
}

}  // namespace
