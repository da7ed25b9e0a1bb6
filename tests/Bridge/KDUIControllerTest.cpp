#include "Bridge/KDUIController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/NotificationCenter.h"
#include "Bridge/ResultTrees.h"
#include "RecoveryFilter/FileTypeManager.h"
#include "RecordingPoster.h"
#include "ScanDriverFixture.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using bridge::Notification;
using bridge::NotificationCenter;
using bridge::ResultTrees;

constexpr const char* kUpdate = KDUIScan::kScanValueNotification;

// A type tree whose first clearing (the scan worker's first step) waits until released.
class BlockingGroupTree final : public bridge::IGroupTree {
 public:
  void Clear() override {
    if (entered_.exchange(true)) return;
    started.set_value();
    released.wait();
  }
  void SetSearch(bool) override {}
  void Refresh(KDUIScan&) override {}
  void SetNeedRefresh() override {}

  std::promise<void> started;
  std::shared_future<void> released;

 private:
  std::atomic<bool> entered_{false};
};

class KDUIControllerTest : public ScanDriverFixture {
 protected:
  void SetUp() override {
    ScanDriverFixture::SetUp();
    KDUIRecovery::ResetForTests();
    KDUIScan::ResetForTests();
    ResultTrees::ResetForTests();
  }
  void TearDown() override {
    KDUIController::ResetForTests();
    ResultTrees::ResetForTests();
    KDUIRecovery::ResetForTests();
    KDUIScan::ResetForTests();
    ScanDriverFixture::TearDown();
  }

  std::size_t Count(const std::string& name) {
    const auto names = scope_.poster().Names();
    return static_cast<std::size_t>(std::count(names.begin(), names.end(), name));
  }

  ScopedRecordingPoster scope_;
};

TEST(KDUIControllerRemainingTime, FollowsTheEstimateRules) {
  struct Case {
    std::int64_t elapsed;
    std::uint64_t total;
    std::uint64_t current;
    const char* text;
  };
  const Case cases[] = {
      {0, 100, 50, "-:-:-"},            // within the first second
      {60, 100, 0, "-:-:-"},            // nothing done yet
      {60, 1000, 9, "-:-:-"},           // below 1 %
      {60, 100, 50, "00:01:00"},        // half done: 60 s more, as it stands
      {100, 100, 40, "00:01:45"},       // below half: 150 s × 0.7
      {3600, 100, 20, "02:00:00"},      // below a quarter: 14400 s × 0.5
      {7200, 100, 1, "99:00:00"},       // 712800 s × 0.5 = 99 h
      {7400, 100, 1, "-:-:-"},          // 732600 s × 0.5 = 101.75 h: beyond 100 hours
      {50, 100, 100, "00:00:00"},       // done
      {50, 100, 150, "00:00:00"},       // a count past the total estimates nothing left, not wrapped time
      {1000000, 1ULL << 62, 1ULL << 61, "-:-:-"},  // bytes left × elapsed beyond 64 bits
  };
  for (const Case& c : cases)
    EXPECT_EQ(KDUIController::RemainingTimeText(c.elapsed, c.total, c.current), c.text)
        << c.elapsed << " " << c.total << " " << c.current;
}

TEST_F(KDUIControllerTest, UpdatesAreThrottledUnlessForcedAndSkippedWhileTheTreeIsBuilt) {
  std::int64_t now = 500;
  KDUIController::SetClockForTests([&now] { return now; });
  KDNotifyUIUpdateData(0);  // due at once after a reset
  now = 501;
  KDNotifyUIUpdateData(0);
  KDNotifyUIUpdateData(1);
  now = 502;
  KDNotifyUIUpdateData(0);
  KDNotifyUIUpdateData(0);
  EXPECT_EQ(Count(kUpdate), 3u);
  KDUIScan::instance()->SetOpTreeFinished(0);
  KDNotifyUIUpdateData(1);
  EXPECT_EQ(Count(kUpdate), 3u);
}

TEST_F(KDUIControllerTest, RecoveryWithoutAPathIsRefused) {
  EXPECT_EQ(KDUIController::DoRecovery(nullptr, "RecoveryProgress"), KDUIController::kRecoveryRefused);
  EXPECT_FALSE(KDUIController::IsRecoveryRunning());
  EXPECT_TRUE(scope_.poster().Recorded().empty());
}

TEST_F(KDUIControllerTest, InitFileTypeFillsTheEngineTable) {
  KDUIController::initFileType([](int type) { return type == FILTER_TYPE_MUSIC ? std::string("qmu;qmv") : ""; });
  CFileTypeManager table;
  table.Initialize();
  EXPECT_EQ(table.GetFileTypeID("QMV"), FILE_TYPE_MUSIC);
  EXPECT_EQ(table.GetFileTypeID("txt"), FILE_TYPE_OTHER);
  CFileTypeManager::ResetExtensionLists();
}

TEST_F(KDUIControllerTest, CloseAppEndsTheProcessWithStatusZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(KDUIController::CloseApp(), ::testing::ExitedWithCode(0), "");
}

TEST_F(KDUIControllerTest, AStartWhileTheLastScanWindsDownIsRefusedAndDoesNotReviveIt) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  BlockingGroupTree types;
  // Lets the worker go and waits for it however the test ends, before types goes.
  struct Releaser {
    std::promise<void> promise;
    bool done = false;
    void Release() {
      if (!std::exchange(done, true)) promise.set_value();
    }
    ~Releaser() {
      Release();
      KDUIController::WaitForOperations();
      ResultTrees::Instance().SetGroupTree(NODE_TREE_FILE_TYPE, nullptr);
    }
  } release;
  types.released = release.promise.get_future().share();
  ResultTrees::Instance().SetGroupTree(NODE_TREE_FILE_TYPE, &types);
  EXPECT_FALSE(KDUIController::DoScanWithDiskIndex(0, 7, 0, "ScanName")) << "no such volume";

  ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  types.started.get_future().wait();
  EXPECT_TRUE(KDUIController::IsScanRunning());
  EXPECT_FALSE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  // Stopping: the status reads "stop requested" while the worker still runs; a start now must neither start a
  // second worker nor turn the stopping one back to running.
  KDUIController::StopScan(0);
  EXPECT_FALSE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  EXPECT_EQ(KDUIScan::instance()->GetStatus(), OPERATION_STATUS_STOP);
  release.Release();
  KDUIController::WaitForOperations();
  EXPECT_FALSE(KDUIController::IsScanRunning());
  EXPECT_EQ(KDUIScan::instance()->GetScanFileCnt(), 0u) << "the stopped scan went on";
  // Over, the next start runs to the end.
  ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  KDUIController::WaitForOperations();
  EXPECT_GT(KDUIScan::instance()->GetScanFileCnt(), 0u);
}

// The bridge's whole path as the windows drive it: a scan by index, updates, a search, checked files and a
// recovery, every notification recorded with its thread.
TEST_F(KDUIControllerTest, ScanSearchAndRecoveryThroughTheFacade) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  // A clock that never moves: at most one unforced update in the whole scan.
  KDUIController::SetClockForTests([] { return std::int64_t{1000}; });
  const std::thread::id gui = std::this_thread::get_id();
  std::vector<std::thread::id> observedOn;
  int observer = 0;
  NotificationCenter::Default().AddObserver(&observer, "", [&](const Notification&) {
    observedOn.push_back(std::this_thread::get_id());
  });

  ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  KDUIController::WaitForOperations();
  EXPECT_FALSE(KDUIController::IsScanRunning());
  EXPECT_FALSE(KDUIController::IsDeepScan());
  const auto posted = scope_.poster().Recorded();
  ASSERT_FALSE(posted.empty());
  // One unforced update at most, the finished record's and the worker's last forced ones, nothing else.
  EXPECT_GE(Count(kUpdate), 2u);
  EXPECT_LE(Count(kUpdate), 3u);
  EXPECT_EQ(Count(kUpdate), posted.size()) << "a scan posts no name of its own";
  for (const auto& p : posted) EXPECT_NE(p.thread, gui);
  EXPECT_TRUE(observedOn.empty()) << "window code ran on a worker thread";
  EXPECT_EQ(scope_.poster().DeliverAll(), posted.size());
  ASSERT_EQ(observedOn.size(), posted.size());
  for (const std::thread::id& on : observedOn) EXPECT_EQ(on, gui);

  // The quick scan found the deleted files, each in the path tree under its folder.
  const auto files = FilesByPath(KDUIScan::instance());
  ResultTrees& trees = ResultTrees::Instance();
  const auto tail = trees.PathTail(0);
  std::vector<IFileNode*> found;
  std::uint64_t deletedSize = 0;
  for (const auto& entry : images->FatManifest()) {
    if (!entry.deleted) continue;
    SCOPED_TRACE(entry.path);
    IFileNode* node = FindFound(files, entry);
    ASSERT_NE(node, nullptr);
    found.push_back(node);
    deletedSize += entry.size;
    const auto folder = std::find_if(tail.entries.begin(), tail.entries.end(),
                                     [&](const auto& e) { return e.node == node->GetParent(); });
    ASSERT_NE(folder, tail.entries.end());
    const auto listed = trees.ChildFiles(folder->id);
    EXPECT_NE(std::find(listed.begin(), listed.end(), node), listed.end());
  }
  double percent = 0;
  std::uint64_t count = 0;
  KDUIController::GetScanProgress(percent, count);
  EXPECT_EQ(count, found.size());
  std::uint64_t size = 0;
  KDUIController::GetScanFileSize(size, count);
  EXPECT_EQ(size, deletedSize);

  // A search: the name after the shown tree, then "DoSearchFinished"; a second one is refused meanwhile.
  KDUIController::SetViewType(NODE_TREE_PATH);
  // A deleted entry has lost its first letter: "?LD.TXT" of old.txt.
  ASSERT_TRUE(KDUIController::DoSearchWithString("ld.t", "SearchName"));
  EXPECT_FALSE(KDUIController::DoSearchWithString("one", "SearchName"));
  trees.WaitForSearch();
  EXPECT_EQ(KDUIController::GetSearchString(), "ld.t");
  auto names = scope_.poster().Names();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()),
            (std::vector<std::string>{"SearchName", ResultTrees::kSearchFinishedNotification}));
  std::size_t shown = 0;
  for (const auto& e : trees.PathTail(0).entries) shown += trees.ChildFiles(e.id).size();
  EXPECT_EQ(shown, 1u);
  EXPECT_EQ(KDUIController::GetSearchResultToArr().size(), 1u);
  // Cleared, an empty key shows everything again.
  KDUIController::StopSearch();
  ASSERT_TRUE(KDUIController::DoSearchWithString("", "SearchName"));
  trees.WaitForSearch();
  KDUIController::StopSearch();
  EXPECT_TRUE(KDUIController::GetSearchResultToArr().empty()) << "no key, no search results";

  // Checked files and their size.
  for (IFileNode* node : found) node->SetCheck(CHECKED_STATUS_CHECKED);
  std::uint64_t checkedCount = 0;
  std::uint64_t checkedSize = 0;
  KDUIController::GetSelectedFilesAmout(checkedCount, checkedSize);
  EXPECT_EQ(checkedCount, found.size());
  EXPECT_EQ(checkedSize, deletedSize);

  // The recovery: its name posted while it runs and at its end, every checked file copied byte for byte.
  const TempDir dest;
  const std::size_t before = scope_.poster().Recorded().size();
  ASSERT_EQ(KDUIController::DoRecovery(dest.path().c_str(), "RecoveryProgress"), quellsy::kResultOk);
  KDUIController::WaitForOperations();
  EXPECT_FALSE(KDUIController::IsRecoveryRunning());
  const auto after = scope_.poster().Recorded();
  ASSERT_GT(after.size(), before);
  for (std::size_t i = before; i < after.size(); ++i) {
    EXPECT_EQ(after[i].notification.name, "RecoveryProgress");
    EXPECT_NE(after[i].thread, gui);
  }
  EXPECT_EQ(KDUIController::GetRecoveridedFiles(), found.size());
  EXPECT_EQ(KDUIController::GetRecoveridedSize(), deletedSize);
  std::uint64_t total = 0;
  std::uint64_t current = 0;
  quellsy::ResultCode code = 1;
  KDUIController::GetRecoveryProgressTotal(total, current, code);
  EXPECT_EQ(total, deletedSize);
  EXPECT_EQ(current, deletedSize);
  EXPECT_FALSE(quellsy::IsFailure(code));
  char number[8];
  std::snprintf(number, sizeof number, "%04d", 1);
  const std::filesystem::path folder = dest.path() / (KDUIPublic::GetFileSystemStrByType(SEARCHER_FAT) + number);
  for (const auto& entry : images->FatManifest()) {
    if (!entry.deleted) continue;
    SCOPED_TRACE(entry.path);
    std::filesystem::path written = folder;
    written += KDUIPublic::GetPathByFileNode(FindFound(files, entry));
    ASSERT_TRUE(std::filesystem::exists(written)) << written;
    EXPECT_EQ(Sha256Hex(ReadFile(written)), entry.sha256);
  }
  NotificationCenter::Default().RemoveObserver(&observer);
}

}  // namespace
}  // namespace quellsy::test
