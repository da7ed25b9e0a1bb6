#pragma once
// A scan driver over the device list of a fake enumerator, run on an operation thread as the facade runs it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIFilter.h"
#include "Bridge/KDUIScan.h"
#include "Engines/BuiltInEngines.h"
#include "FakeEnumDeviceEx.h"
#include "ScanImages.h"
#include "Utility/SizedStackThread.h"

namespace quellsy::test {

inline constexpr std::chrono::milliseconds kShortStep{1};

// Records the status each finished record leaves, and can pause the scan after the first one.
class RecordingScan final : public KDUIScan {
 public:
  RecordingScan() : KDUIScan(kShortStep) {}
  void UpdateProgress(_PROGRESS_INFO* info) override {
    KDUIScan::UpdateProgress(info);
    if (!info || info->status != PROGRESS_STATUS_FINISHED) return;
    statusAfterFinished.push_back(GetStatus());
    if (pauseAfterFirst && statusAfterFinished.size() == 1) PauseOrResumeOperation();
  }
  std::vector<int> statusAfterFinished;
  bool pauseAfterFirst = false;
};

class ScanDriverFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterBuiltInEngines();
    KDUIFilter::instance()->ResetFilter(FILTER_TYPE_ALL);
  }
  void TearDown() override {
    scan_.reset();
    KDUIDeviceData::ResetForTests();
  }

  // Lists the disks through the device list, as the windows do; returns the list.
  KDUIDeviceData* UseDisks(std::vector<FakeDisk> disks) {
    fake_ = std::make_unique<FakeEnumDeviceEx>(std::move(disks));
    KDUIDeviceData::ResetForTests(fake_.get());
    KDUIDeviceData* list = KDUIDeviceData::instance();
    list->BeginInit();
    list->InitDeviceInfo();
    return list;
  }

  // DoScan on an operation thread, started as the facade starts it (status 2 first); waits for it to return.
  quellsy::ResultCode Scan(IStorageDevice* device) {
    scan_->SetUpdateNotifier([this](int force) { (force ? forced_ : throttled_)++; });
    scan_->SetStatus(OPERATION_STATUS_RUNNING);
    quellsy::ResultCode result = 0;
    SizedStackThread thread([&] { result = scan_->DoScan(device, nullptr); });
    EXPECT_TRUE(thread.Started());
    thread.Join();
    return result;
  }

  // Lists the FAT volume of the scan images alone and scans it quickly (check for a fatal failure after).
  void QuickScanFatVolume(const ScanImages* images) {
    KDUIDeviceData* list = UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
    IStorageDevice* volume = list->GetStorageByDiskVolumeIndex(0, 0);
    ASSERT_NE(volume, nullptr);
    ASSERT_EQ(Scan(volume), quellsy::kResultOk);
  }

  // The files scan (the fixture's own when null) found, by PathInVolume.
  std::map<std::string, IFileNode*> FilesByPath(const KDUIScan* scan = nullptr) const {
    std::map<std::string, IFileNode*> files;
    for (IFileNode* node : (scan ? scan : scan_.get())->KDGetFileNodesSince(0)) files[PathInVolume(node)] = node;
    return files;
  }

  std::unique_ptr<RecordingScan> scan_ = std::make_unique<RecordingScan>();
  std::unique_ptr<FakeEnumDeviceEx> fake_;
  std::atomic<int> forced_{0};
  std::atomic<int> throttled_{0};
};

}  // namespace quellsy::test
