#pragma once
// The facade as the windows drive it, over a fake device list: every process-wide piece reset before and after,
// a small catalogue of file types, notifications recorded, and workers that can be held at a known point.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDTimeMgr.h"
#include "Bridge/KDTypeMgr.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/ResultTrees.h"
#include "RecordingPoster.h"
#include "RecoveryFilter/FileTypeManager.h"
#include "ScanDriverFixture.h"
#include "support/TempDir.h"

namespace quellsy::test {

// The catalogue the facade starts with: text documents, JPEG pictures, MP3 music; the rest is "other".
inline constexpr const char* kFacadeCatalogue =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
    "<key>1</key><array><string>txt</string></array>"
    "<key>2</key><array><string>jpg</string></array>"
    "<key>8</key><array><string>mp3</string></array>"
    "</dict></plist>\n";

// Holds the workers of one kind of start at the facade's gate until released (however the test ends).
class HeldWorkers {
 public:
  explicit HeldWorkers(bridge::FacadeStart held) : released_(release_.get_future().share()) {
    KDUIController::SetWorkerGateForTests([this, held](bridge::FacadeStart start) {
      if (start != held) return;
      if (!entered_.exchange(true)) started_.set_value();
      released_.wait();
    });
  }
  ~HeldWorkers() {
    Release();
    KDUIController::WaitForOperations();
    KDUIController::SetWorkerGateForTests(nullptr);
  }
  HeldWorkers(const HeldWorkers&) = delete;
  HeldWorkers& operator=(const HeldWorkers&) = delete;

  void WaitUntilHeld() { started_.get_future().wait(); }
  void Release() {
    if (!done_.exchange(true)) release_.set_value();
  }

 private:
  std::promise<void> release_;
  std::shared_future<void> released_;
  std::promise<void> started_;
  std::atomic<bool> entered_{false};
  std::atomic<bool> done_{false};
};

class FacadeFixture : public ScanDriverFixture {
 protected:
  void SetUp() override {
    ScanDriverFixture::SetUp();
    KDUIRecovery::ResetForTests();
    KDUIScan::ResetForTests();
    bridge::ResultTrees::ResetForTests();
    const std::string list(kFacadeCatalogue);
    WriteFile(catalogue_.path() / "FileType.plist", {list.begin(), list.end()});
    KDTypeMgr::ResetForTests(catalogue_.path() / "FileType.plist");
    KDTimeMgr::ResetForTests();
  }
  void TearDown() override {
    KDUIController::ResetForTests();
    bridge::ResultTrees::ResetForTests();
    KDUIRecovery::ResetForTests();
    KDUIScan::ResetForTests();
    KDTypeMgr::ResetForTests();
    KDTimeMgr::ResetForTests();
    CFileTypeManager::ResetExtensionLists();
    ScanDriverFixture::TearDown();
  }

  // The device page's item of the only volume of the only disk.
  std::shared_ptr<DiskVolumeNodeData> FirstVolumeItem() {
    std::vector<_DiskVolumeData> records;
    KDUIDeviceData::instance()->GetAllDeviceInfo(records);
    const DiskVolumeNodeData::Children items = DiskVolumeNodeData::ListFromRecords(records);
    return items.empty() ? nullptr : items[0]->childAtIndex(0);
  }

  std::size_t Count(const std::string& name) {
    const auto names = scope_.poster().Names();
    return static_cast<std::size_t>(std::count(names.begin(), names.end(), name));
  }

  ScopedRecordingPoster scope_;
  TempDir catalogue_;
};

}  // namespace quellsy::test
