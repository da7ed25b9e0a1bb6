#include "Bridge/KDUIController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Bridge/BridgeServices.h"
#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDSaveAndRestoreNodeOperate.h"
#include "Bridge/KDScanResultEntry.h"
#include "Bridge/KDTimeMgr.h"
#include "Bridge/KDTypeMgr.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/NotificationCenter.h"
#include "Bridge/OpNodeData.h"
#include "Bridge/ResultTrees.h"
#include "FacadeFixture.h"
#include "RecordingPoster.h"
#include "RecoveryFilter/FileTypeManager.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using bridge::Notification;
using bridge::NotificationCenter;
using bridge::ResultTrees;

constexpr const char* kUpdate = KDUIScan::kScanValueNotification;

// The position of each listed extension's group among the type tree's seven roots (1, 2, 4, 8, 16, 32, 64).
const std::map<std::string, std::size_t> kRootOf = {{"txt", 0}, {"jpg", 1}, {"mp3", 3}};
constexpr std::size_t kOtherRoot = 6;

using Nodes = std::vector<std::shared_ptr<OpNodeData>>;

std::string Extension(const std::string& path) {
  std::string extension = path.substr(path.rfind('.') + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

std::string YearName(int year) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", year);
  return text;
}

std::string MonthName(int month) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", month);
  return text;
}

std::vector<std::string> Names(const Nodes& nodes) {
  std::vector<std::string> names;
  for (const auto& node : nodes) names.push_back(node->name());
  return names;
}

// The group named name directly under node, through the facade; null when there is none.
std::shared_ptr<OpNodeData> ChildGroup(const OpNodeData* node, const std::string& name) {
  for (const auto& group : KDUIController::GetChildGroups(node))
    if (group->name() == name) return group;
  return nullptr;
}

std::size_t Occurrences(const std::vector<IFileNode*>& files, IFileNode* file) {
  return static_cast<std::size_t>(std::count(files.begin(), files.end(), file));
}

// The type tree and both date trees, read through the facade, list exactly the found files of shown: each under
// its extension (by the catalogue) and under the year and month of its dates, with the counts shown beside each.
// mtools writes a file's creation date as the modification date it copies with -m (the touch -d date of the
// manifest), so both date trees place it under the manifest's year and month.
void ExpectGroupTrees(const std::vector<ScanManifestEntry>& shown, const std::map<std::string, IFileNode*>& files) {
  const Nodes roots = KDUIController::KDGetTopNodes(NODE_TREE_FILE_TYPE);
  ASSERT_EQ(roots.size(), 7u);
  std::map<std::size_t, std::size_t> perRoot;
  std::map<std::string, std::size_t> perExtension;
  std::map<std::size_t, std::set<std::string>> extensionsOf;
  for (const auto& entry : shown) {
    SCOPED_TRACE(entry.path);
    IFileNode* found = FindFound(files, entry);
    ASSERT_NE(found, nullptr);
    const std::string extension = Extension(entry.path);
    const auto listed = kRootOf.find(extension);
    const std::size_t root = listed == kRootOf.end() ? kOtherRoot : listed->second;
    ++perRoot[root];
    ++perExtension[extension];
    if (root == kOtherRoot) {
      EXPECT_EQ(Occurrences(KDUIController::GetFileNodeToArray(roots[root].get()), found), 1u);
      continue;
    }
    extensionsOf[root].insert(extension);
    const auto node = ChildGroup(roots[root].get(), extension);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(Occurrences(KDUIController::GetFileNodeToArray(node.get()), found), 1u);
  }
  for (std::size_t root = 0; root < roots.size(); ++root) {
    SCOPED_TRACE(roots[root]->name());
    EXPECT_EQ(KDUIController::GetNodeChildrenCnt(roots[root].get()), perRoot[root]);
    if (root == kOtherRoot) continue;
    const Nodes extensions = KDUIController::GetChildGroups(roots[root].get());
    const std::vector<std::string> names = Names(extensions);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), extensionsOf[root]);
    for (const auto& node : extensions) EXPECT_EQ(KDUIController::GetNodeChildrenCnt(node.get()), perExtension[node->name()]);
    EXPECT_TRUE(KDUIController::GetFileNodeToArray(roots[root].get()).empty()) << "a group lists its extensions";
  }

  for (const int kind : {NODE_TREE_CREATION_TIME, NODE_TREE_MODIFICATION_TIME}) {
    SCOPED_TRACE(kind);
    const Nodes tops = KDUIController::KDGetTopNodes(kind);
    ASSERT_EQ(tops.size(), 1u);
    EXPECT_EQ(tops[0]->name(), kind == NODE_TREE_CREATION_TIME ? "Creation date" : "Modification date");
    EXPECT_EQ(KDUIController::GetNodeChildrenCnt(tops[0].get()), shown.size());
    std::set<std::string> years;
    std::map<std::string, std::size_t> perMonth;
    for (const auto& entry : shown) {
      SCOPED_TRACE(entry.path);
      const std::string year = YearName(entry.year);
      const std::string month = MonthName(entry.month);
      years.insert(year);
      ++perMonth[year + "/" + month];
      const auto yearNode = ChildGroup(tops[0].get(), year);
      ASSERT_NE(yearNode, nullptr);
      const auto monthNode = ChildGroup(yearNode.get(), month);
      ASSERT_NE(monthNode, nullptr);
      EXPECT_EQ(Occurrences(KDUIController::GetFileNodeToArray(monthNode.get()), FindFound(files, entry)), 1u);
    }
    for (const auto& [key, count] : perMonth) {
      const auto yearNode = ChildGroup(tops[0].get(), key.substr(0, 4));
      ASSERT_NE(yearNode, nullptr);
      EXPECT_EQ(KDUIController::GetNodeChildrenCnt(ChildGroup(yearNode.get(), key.substr(5)).get()), count) << key;
    }
    // Years in ascending order, none but the manifest's.
    EXPECT_EQ(Names(KDUIController::GetChildGroups(tops[0].get())), std::vector<std::string>(years.begin(), years.end()));
  }
}

// A recording poster whose first notification, once armed, waits until released: the operation that posts it
// is held running at a known point.
class HoldingPoster final : public RecordingPoster {
 public:
  ~HoldingPoster() override { Release(); }
  void Post(Notification notification) override {
    if (armed_.exchange(false)) {
      held_.set_value();
      release_.get_future().wait();
    }
    RecordingPoster::Post(std::move(notification));
  }
  void Arm() { armed_ = true; }
  void WaitUntilHeld() { held_.get_future().wait(); }
  void Release() {
    if (!released_.exchange(true)) release_.set_value();
  }

 private:
  std::atomic<bool> armed_{false};
  std::atomic<bool> released_{false};
  std::promise<void> held_;
  std::promise<void> release_;
};

class KDUIControllerTest : public FacadeFixture {
 protected:
  static std::vector<ScanManifestEntry> Deleted(const ScanImages* images) {
    std::vector<ScanManifestEntry> deleted;
    for (const auto& entry : images->FatManifest())
      if (entry.deleted) deleted.push_back(entry);
    return deleted;
  }
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

TEST_F(KDUIControllerTest, InitFileTypeFillsTheEngineTableFromTheCatalogue) {
  KDUIController::initFileType();
  CFileTypeManager table;
  table.Initialize();
  EXPECT_EQ(table.GetFileTypeID("MP3"), FILE_TYPE_MUSIC);
  EXPECT_EQ(table.GetFileTypeID("jpg"), FILE_TYPE_PICTURE);
  EXPECT_EQ(table.GetFileTypeID("txt"), FILE_TYPE_DOCUMENT);
  EXPECT_EQ(table.GetFileTypeID("doc"), FILE_TYPE_OTHER) << "the catalogue does not list it";
}

TEST_F(KDUIControllerTest, CloseAppEndsTheProcessWithStatusZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(KDUIController::CloseApp(), ::testing::ExitedWithCode(0), "");
}

TEST_F(KDUIControllerTest, AStartWhileTheLastScanWindsDownIsRefusedAndDoesNotReviveIt) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  HeldWorkers release(bridge::FacadeStart::kScan);
  EXPECT_FALSE(KDUIController::DoScanWithDiskIndex(0, 7, 0, "ScanName")) << "no such volume";
  EXPECT_EQ(KDUIController::GetLastStartResult(), bridge::result::kNoSuchDevice);

  ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  EXPECT_EQ(KDUIController::GetLastStartResult(), quellsy::kResultOk);
  release.WaitUntilHeld();
  EXPECT_TRUE(KDUIController::IsScanRunning());
  EXPECT_FALSE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  std::string reason;
  EXPECT_EQ(KDUIController::GetLastStartResult(&reason), bridge::result::kScanRunning);
  EXPECT_EQ(reason, "a scan is running (0x0106000100000601)");
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

  // Start-up, then a scan of the device page's item as the windows start one.
  KDUIController::initFileType();
  EXPECT_FALSE(KDUIController::DoScanWithData(nullptr, "ScanName"));
  const std::shared_ptr<DiskVolumeNodeData> item = FirstVolumeItem();
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(KDUIController::DoScanWithData(item.get(), "ScanName"));
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

  // The type and date trees list the same files under their extensions and months.
  const std::vector<ScanManifestEntry> deleted = Deleted(images);
  ASSERT_NO_FATAL_FAILURE(ExpectGroupTrees(deleted, files));

  // A click on the pictures group checks exactly its files; the marks of the groups and months follow.
  const Nodes roots = KDUIController::KDGetTopNodes(NODE_TREE_FILE_TYPE);
  KDUIController::KDSetNodeState(roots[kRootOf.at("jpg")].get(), CHECKED_STATUS_CHECKED);
  std::set<IFileNode*> pictures;
  std::uint64_t picturesSize = 0;
  for (const auto& entry : deleted) {
    if (Extension(entry.path) != "jpg") continue;
    pictures.insert(FindFound(files, entry));
    picturesSize += entry.size;
  }
  ASSERT_FALSE(pictures.empty());
  {
    std::uint64_t checkedSize = 0;
    const std::vector<IFileNode*> checked = KDUIController::GetSelectedFilesAndSize(checkedSize);
    EXPECT_EQ(std::set<IFileNode*>(checked.begin(), checked.end()), pictures);
    EXPECT_EQ(checked.size(), pictures.size());
    EXPECT_EQ(checkedSize, picturesSize);
  }
  KDUIController::KDTableViewCellCilck();
  KDUIController::RefreshTypeTreeState(nullptr);
  EXPECT_EQ(KDUIController::GetNodeState(ChildGroup(roots[kRootOf.at("jpg")].get(), "jpg").get()), CHECKED_STATUS_CHECKED);
  EXPECT_EQ(KDUIController::GetNodeState(ChildGroup(roots[kRootOf.at("txt")].get(), "txt").get()), CHECKED_STATUS_UNCHECKED);
  KDUIController::RefreshTimeTreeState(NODE_TREE_MODIFICATION_TIME, 0);
  const auto modified = KDUIController::KDGetTopNodes(NODE_TREE_MODIFICATION_TIME)[0];
  for (const auto& entry : deleted) {
    SCOPED_TRACE(entry.path);
    // Each file here has a month of its own: the month reads as that file's mark.
    const auto month = ChildGroup(ChildGroup(modified.get(), YearName(entry.year)).get(),
                                  MonthName(entry.month));
    ASSERT_NE(month, nullptr);
    ASSERT_EQ(KDUIController::GetNodeChildrenCnt(month.get()), 1u);
    EXPECT_EQ(KDUIController::GetNodeState(month.get()),
              pictures.count(FindFound(files, entry)) ? CHECKED_STATUS_CHECKED : CHECKED_STATUS_UNCHECKED);
  }
  EXPECT_EQ(KDUIController::KDCleanOpNodeSate(), 1);
  for (const auto& root : roots) EXPECT_EQ(KDUIController::GetNodeState(root.get()), CHECKED_STATUS_UNCHECKED);
  KDUIController::UnselectedAllNodes();

  // A search: the name after the shown tree, then "DoSearchFinished"; a second one is refused meanwhile.
  KDUIController::SetViewType(NODE_TREE_PATH);
  // A deleted entry has lost its first letter: "?LD.TXT" of old.txt.
  {
    // Held, so the second one is asked for while the first is surely still going.
    HeldWorkers held(bridge::FacadeStart::kSearch);
    ASSERT_TRUE(KDUIController::DoSearchWithString("ld.t", "SearchName"));
    held.WaitUntilHeld();
    EXPECT_FALSE(KDUIController::DoSearchWithString("one", "SearchName"));
    held.Release();
    trees.WaitForSearch();
  }
  EXPECT_EQ(KDUIController::GetSearchString(), "ld.t");
  auto names = scope_.poster().Names();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()),
            (std::vector<std::string>{"SearchName", ResultTrees::kSearchFinishedNotification}));
  std::size_t shown = 0;
  for (const auto& e : trees.PathTail(0).entries) shown += trees.ChildFiles(e.id).size();
  EXPECT_EQ(shown, 1u);
  EXPECT_EQ(KDUIController::GetSearchResultToArr().size(), 1u);
  // The type and date trees narrow to the same hit.
  std::vector<ScanManifestEntry> hits;
  for (const auto& entry : deleted)
    if (entry.path.find("old.txt") != std::string::npos) hits.push_back(entry);
  ASSERT_EQ(hits.size(), 1u);
  ASSERT_NO_FATAL_FAILURE(ExpectGroupTrees(hits, files));
  // Cleared, an empty key shows everything again.
  KDUIController::StopSearch();
  ASSERT_TRUE(KDUIController::DoSearchWithString("", "SearchName"));
  trees.WaitForSearch();
  KDUIController::StopSearch();
  EXPECT_TRUE(KDUIController::GetSearchResultToArr().empty()) << "no key, no search results";
  ASSERT_NO_FATAL_FAILURE(ExpectGroupTrees(deleted, files));

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

// A saved scan restored through the facade: nothing else starts while it runs, and the type and date trees are
// emptied first and refilled with the restored files alone.
TEST_F(KDUIControllerTest, ARestoreRefillsTheTypeAndDateTreesAndNothingStartsMeanwhile) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  KDUIController::initFileType();
  const std::shared_ptr<DiskVolumeNodeData> item = FirstVolumeItem();
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(KDUIController::DoScanWithData(item.get(), "ScanName"));
  KDUIController::WaitForOperations();
  const std::vector<ScanManifestEntry> deleted = Deleted(images);
  ASSERT_NO_FATAL_FAILURE(ExpectGroupTrees(deleted, FilesByPath(KDUIScan::instance())));

  const TempDir dir;
  const std::string path = (dir.path() / "scan.rsf").string();
  KDSaveAndRestoreNodeOperate* saver = KDSaveAndRestoreNodeOperate::instance();
  ASSERT_EQ(KDUIController::beginSaveOrRestoreNode(true, path.c_str(), nullptr), 0);
  KDUIController::WaitForOperations();
  ASSERT_TRUE(saver->IsOperationExit());
  ASSERT_EQ(quellsy::ErrorOf(saver->GetProgressInfo().result), 0u);

  // While a save runs, neither a scan nor a restore nor a recovery starts.
  {
    HeldWorkers held(bridge::FacadeStart::kSave);
    ASSERT_EQ(KDUIController::beginSaveOrRestoreNode(true, (dir.path() / "again.rsf").c_str(), nullptr), 0);
    held.WaitUntilHeld();
    EXPECT_FALSE(KDUIController::DoScanWithData(item.get(), "ScanName"));
    EXPECT_EQ(KDUIController::beginSaveOrRestoreNode(false, path.c_str(), nullptr), KDScanResultEntry::kBusy);
    EXPECT_EQ(KDUIController::DoRecovery(dir.path().c_str(), "RecoveryProgress"), bridge::result::kSaveRunning);
  }
  EXPECT_EQ(ReadFile(dir.path() / "again.rsf"), ReadFile(path)) << "the same results saved twice";

  const Nodes createdBefore = KDUIController::KDGetTopNodes(NODE_TREE_CREATION_TIME);
  // The restore's first notification holds it running while the starts below are tried.
  HoldingPoster holding;
  bridge::SetMainThreadPoster(&holding);
  holding.Arm();
  {
    struct Release {
      HoldingPoster& poster;
      ~Release() {
        poster.Release();
        KDUIController::WaitForOperations();
      }
    } release{holding};
    ASSERT_EQ(KDUIController::beginSaveOrRestoreNode(false, path.c_str(), nullptr), 0);
    holding.WaitUntilHeld();
    // The restore runs as the scan: no scan, save, second restore or recovery starts until it has ended.
    EXPECT_TRUE(KDUIController::IsScanRunning());
    EXPECT_FALSE(KDUIController::DoScanWithData(item.get(), "ScanName"));
    EXPECT_FALSE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
    EXPECT_EQ(KDUIController::beginSaveOrRestoreNode(false, path.c_str(), nullptr), KDScanResultEntry::kBusy);
    EXPECT_EQ(KDUIController::beginSaveOrRestoreNode(true, path.c_str(), nullptr), KDScanResultEntry::kBusy);
    EXPECT_EQ(KDUIController::DoRecovery(dir.path().c_str(), "RecoveryProgress"), bridge::result::kRestoreRunning);
  }
  bridge::SetMainThreadPoster(&scope_.poster());
  EXPECT_FALSE(KDUIController::IsScanRunning());

  // Every file once, under the restored nodes: the scan's own entries were dropped before the refill.
  EXPECT_NE(KDUIController::KDGetTopNodes(NODE_TREE_CREATION_TIME), createdBefore);
  ASSERT_NO_FATAL_FAILURE(ExpectGroupTrees(deleted, FilesByPath(KDUIScan::instance())));
  const auto posted = holding.Recorded();
  ASSERT_FALSE(posted.empty());
  EXPECT_EQ(posted.back().notification.name, kUpdate) << "the restore's last pass is told to the windows";
  const std::thread::id gui = std::this_thread::get_id();
  for (const auto& p : posted) EXPECT_NE(p.thread, gui) << "the restore tells from its worker, for the GUI thread to deliver";

  // Once it has ended, a scan starts again.
  ASSERT_TRUE(KDUIController::DoScanWithData(item.get(), "ScanName"));
  KDUIController::WaitForOperations();
}

}  // namespace
}  // namespace quellsy::test
