// The quick controller with recording fake searchers, and the device description the trees are titled with.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "DataRecovery/DataRecovery.h"
#include "RecoveryController/DeletedRecoveryController.h"
#include "RecoveryController/DeviceDescription.h"
#include "RecoveryController/FakeSearchers.h"
#include "RecoveryController/RecoveryController.h"
#include "RecoveryController/RecoveryControllerErrors.h"
#include "RecoveryController/RestoreScanSink.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "include/IDataRecovery.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeSink.h"

namespace {

using namespace quellsy;
using namespace quellsy::test;
using Report = RecordingProgress::Report;

class QuickControllerTest : public testing::Test {
 protected:
  void SetUp() override { controller.Initialize(&filter); }

  // A volume device whose record says `type`.
  void SetVolumeType(enumFILE_SYSTEM_TYPE type) {
    auto* record = new CCollectedVolumeDeviceInfoStruct;
    record->fileSystemType = type;
    data = std::make_unique<CDeviceDataHolder<IVolumeDeviceData>>(record);
    device.SetPrivateData(data.get());
  }

  FakeEngines engines;
  AcceptAllFilter filter;
  RecordingProgress progress;
  RecordingTreeSink sink;
  MemoryDevice device{64, 512};
  std::unique_ptr<IStorageDeviceData> data;
  CDeletedRecoveryController controller;
};

TEST_F(QuickControllerTest, SearcherByFileSystemType) {
  for (const auto type : {FILE_SYSTEM_FAT12, FILE_SYSTEM_FAT16, FILE_SYSTEM_FAT32, FILE_SYSTEM_NTFS,
                          FILE_SYSTEM_EXFAT, FILE_SYSTEM_HFSPLUS}) {
    engines.AddQuick(type);
  }
  engines.AddNullQuick(FILE_SYSTEM_APFS);
  engines.AddQuick(FILE_SYSTEM_EXT2);  // registered, but a type without quick search stays unsupported

  struct Case {
    enumFILE_SYSTEM_TYPE type;
    ResultCode result;
  };
  for (const Case& c : {Case{FILE_SYSTEM_FAT12, kResultOk}, Case{FILE_SYSTEM_FAT16, kResultOk},
                        Case{FILE_SYSTEM_FAT32, kResultOk}, Case{FILE_SYSTEM_NTFS, kResultOk},
                        Case{FILE_SYSTEM_EXFAT, kResultOk}, Case{FILE_SYSTEM_HFSPLUS, kResultOk},
                        Case{FILE_SYSTEM_APFS, controller::kQuickApfs},
                        Case{FILE_SYSTEM_EXT2, controller::kQuickUnsupported},
                        Case{FILE_SYSTEM_RAW, controller::kQuickUnsupported},
                        Case{FILE_SYSTEM_UNKNOWN, controller::kQuickUnsupported}}) {
    SetVolumeType(c.type);
    engines.log.clear();
    progress.reports.clear();
    const int before = engines.Script(c.type).created;
    EXPECT_EQ(controller.StartDataRecovery(&device, &progress, &sink), c.result) << c.type;
    if (c.result == kResultOk) {
      EXPECT_EQ(engines.Script(c.type).created, before + 1) << c.type;
      EXPECT_EQ(engines.log, (CallLog{"quick SetDirecotryTreeBuilder", "quick QuickSearchFiles"})) << c.type;
      EXPECT_EQ(engines.Script(c.type).device, &device);
      EXPECT_EQ(engines.Script(c.type).progressSink, &progress);
      EXPECT_EQ(progress.reports, (std::vector<Report>{{2, 1, 0}})) << "the searcher reports the rest";
    } else {
      EXPECT_EQ(controller.GetSearcher(), nullptr) << c.type;
      EXPECT_TRUE(engines.log.empty()) << c.type;
      EXPECT_EQ(progress.reports, (std::vector<Report>{{2, 1, 0}, {3, 1, 1}})) << c.type;
    }
  }
  EXPECT_EQ(engines.Script(FILE_SYSTEM_EXT2).created, 0);
}

TEST_F(QuickControllerTest, RefusedDevicesAndArguments) {
  engines.AddQuick(FILE_SYSTEM_FAT32);
  EXPECT_EQ(controller.StartDataRecovery(nullptr, &progress, &sink), controller::kQuickMissingArgument);
  EXPECT_EQ(controller.StartDataRecovery(&device, nullptr, &sink), controller::kQuickMissingArgument);
  EXPECT_EQ(controller.StartDataRecovery(&device, &progress, nullptr), controller::kQuickMissingArgument);
  EXPECT_TRUE(progress.reports.empty());

  // A whole disk: one report, nothing made (its volumes are scanned one by one).
  MemoryDevice disk(64, 512, STORAGE_DEVICE_DISK);
  EXPECT_EQ(controller.StartDataRecovery(&disk, &progress, &sink), controller::kQuickWholeDisk);
  EXPECT_EQ(progress.reports, (std::vector<Report>{{2, 1, 0}}));
  EXPECT_EQ(engines.Script(FILE_SYSTEM_FAT32).created, 0);

  // No volume record at all.
  progress.reports.clear();
  EXPECT_EQ(controller.StartDataRecovery(&device, &progress, &sink), controller::kQuickUnsupported);
  EXPECT_EQ(progress.reports, (std::vector<Report>{{2, 1, 0}, {3, 1, 1}}));

  CDeletedRecoveryController noFilter;
  SetVolumeType(FILE_SYSTEM_FAT32);
  EXPECT_EQ(noFilter.StartDataRecovery(&device, &progress, &sink), controller::kQuickTreeBuilderRefused);
}

// A volume whose first sectors cannot be read has no file system the probe could name: that is said, and never
// "no volume"; a readable volume the probe could not name is still "no volume".
TEST_F(QuickControllerTest, AnUnreadableBootSectorIsNotNoVolume) {
  engines.AddQuick(FILE_SYSTEM_FAT32);
  struct Case {
    long long badSector;  // -1: none
    ResultCode result;
  };
  for (const Case& c : {Case{0, controller::kQuickBootSectorUnreadable}, Case{3, controller::kQuickBootSectorUnreadable},
                        Case{8, controller::kQuickUnsupported}, Case{-1, controller::kQuickUnsupported}}) {
    MemoryDevice volume(64, 512);
    if (c.badSector >= 0) volume.FailSectors(c.badSector, 1);
    SetVolumeType(FILE_SYSTEM_UNKNOWN);
    volume.SetPrivateData(data.get());
    progress.reports.clear();
    EXPECT_EQ(controller.StartDataRecovery(&volume, &progress, &sink), c.result) << c.badSector;
    EXPECT_EQ(progress.reports, (std::vector<Report>{{2, 1, 0}, {3, 1, 1}}));
    EXPECT_EQ(engines.Script(FILE_SYSTEM_FAT32).created, 0);
  }
}

class RecordingRestoreSink : public RestoreScanSink {
 public:
  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder, IProgress*, IStorageDevice* device) override {
    given.emplace_back(builder, device);
  }
  std::vector<CSearchedPartitionInfo*>& GetSearchedPartition(int searcherType, IStorageDevice*) override {
    asked.push_back(searcherType);
    return saved[searcherType];
  }
  std::vector<std::pair<IDirecotryTreeBuilder*, IStorageDevice*>> given;
  std::vector<int> asked;
  std::map<int, std::vector<CSearchedPartitionInfo*>> saved;
};

TEST_F(QuickControllerTest, RestoreAndDataRecovery) {
  engines.AddQuick(FILE_SYSTEM_NTFS);
  SetVolumeType(FILE_SYSTEM_NTFS);
  CSearchedPartitionInfo found;
  found.SetStartSector(128);
  engines.Script(FILE_SYSTEM_NTFS).partitions = {found};

  // Without a restore sink: the searcher's own records, whatever type is asked for.
  ASSERT_EQ(controller.StartDataRecovery(&device, &progress, &sink), kResultOk);
  for (const auto type : {SEARCHER_NTFS, SEARCHER_FAT}) {
    IDataRecovery* recovery = controller.GetDataRecovery(type);
    ASSERT_NE(recovery, nullptr) << type;
    EXPECT_EQ(dynamic_cast<CDataRecovery*>(recovery)->GetSearchedPartition().at(0)->GetStartSector(), 128);
    recovery->Release();
  }

  // With one: the sink reads the saved result into the builder, and its records serve the copy-out.
  RecordingRestoreSink restore;
  controller.SetRestoreScanSink(&restore);
  engines.log.clear();
  ASSERT_EQ(controller.StartDataRecovery(&device, &progress, &sink), kResultOk);
  EXPECT_EQ(engines.log, (CallLog{"quick SetDirecotryTreeBuilder"}));
  ASSERT_EQ(restore.given.size(), 1u);
  EXPECT_NE(restore.given[0].first, nullptr);
  EXPECT_EQ(restore.given[0].second, &device);
  IDataRecovery* empty = controller.GetDataRecovery(SEARCHER_NTFS);
  ASSERT_NE(empty, nullptr) << "an empty saved list is accepted";
  EXPECT_TRUE(dynamic_cast<CDataRecovery*>(empty)->GetSearchedPartition().empty());
  empty->Release();
  EXPECT_EQ(restore.asked, (std::vector<int>{SEARCHER_NTFS}));
}

TEST(DeviceDescription, NamesVolumesAndQimImagesOnly) {
  CCollectedVolumeDeviceInfoStruct volume;
  std::strcpy(volume.volumeName, "Holiday");
  CCollectedVolumeDeviceInfoStruct otherKind = volume;
  otherKind.diskKind = 1;
  CCollectedVolumeDeviceInfoStruct unterminated;
  std::memset(unterminated.volumeName, 'v', sizeof unterminated.volumeName);
  CQIMDeviceInfoStruct qim;
  std::strcpy(qim.deviceName, "Card image");

  CDeviceDataHolder<IVolumeDeviceData> volumeData(new CCollectedVolumeDeviceInfoStruct(volume));
  CDeviceDataHolder<IVolumeDeviceData> otherKindData(new CCollectedVolumeDeviceInfoStruct(otherKind));
  CDeviceDataHolder<IVolumeDeviceData> unterminatedData(new CCollectedVolumeDeviceInfoStruct(unterminated));
  CDeviceDataHolder<IVolumeDeviceData> noRecord(nullptr);
  CDeviceDataHolder<IQIMDeviceData> qimData(new CQIMDeviceInfoStruct(qim));

  struct Case {
    const char* what;
    int deviceType;
    IStorageDeviceData* data;
    std::string expected;
  };
  for (const Case& c : {Case{"volume", STORAGE_DEVICE_VOLUME, &volumeData, "Holiday"},
                        Case{"volume of another kind", STORAGE_DEVICE_VOLUME, &otherKindData, ""},
                        Case{"name filling its field", STORAGE_DEVICE_VOLUME, &unterminatedData,
                             std::string(sizeof unterminated.volumeName, 'v')},
                        Case{"holder without record", STORAGE_DEVICE_VOLUME, &noRecord, ""},
                        Case{"no private data", STORAGE_DEVICE_VOLUME, nullptr, ""},
                        Case{"qim image", STORAGE_DEVICE_QIM, &qimData, "Card image"},
                        Case{"qim record on a volume", STORAGE_DEVICE_VOLUME, &qimData, ""},
                        Case{"volume record on a disk", STORAGE_DEVICE_DISK, &volumeData, ""}}) {
    MemoryDevice device(8, 512, c.deviceType);
    device.SetPrivateData(c.data);
    EXPECT_EQ(GetDeviceDescription(&device), c.expected) << c.what;
  }
  EXPECT_EQ(GetDeviceDescription(nullptr), "");
}

}  // namespace
