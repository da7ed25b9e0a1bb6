// The scripted backend as the window tests and the gallery use it: a device list, a scan that grows the result
// trees step by step (also to thousands of nodes), pause and stop, a search and the rebuild after it, a
// recovery with a short write, save and restore with their progress, found files' images and media coming and
// going; each announced through the GUI thread like the bridge's notifications.

#include <QObject>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <map>
#include <set>

#include "Bridge/BridgeServices.h"
#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDScanResultEntry.h"
#include "Bridge/KDUIController.h"
#include "Bridge/NotificationCenter.h"
#include "Bridge/OpNodeData.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/GuiThreadPoster.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {
namespace {

class ScriptedBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bridge::SetMainThreadPoster(&poster_);
    bridge::SetTranslator(&Texts::Instance());
    ObserveNotification(&window_, "", [this](const bridge::Notification& notification) {
      names_.push_back(notification.name);
      if (!notification.items.empty()) items_.push_back(notification.items.front());
      if (!notification.info.empty()) items_.push_back(notification.info);
    });
  }
  void TearDown() override {
    bridge::SetMainThreadPoster(nullptr);
    bridge::SetTranslator(nullptr);
  }
  // Waits until count notifications arrived in all.
  void WaitFor(std::size_t count) { ASSERT_TRUE(QTest::qWaitFor([&] { return names_.size() >= count; })); }
  std::shared_ptr<DiskVolumeNodeData> Volume(std::size_t disk, std::size_t volume) {
    return backend_.GetDeviceInfoToArray()[disk]->childAtIndex(volume);
  }
  // Every file the path tree lists, folder by folder.
  std::vector<IFileNode*> PathFiles() {
    std::vector<IFileNode*> files;
    const auto tail = backend_.PathTail(0);
    for (const auto& entry : tail.entries) {
      const auto inside = backend_.PathChildFiles(entry.id);
      files.insert(files.end(), inside.begin(), inside.end());
    }
    return files;
  }
  std::size_t TypeTreeFiles() {
    std::size_t sum = 0;
    for (const auto& group : backend_.KDGetTopNodes(NODE_TREE_FILE_TYPE)) sum += backend_.GetNodeChildrenCnt(group.get());
    return sum;
  }

  GuiThreadPoster poster_;
  QObject window_;
  std::vector<std::string> names_;
  std::vector<bridge::NotificationInfo> items_;
  ScriptedBackend backend_;
};

TEST_F(ScriptedBackendTest, TheDeviceListAndImagesOpened) {
  backend_.NotifiyDeviceInfoAfterInit("aInitFinished");
  WaitFor(1);
  EXPECT_EQ(names_, std::vector<std::string>{"aInitFinished"});
  auto items = backend_.GetDeviceInfoToArray();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0]->name(), "APPLE SSD AP0512");
  ASSERT_EQ(items[0]->numberOfChildren(), 2u);
  EXPECT_EQ(items[0]->childAtIndex(0)->name(), "System disk");
  EXPECT_EQ(items[0]->childAtIndex(0)->fileSystem(), 9);
  EXPECT_EQ(items[0]->childAtIndex(1)->volumeIndex(), 1);
  EXPECT_TRUE(items[0]->isSSD());
  EXPECT_TRUE(items[1]->isUSB());
  EXPECT_TRUE(items[2]->isQim());
  EXPECT_EQ(items[2]->diskIndex(), 2);

  EXPECT_EQ(backend_.KDOpenDmgFile("/home/u/backup.dmg"), 1);
  items = backend_.GetDeviceInfoToArray();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[3]->name(), "backup.dmg");
  EXPECT_TRUE(items[3]->isAppleDmg());
  backend_.Failures().openImageResult = 0;
  EXPECT_EQ(backend_.KDOpenDmgFile("/home/u/encrypted.dmg"), 0);
  EXPECT_EQ(backend_.GetDeviceInfoToArray().size(), 4u);

  backend_.AttachMedium("STICK", "/media/u/STICK", 16000000000, false);
  backend_.DetachMedium("/dev/sdc");
  WaitFor(3);
  EXPECT_EQ(names_[1], "RefreshAttachDevice");
  EXPECT_EQ(items_[0].at("VolumePath"), "/media/u/STICK");
  EXPECT_EQ(names_[2], "RefreshDetachDevice");
  EXPECT_EQ(items_[1].at("USBPath"), "/dev/sdc");
}

TEST_F(ScriptedBackendTest, AScanGrowsTheTreesOneStepAtATime) {
  ScriptedResultShape shape;
  shape.topFolders = 2;
  shape.depth = 1;
  shape.foldersPerFolder = 2;
  shape.filesPerFolder = 3;
  backend_.SetResultShape(shape);
  backend_.SetScanSteps(ScriptedBackend::EvenSteps(4));
  double percent = -1;
  std::uint64_t files = 99;
  EXPECT_EQ(backend_.GetScanProgress(percent, files), KDUIController::kNoEstimate);

  ASSERT_TRUE(backend_.DoScanWithData(Volume(1, 0).get(), "ignored"));
  EXPECT_TRUE(backend_.IsScanRunning());
  EXPECT_FALSE(backend_.DoDeepScanWithData(Volume(1, 0).get(), "")) << "one scan at a time";
  ASSERT_TRUE(backend_.Step());
  const std::size_t firstLook = backend_.PathTail(0).entries.size();
  EXPECT_EQ(backend_.GetScanProgress(percent, files), "00:01:51");
  EXPECT_EQ(percent, 25);
  EXPECT_GT(firstLook, 0u);

  // Paused: no step; resumed: on to the end.
  backend_.PauseOrResumeScan();
  EXPECT_TRUE(backend_.IsPause());
  EXPECT_FALSE(backend_.Step());
  backend_.PauseOrResumeScan();
  EXPECT_EQ(backend_.RunToEnd(), 3);
  EXPECT_FALSE(backend_.IsScanRunning());
  WaitFor(4);
  EXPECT_EQ(names_, std::vector<std::string>(4, "NormalScranValue"));

  // 2 top folders with 2 below each: 6 folders and the volume; 3 files in each folder.
  const auto tail = backend_.PathTail(0);
  ASSERT_EQ(tail.entries.size(), 7u);
  EXPECT_EQ(backend_.PathTail(firstLook).entries.size(), 7u - firstLook);
  EXPECT_EQ(backend_.PathTail(firstLook).generation, tail.generation);
  EXPECT_EQ(tail.entries[0].root, 1);
  EXPECT_EQ(tail.entries[0].node->GetFileName(), std::string("UNTITLED"));
  for (std::size_t id = 1; id < tail.entries.size(); ++id) EXPECT_LT(tail.entries[id].parent, id);
  EXPECT_EQ(backend_.PathChildrenCount(0), 4u);  // the two top folders hold two each
  EXPECT_EQ(PathFiles().size(), 18u);
  std::uint64_t size = 0;
  std::uint64_t count = 0;
  backend_.GetScanFileSize(size, count);
  EXPECT_EQ(count, 18u);
  EXPECT_EQ(backend_.GetScanProgress(percent, files), "00:00:00");
  EXPECT_EQ(percent, 100);
  EXPECT_EQ(files, 18u);
  EXPECT_EQ(TypeTreeFiles(), 18u);
  EXPECT_EQ(backend_.GetNodeChildrenCnt(backend_.KDGetTopNodes(NODE_TREE_CREATION_TIME)[0].get()), 18u);
  EXPECT_EQ(backend_.GetNodeChildrenCnt(backend_.KDGetTopNodes(NODE_TREE_MODIFICATION_TIME)[0].get()), 18u);

  // A stop request ends a running scan at its next step.
  ASSERT_TRUE(backend_.DoDeepScan(""));
  EXPECT_TRUE(backend_.IsDeepScan());
  backend_.StopScan(1);
  EXPECT_TRUE(backend_.IsScanRunning());
  EXPECT_EQ(backend_.RunToEnd(), 1);
  EXPECT_FALSE(backend_.IsScanRunning());
}

TEST_F(ScriptedBackendTest, ThousandsOfNodesStayConsistentAndCheckMarksReachTheRecovery) {
  ScriptedResultShape shape;
  shape.topFolders = 6;
  shape.depth = 3;
  shape.foldersPerFolder = 3;
  shape.filesPerFolder = 20;
  backend_.SetResultShape(shape);
  ASSERT_TRUE(backend_.DoScanWithData(Volume(0, 0).get(), ""));
  backend_.RunToEnd();
  // 1 + 3 + 9 + 27 folders under each of 6 tops: 240 folders and the volume; 20 files in each folder.
  const auto tail = backend_.PathTail(0);
  ASSERT_EQ(tail.entries.size(), 241u);
  std::set<const IFileNode*> seen;
  for (const auto& entry : tail.entries) {
    EXPECT_TRUE(seen.insert(entry.node).second);
    if (entry.root) continue;
    EXPECT_EQ(tail.entries[entry.parent].node, entry.node->GetParent());
  }
  const auto files = PathFiles();
  ASSERT_EQ(files.size(), 4800u);
  EXPECT_EQ(TypeTreeFiles(), 4800u);

  // Check the picture group: its files, and only they, are what a recovery would copy.
  std::size_t photos = 0;
  std::uint64_t photoBytes = 0;
  for (IFileNode* file : files) {
    if (std::string(file->GetFileName()).rfind("Photo ", 0) != 0) continue;
    ++photos;
    photoBytes += static_cast<std::uint64_t>(file->GetFileSize());
  }
  const auto groups = backend_.KDGetTopNodes(NODE_TREE_FILE_TYPE);
  ASSERT_EQ(groups.size(), 7u);
  EXPECT_EQ(groups[1]->name(), "Pictures");
  backend_.KDSetNodeState(groups[1].get(), 2);
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  backend_.GetSelectedFilesAmout(count, size);
  EXPECT_EQ(count, photos);
  EXPECT_EQ(size, photoBytes);
  backend_.UnselectedAllNodes();
  backend_.GetSelectedFilesAmout(count, size);
  EXPECT_EQ(count, 0u);
}

TEST_F(ScriptedBackendTest, ASearchShowsItsHitsAndTheRebuildBringsEverythingBack) {
  ScriptedResultShape shape;
  shape.topFolders = 2;
  shape.filesPerFolder = 14;
  backend_.SetResultShape(shape);
  ASSERT_TRUE(backend_.DoScanWithData(Volume(0, 0).get(), ""));
  backend_.RunToEnd();
  const std::size_t all = PathFiles().size();
  ASSERT_TRUE(backend_.DoSearchWithString("photo 1", "DoSearchValue"));
  EXPECT_FALSE(backend_.DoSearchWithString("clip", "DoSearchValue")) << "one search at a time";
  EXPECT_TRUE(backend_.KDGetIsSearching());
  const std::size_t before = names_.size();
  WaitFor(before + 2);
  EXPECT_EQ((std::vector<std::string>(names_.end() - 2, names_.end())),
            (std::vector<std::string>{"DoSearchValue", "DoSearchFinished"}));
  const auto hits = PathFiles();
  ASSERT_FALSE(hits.empty());
  for (IFileNode* hit : hits) EXPECT_EQ(std::string(hit->GetFileName()).rfind("Photo 1", 0), 0u) << hit->GetFileName();
  EXPECT_EQ(backend_.GetSearchResultToArr().size(), hits.size());
  EXPECT_EQ(TypeTreeFiles(), hits.size());

  backend_.StopSearch();
  EXPECT_FALSE(backend_.KDGetIsSearching());
  ASSERT_TRUE(backend_.DoSearchWithString("", "DoSearchValue"));
  backend_.StopSearch();
  const auto rebuilt = backend_.GetScanTreeNodeData(true);
  EXPECT_EQ(rebuilt.generation, backend_.PathTail(0).generation);
  EXPECT_EQ(PathFiles().size(), all);
}

TEST_F(ScriptedBackendTest, ARecoveryPausesAtAShortWriteAndGoesOnWhenResumed) {
  ScriptedResultShape shape;
  shape.topFolders = 1;
  shape.depth = 0;
  shape.filesPerFolder = 10;
  backend_.SetResultShape(shape);
  ASSERT_TRUE(backend_.DoScanWithData(Volume(0, 0).get(), ""));
  backend_.RunToEnd();
  for (const auto& group : backend_.KDGetTopNodes(NODE_TREE_FILE_TYPE)) backend_.KDSetNodeState(group.get(), 2);
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  backend_.GetSelectedFilesAmout(count, size);
  ASSERT_EQ(count, 10u);

  backend_.Failures().refuseRecovery = true;
  EXPECT_EQ(backend_.DoRecovery("/tmp/out", "DoRecovery"), KDUIController::kRecoveryRefused);
  backend_.Failures().refuseRecovery = false;
  backend_.Failures().shortWriteAtRecoveryStep = 1;
  backend_.SetRecoverySteps(5);
  ASSERT_EQ(backend_.DoRecovery("/tmp/out", "DoRecovery"), kResultOk);
  ASSERT_TRUE(backend_.Step());
  std::uint64_t total = 0;
  std::uint64_t current = 0;
  ResultCode code = 1;
  EXPECT_EQ(backend_.GetRecoveryProgressTotal(total, current, code).rfind("Photo 2.", 0), 0u);  // two of ten
  EXPECT_EQ(code, kResultOk);
  ASSERT_TRUE(backend_.Step());  // the short write
  backend_.GetRecoveryProgressTotal(total, current, code);
  EXPECT_EQ(code & 0xFFFFFFFFu, 0xD03u);
  EXPECT_NE(code >> 56, 0u);
  EXPECT_TRUE(backend_.IsRecoveryRunning());
  EXPECT_FALSE(backend_.Step()) << "paused until the window resumes";
  backend_.PauseOrResumeRecovery();
  backend_.RunToEnd();
  EXPECT_FALSE(backend_.IsRecoveryRunning());
  backend_.GetRecoveryProgressTotal(total, current, code);
  EXPECT_EQ(code, kResultOk);
  EXPECT_EQ(total, size);
  EXPECT_EQ(current, size);
  EXPECT_EQ(backend_.GetRecoveridedFiles(), 10u);
  // The window hears of each step and of the end.
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::count(names_.begin(), names_.end(), "DoRecovery") >= 7; }));
}

TEST_F(ScriptedBackendTest, SaveAndRestoreReportProgressThenFinish) {
  backend_.SetSaveSteps(3);
  backend_.RestorPostUIUpdate("QueryProgressInfo", true);
  ASSERT_EQ(backend_.beginSaveOrRestoreNode(true, "/tmp/scan.Vortrane", ""), 0);
  EXPECT_EQ(backend_.beginSaveOrRestoreNode(true, "/tmp/other.Vortrane", ""), KDScanResultEntry::kBusy);
  EXPECT_EQ(backend_.RunToEnd(), 4);
  WaitFor(4);
  EXPECT_EQ(names_, (std::vector<std::string>{"QueryProgressInfo", "QueryProgressInfo", "QueryProgressInfo",
                                              "QueryProgressFinish"}));
  std::uint64_t total = 0;
  std::uint64_t current = 0;
  std::uint64_t code = 1;
  backend_.GetSaveorRestoreProgress(total, current, code, true);
  EXPECT_EQ(current, total);
  EXPECT_EQ(code, 0u);

  backend_.Failures().restoreError = 7;
  backend_.RestorPostUIUpdate("NormalScranValue", false);
  ASSERT_EQ(backend_.beginSaveOrRestoreNode(false, "/tmp/scan.Vortrane", ""), 0);
  EXPECT_TRUE(backend_.IsScanRunning());
  backend_.RunToEnd();
  backend_.GetSaveorRestoreProgress(total, current, code, false);
  EXPECT_EQ(code, 7u);
  EXPECT_FALSE(backend_.IsScanRunning());
  EXPECT_EQ(backend_.beginSaveOrRestoreNode(false, "", ""), -1);
}

TEST_F(ScriptedBackendTest, ImagesOfFoundFilesFromAnyThread) {
  ScriptedResultShape shape;
  shape.topFolders = 1;
  shape.depth = 0;
  shape.filesPerFolder = 7;
  backend_.SetResultShape(shape);
  ASSERT_TRUE(backend_.DoScanWithData(Volume(0, 0).get(), ""));
  backend_.RunToEnd();
  const auto files = PathFiles();
  ASSERT_EQ(files.size(), 7u);
  std::map<std::string, QSize> sizes;
  std::vector<std::future<std::pair<std::string, QSize>>> loaders;
  for (IFileNode* file : files)
    loaders.push_back(std::async(std::launch::async, [this, file] {
      return std::make_pair(std::string(file->GetFileName()), backend_.GetNSImageByFildNodeNSNumber(file).size());
    }));
  for (auto& loader : loaders) sizes.insert(loader.get());
  // A made-up photograph for pictures; the icon of a known type (documents are all known); nothing for a type
  // nobody knows.
  for (const auto& [name, size] : sizes) {
    if (name.rfind("Photo", 0) == 0)
      EXPECT_EQ(size, QSize(320, 240)) << name;
    else if (name.rfind("Report", 0) == 0)
      EXPECT_EQ(size, QSize(128, 128)) << name;
    else
      EXPECT_TRUE(size == QSize(128, 128) || size.isEmpty()) << name;
  }
  EXPECT_TRUE(backend_.GetNSImageByFildNodeNSNumber(nullptr).isNull());
  EXPECT_EQ(backend_.getImageForType("pdf").size(), QSize(32, 32));
  EXPECT_TRUE(backend_.getImageForType("qqqzzz").isNull());
}

}  // namespace
}  // namespace quellsy::ui
