#include "Bridge/KDUIScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIFilter.h"
#include "Engines/BuiltInEngines.h"
#include "FakeEnumDeviceEx.h"
#include "ScanDriverFixture.h"
#include "ScanImages.h"
#include "Utility/SizedStackThread.h"

namespace quellsy::test {
namespace {

using namespace std::chrono_literals;

class ScanDriverTest : public ScanDriverFixture {};

TEST_F(ScanDriverTest, QuickScanOfAVolumeFilesNodesByPathTypeAndMonth) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  IStorageDevice* volume = list->GetStorageByDiskVolumeIndex(0, 0);
  ASSERT_NE(volume, nullptr);

  EXPECT_EQ(scan_->GetScanControllerType(volume), RECOVERY_CONTROLLER_QUICK);
  ASSERT_EQ(Scan(volume), quellsy::kResultOk);
  EXPECT_EQ(scan_->GetStatus(), OPERATION_STATUS_IDLE);
  EXPECT_EQ(scan_->IsNeedUIUpdate(), 1);
  EXPECT_GE(forced_.load(), 1);  // the finished record told the windows at once
  ASSERT_NE(scan_->GetRecoveryController(), nullptr);
  EXPECT_EQ(scan_->GetRecoveryController()->thisType(), RECOVERY_CONTROLLER_QUICK);

  const auto roots = scan_->GetFileSystemNode();
  ASSERT_EQ(roots.size(), 1u);
  // A quick scan lists the deleted files, in delivery order.
  const auto files = FilesByPath();
  std::uint64_t size = 0;
  std::size_t deleted = 0;
  for (const auto& entry : images->FatManifest()) {
    if (!entry.deleted) continue;
    SCOPED_TRACE(entry.path);
    ++deleted;
    IFileNode* found = FindFound(files, entry);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(static_cast<std::uint64_t>(found->GetFileSize()), entry.size);
    EXPECT_NE(found->IsDeleted(), 0);
    size += entry.size;
    // The quick scan keeps a data-recovery object for the file's root.
    EXPECT_NE(scan_->GetFileNodeDataRecover(found), nullptr);
  }
  ASSERT_EQ(deleted, 2u);
  EXPECT_EQ(files.size(), deleted);
  EXPECT_EQ(scan_->GetScanFileCnt(), deleted);
  EXPECT_EQ(scan_->GetScanFileSize(), size);

  // The path queue: the root first, then the folder; taking it empties it.
  const auto queued = scan_->KDGetNewPathNode();
  ASSERT_EQ(queued.size(), 2u);
  EXPECT_EQ(queued[0], roots[0]);
  EXPECT_EQ(PathInVolume(queued[1]), "/docs");
  EXPECT_TRUE(scan_->KDGetNewPathNode().empty());
  EXPECT_EQ(scan_->KDGetAllPathNode(), queued);
  EXPECT_EQ(scan_->FindRemoveData(queued[1]), 1);
  EXPECT_EQ(scan_->KDGetFileNodeCount(), deleted);
  EXPECT_EQ(scan_->KDGetFileNodesSince(1).size(), deleted - 1);
}

TEST_F(ScanDriverTest, SearchShowsMatchingFilesAndAnEmptyKeyShowsAll) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  ASSERT_EQ(Scan(list->GetStorageByDiskVolumeIndex(0, 0)), quellsy::kResultOk);

  scan_->SetSearchKey("ONE.JPG");
  KDUIScan::NodeList found;
  scan_->DoSearch(found);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(PathInVolume(found[0]).substr(2), "one.jpg");
  for (const auto& [path, node] : FilesByPath()) EXPECT_EQ(node->IsNodeShow() != 0, node == found[0]) << path;

  scan_->SetSearchKey(nullptr);  // changes nothing
  EXPECT_EQ(scan_->GetSearchKey(), "ONE.JPG");
  scan_->SetSearchKey("");
  scan_->DoSearch(found);
  EXPECT_EQ(found.size(), 2u);  // the two deleted files
  for (const auto& [path, node] : FilesByPath()) EXPECT_NE(node->IsNodeShow(), 0) << path;
}

TEST_F(ScanDriverTest, UnrecognisedVolumeIsScannedCompletely) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->FatVolumeDisk(FILE_SYSTEM_UNKNOWN)});
  IStorageDevice* volume = list->GetStorageByDiskVolumeIndex(0, 0);
  ASSERT_NE(volume, nullptr);

  ASSERT_EQ(Scan(volume), quellsy::kResultOk);
  EXPECT_EQ(scan_->IsDeepScan(), 1);
  ASSERT_NE(scan_->GetRecoveryController(), nullptr);
  EXPECT_EQ(scan_->GetRecoveryController()->thisType(), RECOVERY_CONTROLLER_COMPLETE_VOLUME);
  EXPECT_EQ(scan_->GetStatus(), OPERATION_STATUS_IDLE);
  // The complete search still finds the FAT volume and its live files.
  const auto files = FilesByPath();
  for (const auto& entry : images->FatManifest()) {
    if (entry.deleted) continue;
    bool seen = false;
    for (const auto& [path, node] : files)
      seen = seen || (path.size() >= entry.path.size() &&
                      path.compare(path.size() - entry.path.size(), entry.path.size(), entry.path) == 0);
    EXPECT_TRUE(seen) << entry.path;
  }
}

TEST_F(ScanDriverTest, QuickScanOfAThreeVolumeDiskEndsAfterTheThirdVolume) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->ThreeVolumeDisk()});
  IStorageDevice* disk = list->GetDiskStorageByIndex(0);
  ASSERT_NE(disk, nullptr);
  ASSERT_EQ(list->IsDiskStorage(disk), 1);

  EXPECT_EQ(scan_->GetScanControllerType(disk), RECOVERY_CONTROLLER_QUICK);
  EXPECT_EQ(Scan(disk), quellsy::kResultOk);
  // The first two volumes' finished records leave the scan running; the third ends it.
  EXPECT_EQ(scan_->statusAfterFinished,
            (std::vector<int>{OPERATION_STATUS_RUNNING, OPERATION_STATUS_RUNNING, OPERATION_STATUS_IDLE}));
  EXPECT_EQ(scan_->GetStatus(), OPERATION_STATUS_IDLE);
  // Only the FAT volume has deleted files to show.
  ASSERT_EQ(scan_->GetFileSystemNode().size(), 1u);
  const auto files = FilesByPath();
  for (const auto& entry : images->FatManifest()) {
    if (entry.deleted) {
      EXPECT_NE(FindFound(files, entry), nullptr) << entry.path;
    }
  }
}

TEST_F(ScanDriverTest, StopBetweenVolumesEndsTheDiskScan) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->ThreeVolumeDisk()});
  IStorageDevice* disk = list->GetDiskStorageByIndex(0);
  scan_->pauseAfterFirst = true;
  scan_->SetUpdateNotifier([](int) {});
  scan_->SetStatus(OPERATION_STATUS_RUNNING);
  quellsy::ResultCode result = 0;
  SizedStackThread thread([&] { result = scan_->DoScan(disk, nullptr); });
  ASSERT_TRUE(thread.Started());
  // The worker now waits at the start of the second volume.
  ASSERT_TRUE(scan_->WaitForHeldWorkers(1, 60s));
  EXPECT_EQ(scan_->GetFileSystemNode().size(), 1u);
  scan_->StopOperation(0);
  thread.Join();
  EXPECT_EQ(result, KDUIScan::kVolumeScanRefused);
  EXPECT_EQ(scan_->GetStatus(), OPERATION_STATUS_IDLE);
  EXPECT_EQ(scan_->statusAfterFinished.size(), 1u);
  EXPECT_EQ(scan_->GetFileSystemNode().size(), 1u);
}

TEST_F(ScanDriverTest, RefusalsLeaveTheResultsAlone) {
  EXPECT_EQ(scan_->DoScan(nullptr, nullptr), KDUIScan::kScanRefused);
  EXPECT_EQ(scan_->GetScanControllerType(nullptr), RECOVERY_CONTROLLER_NONE);
  EXPECT_EQ(scan_->DoVolumeStorageScan(nullptr), KDUIScan::kVolumeScanRefused);
  EXPECT_EQ(scan_->GetRecoveryController(), nullptr);
  scan_->SetUpdateNotifier([this](int) { ++throttled_; });
  scan_->ShowNodes(nullptr, 0, 0);
  EXPECT_EQ(throttled_.load(), 0);
  EXPECT_EQ(scan_->IsNeedUIUpdate(), 0);
  EXPECT_EQ(scan_->FindRemoveData(nullptr), 0);
  EXPECT_EQ(KDUIScan::GetNodeExt(nullptr), "");
}

}  // namespace
}  // namespace quellsy::test
