// The facade's rule for what runs together, driven as the windows drive it: every start tried while each kind of
// work runs, held at a known point; a scan marked and searched from another thread while it runs; how a scan
// that could not scan says so; nodes of an earlier scan never acted on.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Bridge/BridgeResults.h"
#include "Bridge/KDScanResultEntry.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/OpNodeData.h"
#include "Bridge/ResultTrees.h"
#include "FacadeFixture.h"
#include "Utility/ResultMessage.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using bridge::FacadeStart;
using bridge::FacadeState;
using bridge::ResultTrees;
namespace result = bridge::result;

constexpr const char* kUpdate = KDUIScan::kScanValueNotification;

// What the windows can start, as the facade offers it (pause and resume are one button).
enum class Action { kScan, kPauseOrResume, kSearch, kRecovery, kSave, kRestore };
constexpr Action kActions[] = {Action::kScan,     Action::kPauseOrResume, Action::kSearch,
                               Action::kRecovery, Action::kSave,          Action::kRestore};
constexpr const char* kActionNames[] = {"scan", "pause or resume", "search", "recovery", "save", "restore"};

// The check mark a folder's children add up to, worked out again from its shown children.
int MarkFromChildren(IFileNode* folder) {
  int sum = 0;
  int shown = 0;
  for (IFileNode* child = folder->GetFirstChild(); child; child = child->GetNextNode()) {
    if (!child->IsNodeShow()) continue;
    ++shown;
    sum += child->GetCheckedStatus();
  }
  if (sum == 0) return CHECKED_STATUS_UNCHECKED;
  return sum == 2 * shown ? CHECKED_STATUS_CHECKED : CHECKED_STATUS_PARTIAL;
}

class KDUIControllerStates : public FacadeFixture {
 protected:
  void SetUp() override {
    FacadeFixture::SetUp();
    images_ = ScanImages::Get();
    QUELLSY_REQUIRE_FIXTURE(images_->Fixture());
    UseDisks({images_->FatVolumeDisk(FILE_SYSTEM_FAT16)});
    KDUIController::initFileType();
  }

  // Results to save, recover and search, and a saved scan to restore.
  void ScanAndSave() {
    ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
    KDUIController::WaitForOperations();
    ASSERT_EQ(KDUIController::beginSaveOrRestoreNode(true, Saved().c_str(), nullptr), 0);
    KDUIController::WaitForOperations();
    ASSERT_EQ(KDUIController::GetOperationState(), FacadeState::kIdle);
  }

  std::string Saved() const { return (dir_.path() / "saved.rsf").string(); }

  // Starts action; whether the facade took it.
  bool Try(Action action) {
    switch (action) {
      case Action::kScan: return KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName");
      case Action::kPauseOrResume:
        KDUIController::PauseOrResumeScan();
        return KDUIController::GetLastStartResult() == kResultOk;
      case Action::kSearch: return KDUIController::DoSearchWithString("", "SearchName");
      case Action::kRecovery:
        return KDUIController::DoRecovery(dest_.path().c_str(), "RecoveryProgress") == kResultOk;
      case Action::kSave:
        return KDUIController::beginSaveOrRestoreNode(true, (dir_.path() / "again.rsf").c_str(), nullptr) == 0;
      case Action::kRestore: return KDUIController::beginSaveOrRestoreNode(false, Saved().c_str(), nullptr) == 0;
    }
    return false;
  }

  // Brings state about, its worker held at the gate before its work.
  void Enter(FacadeState state) {
    const auto hold = [this](FacadeStart start, Action action) {
      held_ = std::make_unique<HeldWorkers>(start);
      ASSERT_TRUE(Try(action));
      held_->WaitUntilHeld();
    };
    switch (state) {
      case FacadeState::kIdle: break;
      case FacadeState::kScanning: hold(FacadeStart::kScan, Action::kScan); break;
      case FacadeState::kPaused:
        hold(FacadeStart::kScan, Action::kScan);
        ASSERT_TRUE(Try(Action::kPauseOrResume));
        break;
      case FacadeState::kSearching: hold(FacadeStart::kSearch, Action::kSearch); break;
      case FacadeState::kRecovering: hold(FacadeStart::kRecovery, Action::kRecovery); break;
      case FacadeState::kSaving: hold(FacadeStart::kSave, Action::kSave); break;
      case FacadeState::kRestoring: hold(FacadeStart::kRestore, Action::kRestore); break;
    }
    ASSERT_EQ(KDUIController::GetOperationState(), state);
  }

  // Lets everything go and waits until nothing runs.
  void Leave() {
    if (held_) held_->Release();
    ResultTrees::Instance().WaitForSearch();
    // A scan left paused (under a search that has ended now) is resumed, or it never ends.
    if (KDUIController::GetOperationState() == FacadeState::kPaused) KDUIController::PauseOrResumeScan();
    held_.reset();
    KDUIController::WaitForOperations();
    ASSERT_EQ(KDUIController::GetOperationState(), FacadeState::kIdle);
  }

  const ScanImages* images_ = nullptr;
  TempDir dir_;
  TempDir dest_;
  std::unique_ptr<HeldWorkers> held_;
};

// The rule as the windows meet it: each start while each kind of work runs. A refusal answers the state's code,
// its words, and leaves the running work and the results as they were; an allowed start runs.
TEST_F(KDUIControllerStates, EveryStartWhileEachKindOfWorkRuns) {
  ASSERT_NO_FATAL_FAILURE(ScanAndSave());
  constexpr ResultCode ok = kResultOk;
  struct Row {
    FacadeState running;
    ResultCode verdicts[6];  // scan, pause or resume, search, recovery, save, restore
  };
  const auto alone = [](FacadeState state, ResultCode refusal) {
    return Row{state, {refusal, refusal, refusal, refusal, refusal, refusal}};
  };
  const Row rows[] = {
      {FacadeState::kIdle, {ok, result::kNoScanRunning, ok, ok, ok, ok}},
      {FacadeState::kScanning,
       {result::kScanRunning, ok, result::kScanRunning, result::kScanRunning, result::kScanRunning,
        result::kScanRunning}},
      {FacadeState::kPaused,
       {result::kScanPaused, ok, ok, result::kScanPaused, result::kScanPaused, result::kScanPaused}},
      alone(FacadeState::kSearching, result::kSearchRunning),
      alone(FacadeState::kRecovering, result::kRecoveryRunning),
      alone(FacadeState::kSaving, result::kSaveRunning),
      alone(FacadeState::kRestoring, result::kRestoreRunning),
  };
  for (const Row& row : rows) {
    for (std::size_t b = 0; b < std::size(kActions); ++b) {
      SCOPED_TRACE(std::string(bridge::FacadeStateName(row.running)) + " + " + kActionNames[b]);
      ASSERT_NO_FATAL_FAILURE(Enter(row.running));
      const std::uint64_t scan = KDUIController::GetScanGeneration();
      const bool taken = Try(kActions[b]);
      std::string reason;
      const ResultCode answer = KDUIController::GetLastStartResult(&reason);
      EXPECT_EQ(answer, row.verdicts[b]);
      EXPECT_EQ(taken, row.verdicts[b] == ok);
      if (answer != ok) {
        EXPECT_EQ(reason, DescribeResult(answer));
        EXPECT_EQ(KDUIController::GetOperationState(), row.running) << "a refused start changed the state";
        EXPECT_EQ(KDUIController::GetScanGeneration(), scan) << "a refused start replaced the results";
      } else if (kActions[b] == Action::kPauseOrResume) {
        // The held worker keeps the scan running: the state is the toggled one.
        EXPECT_EQ(KDUIController::GetOperationState(),
                  row.running == FacadeState::kScanning ? FacadeState::kPaused : FacadeState::kScanning);
      }
      ASSERT_NO_FATAL_FAILURE(Leave());
    }
  }
}

// A complete scan of a real image while another thread does what a person does meanwhile: checks and unchecks
// groups and listed files, reads counts and snapshots, and pauses to search. Under ThreadSanitizer this is the
// proof that the node state has one lock; afterwards every folder's mark still adds up from its children.
TEST_F(KDUIControllerStates, MarksAndSearchesWhileACompleteScanRuns) {
  ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 1, "ScanName"));
  std::atomic<bool> over{false};
  std::atomic<int> searches{0};
  std::thread person([&] {
    constexpr int kAtLeast = 4;  // a search in the last round at the latest
    for (int round = 1; !over || round <= kAtLeast; ++round) {
      const int mark = round % 2 ? CHECKED_STATUS_CHECKED : CHECKED_STATUS_UNCHECKED;
      for (const auto& root : KDUIController::KDGetTopNodes(NODE_TREE_FILE_TYPE)) {
        KDUIController::KDSetNodeState(root.get(), mark);
        for (const auto& extension : KDUIController::GetChildGroups(root.get())) {
          KDUIController::GetNodeChildrenCnt(extension.get());
          std::uint64_t scan = 0;
          const auto files = KDUIController::GetFileNodeToArray(extension.get(), &scan);
          KDUIController::GetNodeViews(files, scan);
        }
      }
      KDUIController::KDTableViewCellCilck();
      KDUIController::RefreshTypeTreeState(nullptr);
      KDUIController::RefreshTimeTreeState(NODE_TREE_MODIFICATION_TIME, 0);
      ResultTrees& trees = ResultTrees::Instance();
      const auto tail = trees.PathTail(0);
      for (const auto& entry : tail.entries) {
        const auto files = trees.ChildFiles(entry.id);
        for (IFileNode* file : files) KDUIController::KDSetFileNodeState(file, tail.scan, round % 3 ? 2 : 0);
        KDUIController::GetNodeViews(files, tail.scan);
      }
      std::uint64_t size = 0;
      KDUIController::GetSelectedFilesAndSize(size);
      if (round % 4 != 0) continue;
      // Pause, search what was found so far, clear the search, resume: both searches run beside the scan's worker.
      KDUIController::PauseOrResumeScan();
      const bool paused = KDUIController::GetLastStartResult() == kResultOk;
      for (const char* key : {"jpg", ""}) {
        if (!KDUIController::DoSearchWithString(key, "SearchName")) continue;
        ++searches;
        trees.WaitForSearch();
      }
      if (paused) KDUIController::PauseOrResumeScan();
    }
  });
  // The scan's worker ends (the person resumes whatever they paused).
  while (KDUIController::GetOperationState() != FacadeState::kIdle || KDUIController::IsScanRunning())
    KDUIController::WaitForOperations();
  over = true;
  person.join();
  KDUIController::WaitForOperations();
  EXPECT_EQ(KDUIController::GetLastScanResult(), kResultOk);
  EXPECT_GT(searches.load(), 0);

  // Every file shown again; then every folder's mark adds up from its children.
  ASSERT_TRUE(KDUIController::DoSearchWithString("", "SearchName"));
  KDUIController::WaitForOperations();
  const auto tail = ResultTrees::Instance().PathTail(0);
  ASSERT_FALSE(tail.entries.empty());
  for (const auto& entry : tail.entries) {
    SCOPED_TRACE(KDUIPublic::GetPathByFileNode(entry.node));
    EXPECT_EQ(entry.node->GetCheckedStatus(), MarkFromChildren(entry.node));
  }
  // Unchecked, nothing is selected; the pictures group checked, exactly its files are.
  KDUIController::UnselectedAllNodes();
  std::uint64_t size = 0;
  EXPECT_TRUE(KDUIController::GetSelectedFilesAndSize(size).empty());
  const auto roots = KDUIController::KDGetTopNodes(NODE_TREE_FILE_TYPE);
  ASSERT_EQ(roots.size(), 7u);
  KDUIController::KDSetNodeState(roots[1].get(), CHECKED_STATUS_CHECKED);
  std::set<IFileNode*> pictures;
  for (const auto& extension : KDUIController::GetChildGroups(roots[1].get()))
    for (IFileNode* file : KDUIController::GetFileNodeToArray(extension.get())) pictures.insert(file);
  ASSERT_FALSE(pictures.empty()) << "the image holds JPEG files";
  const auto selected = KDUIController::GetSelectedFilesAndSize(size);
  EXPECT_EQ(std::set<IFileNode*>(selected.begin(), selected.end()), pictures);
}

// A scan that could not scan says why, naming the device, through the facade and in its last notification; a
// scan that could says nothing went wrong.
TEST_F(KDUIControllerStates, AScanThatCannotOpenItsDeviceSaysWhy) {
  FakeDisk locked = images_->FatVolumeDisk(FILE_SYSTEM_FAT16);
  locked.volumes[0].locked = true;
  UseDisks({locked});
  ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  KDUIController::WaitForOperations();
  std::string reason;
  // Bridge module 0x06, return point 14, "permission denied" 0xE03.
  EXPECT_EQ(KDUIController::GetLastScanResult(&reason), 0x0106000e00000e03ULL);
  EXPECT_EQ(reason, "cannot open SCANVOL: permission denied (0x0106000e00000e03)");
  EXPECT_EQ(KDUIScan::instance()->GetScanFileCnt(), 0u);
  const auto posted = scope_.poster().Recorded();
  ASSERT_FALSE(posted.empty());
  const bridge::Notification& last = posted.back().notification;
  EXPECT_EQ(last.name, kUpdate);
  EXPECT_EQ(last.info.at(KDUIController::kScanResultKey), "0x0106000e00000e03");
  EXPECT_EQ(last.info.at(KDUIController::kScanReasonKey), reason);
  EXPECT_EQ(last.info.at(KDUIController::kScanGenerationKey), std::to_string(KDUIController::GetScanGeneration()));

  UseDisks({images_->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  KDUIController::WaitForOperations();
  EXPECT_EQ(KDUIController::GetLastScanResult(&reason), kResultOk);
  EXPECT_EQ(reason, "");
  EXPECT_GT(KDUIScan::instance()->GetScanFileCnt(), 0u);
  const bridge::Notification good = scope_.poster().Recorded().back().notification;
  EXPECT_EQ(good.info.at(KDUIController::kScanResultKey), "0x0000000000000000");
  EXPECT_EQ(good.info.at(KDUIController::kScanReasonKey), "");
}

// Groups, files and snapshots a window still holds from an earlier scan: the facade answers nothing for them
// and changes nothing through them, although their found nodes are gone (AddressSanitizer would see a touch).
TEST_F(KDUIControllerStates, NodesOfAnEarlierScanAreNeverActedOn) {
  ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  KDUIController::WaitForOperations();
  const std::uint64_t first = KDUIController::GetScanGeneration();
  const auto pictures = KDUIController::KDGetTopNodes(NODE_TREE_FILE_TYPE)[1];
  const auto groups = KDUIController::GetChildGroups(pictures.get());
  ASSERT_EQ(groups.size(), 1u);
  const std::shared_ptr<OpNodeData> jpg = groups[0];
  EXPECT_EQ(jpg->scan(), first);
  std::uint64_t listedFor = 0;
  const std::vector<IFileNode*> files = KDUIController::GetFileNodeToArray(jpg.get(), &listedFor);
  EXPECT_EQ(listedFor, first);
  // The deleted picture of the manifest, as the snapshot shows it.
  std::vector<ScanManifestEntry> deletedPictures;
  for (const auto& entry : images_->FatManifest())
    if (entry.deleted && entry.path.ends_with(".jpg")) deletedPictures.push_back(entry);
  ASSERT_EQ(deletedPictures.size(), 1u);
  const auto views = KDUIController::GetNodeViews(files, first);
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].size, deletedPictures[0].size);
  EXPECT_TRUE(views[0].deleted);
  EXPECT_EQ(views[0].name.substr(1), "one.jpg");  // a deleted entry has lost its first letter
  EXPECT_EQ(views[0].scan, first);
  const auto year = KDUIController::GetChildGroups(KDUIController::KDGetTopNodes(NODE_TREE_MODIFICATION_TIME)[0].get());
  ASSERT_FALSE(year.empty());

  ASSERT_TRUE(KDUIController::DoScanWithDiskIndex(0, 0, 0, "ScanName"));
  KDUIController::WaitForOperations();
  EXPECT_EQ(KDUIController::GetScanGeneration(), first + 1);
  EXPECT_TRUE(KDUIController::GetFileNodeToArray(jpg.get()).empty());
  EXPECT_EQ(KDUIController::GetNodeChildrenCnt(jpg.get()), 0u);
  EXPECT_TRUE(KDUIController::GetChildGroups(year[0].get()).empty());
  KDUIController::KDSetNodeState(jpg.get(), CHECKED_STATUS_CHECKED);
  EXPECT_EQ(KDUIController::GetNodeState(jpg.get()), CHECKED_STATUS_UNCHECKED);
  EXPECT_TRUE(KDUIController::GetNodeViews(files, first).empty());
  EXPECT_EQ(KDUIController::KDSetFileNodeState(files[0], first, CHECKED_STATUS_CHECKED), result::kStaleNode);
  std::uint64_t size = 0;
  EXPECT_TRUE(KDUIController::GetSelectedFilesAndSize(size).empty()) << "an old node's click reached the new scan";
  // The groups of the new scan carry its number; the type roots, which outlive scans, still answer.
  const auto fresh = KDUIController::GetChildGroups(pictures.get());
  ASSERT_EQ(fresh.size(), 1u);
  EXPECT_NE(fresh[0], jpg);
  EXPECT_EQ(fresh[0]->scan(), first + 1);
  EXPECT_EQ(ResultTrees::Instance().PathTail(0).scan, first + 1);
  KDUIController::KDSetNodeState(fresh[0].get(), CHECKED_STATUS_CHECKED);
  EXPECT_EQ(KDUIController::GetSelectedFilesAndSize(size).size(), 1u);
}

}  // namespace
}  // namespace quellsy::test
