// The device list over a made-up enumerator: numbering, records, look-ups, the volume filter,
// opening images, the background enumeration and the refresh.

#include "Bridge/KDUIDeviceData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "Bridge/DeviceListFacade.h"
#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIOperation.h"
#include "FakeEnumDeviceEx.h"
#include "RecordingPoster.h"
#include "UdifWriter.h"
#include "Utility/ByteReader.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

// A GUID as written ("C12A7328-F81F-...") to the bytes a GPT entry holds: the first three fields
// little-endian, the rest as written.
PartitionGuid GuidOnDisk(const std::string& text) {
  std::string hex;
  for (char c : text)
    if (c != '-') hex += c;
  auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16)); };
  const std::size_t order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  PartitionGuid guid{};
  for (std::size_t i = 0; i < 16; ++i) guid[i] = byteAt(order[i]);
  return guid;
}

const char* kEfiText = "C12A7328-F81F-11D2-BA4B-00A0C93EC93B";
const char* kAppleBootText = "426F6F74-0000-11AA-AA11-00306543ECAC";
const char* kBasicDataText = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";

// A qim image written field by field: "qim\0", the record length, the record, then the sectors.
std::filesystem::path WriteQim(const TempDir& dir, const std::string& file, const std::string& device,
                               std::uint64_t sectors, std::uint64_t created) {
  const std::uint64_t dataOffset = 8 + 1192;
  std::vector<std::uint8_t> bytes(dataOffset + sectors * 512, 0);
  std::memcpy(bytes.data(), "qim", 4);
  FieldWriter w(bytes);
  w.le32(4, 1192);
  w.le64(8, 512);
  w.le64(16, sectors);
  w.le64(24, dataOffset);
  w.le64(32, bytes.size());
  std::memcpy(bytes.data() + 40, device.data(), device.size());
  w.le64(8 + 1184, created);
  const auto path = dir / file;
  WriteFile(path, bytes);
  return path;
}

std::filesystem::path WriteRaw(const TempDir& dir, const std::string& file, std::size_t sectors) {
  const auto path = dir / file;
  WriteFile(path, PatternBytes(sectors * 512));
  return path;
}

FakeDisk SsdWithTwoVolumes() {
  return {"Samsung SSD 860", "sda", 1, DISK_BUS_SATA, 1000,
          {{"System", FILE_SYSTEM_NTFS, {}, "", 600}, {"Data", FILE_SYSTEM_FAT32, {}, "", 300}}};
}

FakeDisk UsbGptWithEfi() {
  return {"Flash Stick", "sdb", 2, DISK_BUS_USB, 2048,
          {{"EFI", FILE_SYSTEM_FAT32, GuidOnDisk(kEfiText), "", 100},
           {"Photos", FILE_SYSTEM_EXFAT, GuidOnDisk(kBasicDataText), "", 1900}}};
}

// A scan operation for the refresh tests: only its status matters here.
class ScanOperation final : public KDUIOperation {
 public:
  void UpdateProgress(_PROGRESS_INFO*) override {}
};

class DeviceListTest : public ::testing::Test {
 protected:
  void Use(std::vector<FakeDisk> disks) {
    fake_ = std::make_unique<FakeEnumDeviceEx>(std::move(disks));
    KDUIDeviceData::ResetForTests(fake_.get());
  }
  void TearDown() override { KDUIDeviceData::ResetForTests(); }
  KDUIDeviceData& list() { return *KDUIDeviceData::instance(); }
  std::vector<_DiskVolumeData> All() {
    std::vector<_DiskVolumeData> all;
    list().GetAllDeviceInfo(all);
    return all;
  }

  TempDir dir_;
  std::unique_ptr<FakeEnumDeviceEx> fake_;
};

TEST_F(DeviceListTest, NumbersDisksThenQimThenDmgImages) {
  Use({SsdWithTwoVolumes(), UsbGptWithEfi()});
  list().InitDeviceInfo();
  ASSERT_EQ(list().GetInitState(), KDUIDeviceData::kDone);
  const auto first = WriteRaw(dir_, "first.dmg", 8);
  const auto qim = WriteQim(dir_, "card.qim", "Card Reader", 16, 1700000000);
  const auto second = WriteRaw(dir_, "second.img", 4);
  // Opened as DMG, qim, DMG: the qim image still comes before both.
  ASSERT_EQ(bridge::KDOpenDmgFile(first.string()), 1);
  ASSERT_EQ(bridge::KDOpenQimFile(qim.string()), 1);
  ASSERT_EQ(bridge::KDOpenDmgFile(second.string()), 1);

  const auto all = All();
  ASSERT_EQ(all.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(all[static_cast<std::size_t>(i)].diskIndex, i);

  EXPECT_STREQ(all[0].name, "Samsung SSD 860");
  EXPECT_STREQ(all[0].devName, "sda");
  EXPECT_EQ(all[0].capacity, 1000 * 512);
  EXPECT_EQ(all[0].isSSD, 1);
  EXPECT_EQ(all[0].isUSB, 0);
  ASSERT_EQ(all[0].volumes.size(), 2u);
  EXPECT_STREQ(all[0].volumes[1].name, "Data");
  EXPECT_EQ(all[0].volumes[1].fileSystem, FILE_SYSTEM_FAT32);
  EXPECT_EQ(all[0].volumes[1].capacity, 300 * 512);
  EXPECT_EQ(all[0].volumes[1].volumeIndex, 1);

  EXPECT_EQ(all[1].isUSB, 1);
  EXPECT_EQ(all[1].isSSD, 0);
  // The EFI partition is hidden but keeps its place: the photos volume is the second of its disk.
  ASSERT_EQ(all[1].volumes.size(), 1u);
  EXPECT_STREQ(all[1].volumes[0].name, "Photos");
  EXPECT_EQ(all[1].volumes[0].volumeIndex, 1);
  EXPECT_EQ(all[1].volumes[0].diskIndex, 1);

  EXPECT_EQ(all[2].isQim, 1);
  EXPECT_STREQ(all[2].name, "Card Reader");
  EXPECT_EQ(all[2].devName, qim.string());
  EXPECT_EQ(all[2].capacity, 16 * 512);
  EXPECT_EQ(all[2].qimInfoLen, 1192);
  ASSERT_NE(all[2].qimInfo, nullptr);

  EXPECT_EQ(all[3].isAppleDmg, 1);
  EXPECT_STREQ(all[3].name, "first.dmg");
  EXPECT_EQ(all[3].devName, first.string());
  EXPECT_EQ(all[3].capacity, 8 * 512);
  EXPECT_EQ(all[3].dmgInfoLen, 2088);
  EXPECT_STREQ(all[4].name, "second.img");
  EXPECT_EQ(all[4].capacity, 4 * 512);
  for (const auto& image : {all[2], all[3], all[4]}) {
    EXPECT_EQ(image.volumeIndex, -1);
    EXPECT_TRUE(image.volumes.empty());
  }
}

// What the device page gets in one call: one item per disk or image, volumes as children, in list order.
TEST_F(DeviceListTest, TheFacadeHandsTheWholeListAsItems) {
  Use({SsdWithTwoVolumes(), UsbGptWithEfi()});
  list().InitDeviceInfo();
  const auto image = WriteRaw(dir_, "card.img", 4);
  ASSERT_EQ(bridge::KDOpenDmgFile(image.string()), 1);
  const auto items = KDUIController::GetDeviceInfoToArray();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0]->name(), "Samsung SSD 860");
  ASSERT_EQ(items[0]->numberOfChildren(), 2u);
  EXPECT_EQ(items[0]->childAtIndex(1)->name(), "Data");
  EXPECT_EQ(items[0]->childAtIndex(1)->volumeIndex(), 1);
  EXPECT_EQ(items[1]->childAtIndex(0)->name(), "Photos");
  EXPECT_TRUE(items[1]->isUSB());
  EXPECT_TRUE(items[2]->isAppleDmg());
  EXPECT_EQ(items[2]->numberOfChildren(), 0u);
  EXPECT_EQ(items[2]->diskIndex(), 2);
}

TEST_F(DeviceListTest, OpeningTheSameImageTwiceListsItOnce) {
  Use({SsdWithTwoVolumes()});
  list().InitDeviceInfo();
  const auto dmg = WriteRaw(dir_, "disk.dmg", 8);
  const auto qim = WriteQim(dir_, "card.qim", "Card Reader", 4, 1700000000);
  // Another file holding the same qim record is the same image.
  const auto qimCopy = dir_ / "copy.qim";
  std::filesystem::copy_file(qim, qimCopy);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(bridge::KDOpenDmgFile(dmg.string()), 1);
    EXPECT_EQ(bridge::KDOpenQimFile(qim.string()), 1);
  }
  EXPECT_EQ(bridge::KDOpenQimFile(qimCopy.string()), 1);
  // A qim image made at another time is another image.
  const auto later = WriteQim(dir_, "later.qim", "Card Reader", 4, 1700000001);
  EXPECT_EQ(bridge::KDOpenQimFile(later.string()), 1);
  const auto all = All();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[1].devName, qim.string());
  EXPECT_EQ(all[2].devName, later.string());
  EXPECT_EQ(all[3].devName, dmg.string());
}

TEST_F(DeviceListTest, RefusedImagesAreNotListed) {
  Use({SsdWithTwoVolumes()});
  list().InitDeviceInfo();
  UdifOptions packed;
  packed.tables = {{{1, 2}, {0, 2}, {1, 2}}};
  packed.packed = true;
  const auto path = dir_ / "packed.dmg";
  WriteFile(path, WriteUdif(packed).file);
  std::string reason;
  EXPECT_EQ(bridge::KDOpenDmgFile(path.string(), &reason), 0);
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(bridge::KDOpenQimFile((dir_ / "absent.qim").string()), 0);
  EXPECT_EQ(All().size(), 1u);
}

TEST_F(DeviceListTest, IndexLookUps) {
  Use({SsdWithTwoVolumes(), UsbGptWithEfi()});
  list().InitDeviceInfo();
  ASSERT_EQ(bridge::KDOpenDmgFile(WriteRaw(dir_, "disk.dmg", 8).string()), 1);
  auto& l = list();
  IStorageDevice* sda = l.GetDiskStorageByIndex(0);
  IStorageDevice* image = l.GetDiskStorageByIndex(2);
  ASSERT_NE(sda, nullptr);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(l.GetDiskStorageByIndex(3), nullptr);
  EXPECT_EQ(l.GetDiskStorageByIndex(-1), nullptr);
  EXPECT_EQ(l.GetStorageByDiskVolumeIndex(-1, 0), nullptr);
  EXPECT_EQ(l.GetStorageByDiskVolumeIndex(0, -1), sda);
  IStorageDevice* data = l.GetStorageByDiskVolumeIndex(0, 1);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(l.GetStorageByDiskVolumeIndex(0, 2), nullptr);
  EXPECT_EQ(l.GetVolumeIndexByStorage(sda, data), 1);
  int disk = -5, volume = -5;
  EXPECT_EQ(l.GetDiskVolumeIndexByStorage(data, disk, volume), 1);
  EXPECT_EQ(disk, 0);
  EXPECT_EQ(volume, 1);
  EXPECT_EQ(l.GetDiskVolumeIndexByStorage(image, disk, volume), 1);
  EXPECT_EQ(disk, 2);
  EXPECT_EQ(volume, -1);
  EXPECT_EQ(l.GetDiskStorageByVolumeStorage(data), sda);
  EXPECT_EQ(l.GetDiskStorageByVolumeStorage(image), image);
  EXPECT_EQ(l.IsDiskStorage(sda), 1);
  EXPECT_EQ(l.IsDiskStorage(image), 0);
  EXPECT_EQ(l.IsDiskStorage(data), 0);
  EXPECT_EQ(l.GetVolumeInfo(sda), nullptr);
  ASSERT_NE(l.GetVolumeInfo(data), nullptr);
  EXPECT_STREQ(l.GetVolumeInfo(data)->volumeName, "Data");
  EXPECT_EQ(l.IsVolumeStorageSupported(data), 1);
  EXPECT_EQ(l.IsVolumeStorageSupported(l.GetStorageByDiskVolumeIndex(1, 0)), 0);  // the EFI partition
  EXPECT_EQ(l.IsVolumeStorageSupported(image), 0);
  _DiskVolumeData record;
  EXPECT_EQ(l.GetVolumeDataByStorage(l.GetStorageByDiskVolumeIndex(1, 0), record), 0);
}

struct FilterCase {
  const char* name;
  std::uint32_t scheme;
  const char* typeGuid;  // null: none
  const char* apmType;
  bool listed;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class VolumeFilterTest : public DeviceListTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(VolumeFilterTest, HidesBootAndMapEntries) {
  const auto& c = GetParam();
  FakeVolume volume{"Volume", FILE_SYSTEM_HFSPLUS, c.typeGuid ? GuidOnDisk(c.typeGuid) : PartitionGuid{}, c.apmType, 64};
  Use({{"Disk", "sdc", c.scheme, DISK_BUS_SATA, 512, {volume}}});
  list().InitDeviceInfo();
  const auto all = All();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].volumes.size(), c.listed ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VolumeFilterTest,
    ::testing::Values(FilterCase{"GptEfi", 2, kEfiText, "", false},
                      FilterCase{"GptAppleBoot", 2, kAppleBootText, "", false},
                      FilterCase{"GptBasicData", 2, kBasicDataText, "", true},
                      FilterCase{"MbrWithEfiGuid", 1, kEfiText, "", true},
                      FilterCase{"NoSchemeWithEfiGuid", 0, kEfiText, "", true},
                      FilterCase{"ApmMap", 3, nullptr, "Apple_partition_map", false},
                      FilterCase{"ApmFree", 3, nullptr, "Apple_Free", false},
                      FilterCase{"ApmHfs", 3, nullptr, "Apple_HFS", true},
                      FilterCase{"GptWithApmFreeText", 2, kBasicDataText, "Apple_Free", true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(DeviceListTest, EnumerationWithoutDisksStillEndsAndListsImages) {
  Use({});
  ScopedRecordingPoster scope;
  ASSERT_EQ(bridge::KDOpenDmgFile(WriteRaw(dir_, "disk.dmg", 8).string()), 1);
  bridge::NotifiyDeviceInfoAfterInit("aInitFinished");
  ASSERT_TRUE(scope.poster().WaitForCount(1));
  EXPECT_EQ(list().GetInitState(), KDUIDeviceData::kDone);
  EXPECT_TRUE(IsFailure(list().GetInitResult()));
  const auto all = All();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].isAppleDmg, 1);
  EXPECT_EQ(all[0].diskIndex, 0);
  // Once done, the next caller is told at once, without enumerating again.
  bridge::NotifiyDeviceInfoAfterInit("aInitFinished");
  ASSERT_TRUE(scope.poster().WaitForCount(2));
  EXPECT_EQ(fake_->InitCalls(), 1);
  EXPECT_EQ(scope.poster().Names(), (std::vector<std::string>{"aInitFinished", "aInitFinished"}));
}

TEST_F(DeviceListTest, RefreshWaitsForTheStoppedScanAndKeepsItsDeviceAlive) {
  Use({SsdWithTwoVolumes()});
  list().InitDeviceInfo();
  ASSERT_EQ(bridge::KDOpenDmgFile(WriteRaw(dir_, "disk.dmg", 8).string()), 1);
  IStorageDevice* scanned = list().GetStorageByDiskVolumeIndex(0, 1);
  // The scan holds the volume it reads, as every reader beyond a refresh does.
  std::shared_ptr<IStorageDevice> held = fake_->ShareDevice(scanned);
  ASSERT_NE(held, nullptr);

  ScanOperation scan;
  scan.SetStatus(OPERATION_STATUS_RUNNING);
  std::thread worker([&scan] {
    while (scan.GetStatus() != OPERATION_STATUS_STOP) std::this_thread::yield();
    scan.SetStatus(OPERATION_STATUS_EXIT);
  });
  EXPECT_EQ(bridge::RefreshDeviceInfo(&scan), 1);
  worker.join();
  EXPECT_EQ(fake_->InitCalls(), 2);

  std::vector<std::uint8_t> sector(512);
  EXPECT_TRUE(held->ReadSector(sector.data(), 0, 1));
  const auto all = All();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].isAppleDmg, 1);
  EXPECT_NE(list().GetStorageByDiskVolumeIndex(0, 1), nullptr);
}

TEST_F(DeviceListTest, RefreshIsRefusedWhileTheScanRunsOn) {
  Use({SsdWithTwoVolumes()});
  list().InitDeviceInfo();
  IStorageDevice* before = list().GetDiskStorageByIndex(0);
  ScanOperation scan;
  scan.SetStatus(OPERATION_STATUS_RUNNING);
  // A scan that never winds down: the refresh gives up rather than pull the list from under it.
  EXPECT_EQ(bridge::RefreshDeviceInfo(&scan, std::chrono::milliseconds(0)), 0);
  EXPECT_EQ(fake_->InitCalls(), 1);
  EXPECT_EQ(list().GetDiskStorageByIndex(0), before);
}

TEST_F(DeviceListTest, BackgroundRefreshOpensTheImageOnceTheScanHasStoppedAndListsAgain) {
  Use({SsdWithTwoVolumes()});
  ScopedRecordingPoster scope;
  list().InitDeviceInfo();
  // A refresh before the first enumeration has nothing to refresh.
  KDUIDeviceData::ResetForTests(fake_.get());
  EXPECT_FALSE(bridge::NotifyDeviceInfoAfterRefresh(nullptr, "refreshed"));
  list().InitDeviceInfo();
  ASSERT_EQ(fake_->InitCalls(), 2);

  ScanOperation scan;
  scan.SetStatus(OPERATION_STATUS_RUNNING);
  std::atomic<bool> release{false};
  std::thread worker([&] {
    while (scan.GetStatus() != OPERATION_STATUS_STOP || !release) std::this_thread::yield();
    scan.SetStatus(OPERATION_STATUS_EXIT);
  });
  const auto image = WriteRaw(dir_, "disk.dmg", 8);
  ASSERT_TRUE(bridge::NotifyDeviceInfoAfterRefresh(&scan, "refreshed", image.string()));
  // While the stopped scan winds down, the list is being rebuilt: nothing is listed, no entry names a device and
  // a second refresh waits.
  EXPECT_TRUE(All().empty());
  EXPECT_EQ(list().GetStorageByDiskVolumeIndex(0, 0), nullptr);
  EXPECT_FALSE(bridge::NotifyDeviceInfoAfterRefresh(nullptr, "again"));
  EXPECT_EQ(scope.poster().Names().size(), 0u);
  release = true;
  ASSERT_TRUE(scope.poster().WaitForCount(1));
  worker.join();

  const auto posted = scope.poster().Recorded();
  EXPECT_EQ(posted[0].notification, (bridge::Notification{"refreshed", {{"DmgOpened", "1"}}, {}}));
  EXPECT_NE(posted[0].thread, std::this_thread::get_id());
  EXPECT_EQ(fake_->InitCalls(), 3);
  const auto all = All();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_STREQ(all[0].name, "Samsung SSD 860");
  EXPECT_EQ(all[1].isAppleDmg, 1);
  EXPECT_STREQ(all[1].name, "disk.dmg");
}

TEST_F(DeviceListTest, BackgroundRefreshLeavesTheListWhileTheScanRunsOnAndReportsAnImageItCannotOpen) {
  Use({SsdWithTwoVolumes()});
  ScopedRecordingPoster scope;
  list().InitDeviceInfo();
  ScanOperation scan;
  scan.SetStatus(OPERATION_STATUS_RUNNING);
  // A scan that never winds down: the list and the image stay as they were.
  const auto image = WriteRaw(dir_, "disk.dmg", 8);
  ASSERT_TRUE(bridge::NotifyDeviceInfoAfterRefresh(&scan, "refreshed", image.string(), std::chrono::milliseconds(0)));
  ASSERT_TRUE(scope.poster().WaitForCount(1));
  EXPECT_EQ(scope.poster().Recorded()[0].notification, (bridge::Notification{"refreshed", {}, {}}));
  EXPECT_EQ(fake_->InitCalls(), 1);
  ASSERT_EQ(All().size(), 1u);

  // An image that cannot be read is reported, and the disks are listed again all the same.
  ASSERT_TRUE(bridge::NotifyDeviceInfoAfterRefresh(nullptr, "refreshed", (dir_ / "missing.dmg").string()));
  ASSERT_TRUE(scope.poster().WaitForCount(2));
  EXPECT_EQ(scope.poster().Recorded()[1].notification, (bridge::Notification{"refreshed", {{"DmgOpened", "0"}}, {}}));
  EXPECT_EQ(fake_->InitCalls(), 2);
  EXPECT_EQ(All().size(), 1u);
}

}  // namespace
}  // namespace quellsy::test
