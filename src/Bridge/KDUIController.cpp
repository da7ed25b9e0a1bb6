#include "Bridge/KDUIController.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <map>
#include <mutex>

#include "Bridge/CProgressNotify.h"
#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/GroupCheckState.h"
#include "Bridge/GroupTrees.h"
#include "Bridge/KDCPPPublic.h"
#include "Bridge/KDSaveAndRestoreNodeOperate.h"
#include "Bridge/KDScanResultEntry.h"
#include "Bridge/KDTimeMgr.h"
#include "Bridge/KDTypeMgr.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIFilter.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/OperationRunner.h"
#include "Bridge/ResultTrees.h"
#include "Bridge/SaveRestoreResult.h"
#include "RecoveryFilter/FileTypeManager.h"
#include "Utility/MessageCenter.h"

using quellsy::bridge::DateGroupTree;
using quellsy::bridge::OperationRunner;
using quellsy::bridge::ResultTrees;
using quellsy::bridge::TypeGroupTree;

namespace {

struct FacadeState {
  OperationRunner scan;
  OperationRunner recovery;
  // Held while a scan, recovery, save or restore is started, so that no two start together.
  std::mutex startLock;
  // A restore runs on the scan's worker.
  std::atomic<bool> restoring{false};
  std::mutex clockLock;
  std::function<std::int64_t()> clock;
};

FacadeState& State() {
  static FacadeState state;
  return state;
}

struct GroupTreeSet {
  TypeGroupTree types;
  DateGroupTree created{NODE_TREE_CREATION_TIME};
  DateGroupTree modified{NODE_TREE_MODIFICATION_TIME};
};

// Never destroyed: the result trees may drive them until the process ends.
GroupTreeSet& GroupTrees() {
  static GroupTreeSet* const trees = new GroupTreeSet;
  return *trees;
}

const DateGroupTree* DateTree(int kind) {
  if (kind == NODE_TREE_CREATION_TIME) return &GroupTrees().created;
  if (kind == NODE_TREE_MODIFICATION_TIME) return &GroupTrees().modified;
  return nullptr;
}

std::vector<std::shared_ptr<OpNodeData>> Groups(const OpNodeData& node) {
  std::vector<std::shared_ptr<OpNodeData>> groups;
  for (const OpNodeData::Child& child : node.children())
    if (const auto* group = std::get_if<std::shared_ptr<OpNodeData>>(&child)) groups.push_back(*group);
  return groups;
}

// A save runs, or a restore: the facade's own, or one started elsewhere (the scan operation running without a
// worker of the facade's).
bool SaveOrRestoreRuns(const FacadeState& state) {
  return !KDSaveAndRestoreNodeOperate::instance()->IsOperationExit() || state.restoring ||
         (!state.scan.Busy() && !KDUIScan::instance()->IsOperationExit());
}

bool SearchRuns() { return ResultTrees::Instance().SearchRunning(); }

std::int64_t NowSecond() {
  FacadeState& state = State();
  std::function<std::int64_t()> clock;
  {
    const std::lock_guard<std::mutex> hold(state.clockLock);
    clock = state.clock;
  }
  return clock ? clock() : static_cast<std::int64_t>(std::time(nullptr));
}

// The scan's worker: the message centre and the bad-sector receiver live as long as the scan.
void DoScanFn(IStorageDevice* storage) {
  KDUIScan* scan = KDUIScan::instance();
  ResultTrees::Instance().ClearGroups();
  CMessageCenter::Instance().StartReceiveMessage();
  {
    const CProgressNotify receiver;
    scan->DoScan(storage, nullptr);
    scan->ReCalTotalSize();
  }
  CMessageCenter::Instance().StopReceiveMessage();
  // However the scan ended, the windows see its last results and total.
  KDNotifyUIUpdateData(1);
}

}  // namespace

void KDNotifyUIUpdateData(int force) {
  KDUIScan* scan = KDUIScan::instance();
  if (!scan->IsOpTreeFinished()) return;
  ResultTrees& trees = ResultTrees::Instance();
  trees.BuildPass(*scan, force);
  if (trees.TakeUpdateTurn(force, force ? 0 : NowSecond())) KDUIPublic::NotifyMainThread(KDUIScan::kScanValueNotification);
}

void KDUIController::SetClockForTests(std::function<std::int64_t()> clock) {
  FacadeState& state = State();
  const std::lock_guard<std::mutex> hold(state.clockLock);
  state.clock = std::move(clock);
}

void KDUIController::ResetForTests() {
  WaitForOperations();
  ResultTrees::Instance().WaitForSearch();
  SetClockForTests(nullptr);
  // The group trees outlive the tests: they forget the files of this one's scans.
  ResultTrees::Instance().Read([] {
    GroupTreeSet& groups = GroupTrees();
    groups.types.Clear();
    groups.created.Clear();
    groups.modified.Clear();
  });
}

void KDUIController::WaitForOperations() {
  State().scan.Join();
  State().recovery.Join();
}

bool KDUIController::DoScanWithDiskIndex(int disk, int volume, int deep, const std::string& name) {
  KDUIScan* scan = KDUIScan::instance();
  FacadeState& state = State();
  const std::lock_guard<std::mutex> starting(state.startLock);
  OperationRunner& runner = state.scan;
  // A worker still winding down keeps the operation: a new start would revive it.
  if (runner.Busy()) return false;
  // A save reads the last results, a restore fills the trees, a search walks them: a scan would free them.
  if (SaveOrRestoreRuns(state) || SearchRuns()) return false;
  if (scan->GetStatus() == OPERATION_STATUS_STOP) scan->SetStatus(OPERATION_STATUS_IDLE);
  if (!scan->IsOperationExit()) return false;
  IStorageDevice* storage = KDUIDeviceData::instance()->GetStorageByDiskVolumeIndex(disk, volume);
  if (!storage) return false;
  scan->SetDeepScan(deep);
  ResultTrees::Instance().Reset();
  scan->ClearData();
  scan->SetUpdateNotifier(KDNotifyUIUpdateData);
  scan->SetStatus(OPERATION_STATUS_RUNNING);
  // The windows follow a scan through "NormalScranValue" and their timers: no poll, name is not posted.
  if (runner.DoOperation([storage] { DoScanFn(storage); }, scan, name, false)) return true;
  scan->SetStatus(OPERATION_STATUS_IDLE);
  return false;
}

bool KDUIController::DoScanWithData(const DiskVolumeNodeData* data, const std::string& name) {
  return data && DoScanWithDiskIndex(data->diskIndex(), data->volumeIndex(), 0, name);
}

bool KDUIController::DoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name) {
  return data && DoScanWithDiskIndex(data->diskIndex(), data->volumeIndex(), 1, name);
}

bool KDUIController::isQimDoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name) {
  return DoDeepScanWithData(data, name);
}

bool KDUIController::DoDeepScan(const std::string& name) {
  IStorageDevice* storage = KDUIScan::instance()->GetSavedStorage();
  int disk = -1;
  int volume = -1;
  if (!storage) return false;
  KDUIDeviceData::instance()->GetDiskVolumeIndexByStorage(storage, disk, volume);
  if (disk == -1) return false;
  return DoScanWithDiskIndex(disk, volume, 1, name);
}

void KDUIController::PauseOrResumeScan() { KDUIScan::instance()->PauseOrResumeOperation(); }

void KDUIController::StopScan(int noTree) { KDUIScan::instance()->StopOperation(noTree); }

void KDUIController::ResetShouldBuild() { KDUIScan::instance()->SetShouldBuildTree(1); }

bool KDUIController::IsScanRunning() {
  const int status = KDUIScan::instance()->GetStatus();
  return status == OPERATION_STATUS_RUNNING || status == OPERATION_STATUS_PAUSE || status == OPERATION_STATUS_STOP;
}

bool KDUIController::IsPause() { return KDUIScan::instance()->GetStatus() == OPERATION_STATUS_PAUSE; }

bool KDUIController::IsDeepScan() { return KDUIScan::instance()->IsDeepScan() != 0; }

void KDUIController::SetViewType(int type) { KDUIScan::instance()->SetScanType(type); }

std::string KDUIController::GetScanProgress(double& percent, std::uint64_t& files) {
  KDUIScan* scan = KDUIScan::instance();
  const _PROGRESS_INFO info = scan->GetProgressInfo();
  percent = static_cast<double>(info.current) * 100.0 / static_cast<double>(info.total == 0 ? 1 : info.total);
  files = scan->GetScanFileCnt();
  return RemainingTimeText(scan->GetScanElapseTime(), info.total, info.current);
}

std::string KDUIController::RemainingTimeText(std::int64_t elapsed, std::uint64_t total, std::uint64_t current) {
  const double percent = static_cast<double>(current) * 100.0 / static_cast<double>(total == 0 ? 1 : total);
  if (elapsed < 1 || current == 0 || percent < 1.0) return kNoEstimate;
  // In floating point: elapsed times the bytes left overflows 64 bits on large disks.
  const double left = current >= total ? 0.0 : static_cast<double>(total - current);
  const double estimate = static_cast<double>(elapsed) * left / static_cast<double>(current);
  // Held in 32 bits: even halved, the largest is far beyond the 100 hours shown.
  constexpr double kLimit = static_cast<double>(std::numeric_limits<std::int32_t>::max());
  std::int64_t remaining = static_cast<std::int64_t>(estimate >= kLimit ? kLimit : estimate);
  // Early rates run slow (caches, small files first): the raw figure overstates the time left.
  std::int64_t scaled = remaining;
  if (current < (total >> 2))
    scaled = static_cast<std::int64_t>(static_cast<double>(remaining) * 0.5);
  else if (current < (total >> 1))
    scaled = static_cast<std::int64_t>(static_cast<double>(remaining) * 0.7);
  if (scaled > 0) remaining = scaled;
  if (remaining / 3600 > 100) return kNoEstimate;
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(remaining / 3600),
                static_cast<int>(remaining / 60 % 60), static_cast<int>(remaining % 60));
  return text;
}

void KDUIController::GetScanFileSize(std::uint64_t& size, std::uint64_t& count) {
  KDUIScan* scan = KDUIScan::instance();
  size = scan->GetScanFileSize();
  count = scan->GetScanFileCnt();
}

void KDUIController::RefreshData() { KDUIScan::instance()->RefreshAllData(); }

void KDUIController::KDSetFlag(int flag) { ResultTrees::Instance().SetHoldBack(flag != 0); }

quellsy::bridge::PathTreeTail KDUIController::GetScanTreeNodeData(bool clearNodeState) {
  ResultTrees& trees = ResultTrees::Instance();
  trees.RebuildAll(*KDUIScan::instance(), clearNodeState);
  return trees.PathTail(0);
}

int KDUIController::GetCurrentScanRecoveryCnt() { return KDUIScan::instance()->GetCurrentScanRecoveryCnt(); }

bool KDUIController::KDGetIsSearching() { return KDUIScan::instance()->IsSearching() != 0; }

quellsy::ResultCode KDUIController::DoRecovery(const char* path, const std::string& name) {
  if (!path) return kRecoveryRefused;
  KDUIRecovery* recovery = KDUIRecovery::instance();
  FacadeState& state = State();
  const std::lock_guard<std::mutex> starting(state.startLock);
  OperationRunner& runner = state.recovery;
  if (runner.Busy() || !recovery->IsOperationExit() || SaveOrRestoreRuns(state)) return kRecoveryRefused;
  recovery->SetRecoveryPath((std::string(path) + "/").c_str());
  recovery->ClearCreateDirIndex();
  recovery->SetStatus(OPERATION_STATUS_RUNNING);
  if (runner.DoOperation([recovery] { recovery->DoRecovery(); }, recovery, name, true)) return quellsy::kResultOk;
  recovery->SetStatus(OPERATION_STATUS_IDLE);
  return kRecoveryRefused;
}

void KDUIController::SetRecoveryType(unsigned int mask) { KDUIFilter::instance()->ResetFilter(mask); }

void KDUIController::GetSelectedFilesAmout(std::uint64_t& count, std::uint64_t& size) {
  size = 0;
  count = GetSelectedFilesAndSize(size).size();
  KDUIRecovery* recovery = KDUIRecovery::instance();
  recovery->SetRecoveryTotalSize(size);
  recovery->SetRecoveryTotalFilesCnt(count);
}

std::string KDUIController::GetRecoveryProgressTotal(std::uint64_t& total, std::uint64_t& current,
                                                     quellsy::ResultCode& code) {
  KDUIRecovery* recovery = KDUIRecovery::instance();
  const _PROGRESS_INFO info = recovery->GetProgressInfo();
  total = info.total;
  current = info.current;
  code = info.result;
  const IFileNode* node = recovery->GetCurrentRecoveryNode();
  const char* fileName = node ? node->GetFileName() : nullptr;
  return fileName ? fileName : "";
}

bool KDUIController::IsRecoveryRunning() {
  const int status = KDUIRecovery::instance()->GetStatus();
  return status == OPERATION_STATUS_RUNNING || status == OPERATION_STATUS_PAUSE;
}

void KDUIController::StopRecvoery() { KDUIRecovery::instance()->StopOperation(1); }

void KDUIController::PauseOrResumeRecovery() { KDUIRecovery::instance()->PauseOrResumeOperation(); }

bool KDUIController::IsRecoveryToSameDevice(const char* path) {
  return KDUIRecovery::instance()->RecoveryPathIsSameDevice(path);
}

std::uint64_t KDUIController::GetRecoveridedSize() { return KDUIRecovery::instance()->GetRecoveriedFileSize(); }

std::uint64_t KDUIController::GetRecoveridedFiles() { return KDUIRecovery::instance()->GetRecoveriedFilesCnt(); }

void KDUIController::ReleaseDataRecovery() {
  KDUIScan::instance()->ReleaseDataRecovery();
  KDUIRecovery::instance()->ReleaseDataRecovery();
}

bool KDUIController::DoSearchWithString(const std::string& key, const std::string& name) {
  return ResultTrees::Instance().StartSearch(*KDUIScan::instance(), key, name);
}

std::string KDUIController::GetSearchString() { return KDUIScan::instance()->GetSearchKey(); }

void KDUIController::StopSearch() {
  KDUIScan::instance()->SetSearching(0);
  ResultTrees::Instance().SetHoldBack(false);
}

std::vector<IFileNode*> KDUIController::GetSearchResultToArr() {
  KDUIScan* scan = KDUIScan::instance();
  std::vector<IFileNode*> shown;
  if (scan->GetSearchKey().empty()) return shown;
  for (const auto& [type, nodes] : scan->GetTypeMap())
    for (IFileNode* node : nodes)
      if (node->IsNodeShow()) shown.push_back(node);
  return shown;
}

std::vector<IFileNode*> KDUIController::GetSelectedFilesAndSize(std::uint64_t& size) {
  return ResultTrees::SelectedFiles(*KDUIScan::instance(), size);
}

void KDUIController::UnselectedAllNodes() { KDUIScan::instance()->UnselectAllNodes(); }

std::vector<std::shared_ptr<OpNodeData>> KDUIController::KDGetTopNodes(int kind) {
  return ResultTrees::Instance().Read([kind]() -> std::vector<std::shared_ptr<OpNodeData>> {
    if (kind == NODE_TREE_FILE_TYPE) return GroupTrees().types.Roots();
    if (const DateGroupTree* tree = DateTree(kind)) return {tree->Top()};
    return {};
  });
}

std::vector<std::shared_ptr<OpNodeData>> KDUIController::GetChildGroups(const OpNodeData* node) {
  if (!node) return {};
  return ResultTrees::Instance().Read([node] { return Groups(*node); });
}

std::vector<IFileNode*> KDUIController::GetFileNodeToArray(const OpNodeData* node) {
  if (!node) return {};
  return ResultTrees::Instance().Read([node] {
    std::vector<IFileNode*> files;
    for (const OpNodeData::Child& child : node->children())
      if (IFileNode* const* file = std::get_if<IFileNode*>(&child)) files.push_back(*file);
    return files;
  });
}

std::size_t KDUIController::GetNodeChildrenCnt(const OpNodeData* node) {
  if (!node) return 0;
  return ResultTrees::Instance().Read([node] {
    const auto count = [](const OpNodeData& group) {
      std::size_t sum = 0;
      for (const OpNodeData::Child& child : group.children()) {
        const auto* sub = std::get_if<std::shared_ptr<OpNodeData>>(&child);
        // A group that lists files counts them itself.
        if (!sub) return group.children().size();
        if (*sub) sum += (*sub)->children().size();
      }
      return sum;
    };
    const bool dateTop = !node->parent() && (node->type() == NODE_TREE_CREATION_TIME ||
                                              node->type() == NODE_TREE_MODIFICATION_TIME);
    if (!dateTop) return count(*node);
    std::size_t sum = 0;
    for (const std::shared_ptr<OpNodeData>& year : Groups(*node)) sum += count(*year);
    return sum;
  });
}

int KDUIController::GetNodeState(const OpNodeData* node) {
  if (!node) return CHECKED_STATUS_UNCHECKED;
  return ResultTrees::Instance().Read([node] { return node->state(); });
}

void KDUIController::KDSetNodeState(OpNodeData* node, int state) {
  if (!node) return;
  ResultTrees::Instance().Read([node, state] { node->setNodeState(state); });
}

void KDUIController::RefreshTypeTreeState(OpNodeData* node) {
  ResultTrees::Instance().Read([node] {
    if (node)
      KDTypeMgr::share()->setNodeState(node);
    else
      KDTypeMgr::share()->refreshTypeTreeState();
  });
}

void KDUIController::RefreshTimeTreeState(int kind, int changeTable) {
  const DateGroupTree* tree = DateTree(kind);
  if (!tree) return;
  const KDUIScan& scan = *KDUIScan::instance();
  ResultTrees::Instance().Read([&] {
    KDTimeMgr* times = KDTimeMgr::share();
    if (changeTable == 1) {
      if (!times->KDGetNeedRefreshTree()) return;
      times->KDResetNeedRefreshTree();
    }
    for (const std::shared_ptr<OpNodeData>& year : Groups(*tree->Top())) {
      for (const std::shared_ptr<OpNodeData>& month : Groups(*year)) {
        // A month node carries a time inside its month, of its own tree's kind.
        int y = 0;
        int m = 0;
        KDCPPPublic::instance()->GetYearMonthByTimeT(
            &y, &m, kind == NODE_TREE_CREATION_TIME ? month->createtime() : month->modifytime());
        month->setParentNodeState(quellsy::bridge::MonthCheckState(scan, kind, y, m));
      }
    }
  });
}

int KDUIController::KDCleanOpNodeSate() {
  ResultTrees::Instance().Read([] {
    std::vector<std::shared_ptr<OpNodeData>> tops = GroupTrees().types.Roots();
    tops.push_back(GroupTrees().created.Top());
    tops.push_back(GroupTrees().modified.Top());
    for (const std::shared_ptr<OpNodeData>& top : tops) top->setState(CHECKED_STATUS_UNCHECKED);
  });
  return 1;
}

int KDUIController::beginSaveOrRestoreNode(bool save, const char* path, const char* qimPath) {
  if (!path) return -1;
  FacadeState& state = State();
  const std::lock_guard<std::mutex> starting(state.startLock);
  if (state.scan.Busy() || state.recovery.Busy() || SearchRuns()) return KDScanResultEntry::kBusy;
  if (save) return KDScanResultEntry::BeginSaveOrRestoreNode(true, path, qimPath);
  KDUIScan* scan = KDUIScan::instance();
  // Checked before anything is emptied: a refused restore leaves the last results as they are.
  if (!scan->IsOperationExit() || !KDSaveAndRestoreNodeOperate::instance()->IsOperationExit() ||
      !KDUIRecovery::instance()->IsOperationExit())
    return KDScanResultEntry::kBusy;
  ResultTrees& trees = ResultTrees::Instance();
  trees.Reset();
  trees.ClearGroups();
  scan->ClearData();
  scan->SetUpdateNotifier(KDNotifyUIUpdateData);
  scan->SetStatus(OPERATION_STATUS_RUNNING);
  SaveRestoreResult::OperationPara para;
  para.path = path;
  para.progress = scan;
  para.qimPath = qimPath ? qimPath : "";
  // A restore runs as a scan, on the scan's own joinable worker: no scan can start until it has ended, and
  // nothing outlives the scan it fills.
  const auto restore = [para, &state] {
    SaveRestoreResult::RestoreScanResult(para);
    KDNotifyUIUpdateData(1);
    state.restoring = false;
  };
  state.restoring = true;
  if (state.scan.DoOperation(restore, scan, "", false)) return 0;
  state.restoring = false;
  scan->SetStatus(OPERATION_STATUS_IDLE);
  return -2;
}

std::vector<std::shared_ptr<DiskVolumeNodeData>> KDUIController::GetDeviceInfoToArray() {
  std::vector<_DiskVolumeData> records;
  KDUIDeviceData::instance()->GetAllDeviceInfo(records);
  return DiskVolumeNodeData::ListFromRecords(records);
}

void KDUIController::initFileType() {
  const KDTypeMgr* types = KDTypeMgr::share();
  std::map<int, std::string> catalogue;
  for (const _FILTER_TYPE type : FileTypeCatalogue::kListedGroups) catalogue[type] = types->getTypeString(type);
  CFileTypeManager::Initialze(catalogue);
  ResultTrees& trees = ResultTrees::Instance();
  GroupTreeSet& groups = GroupTrees();
  trees.SetGroupTree(NODE_TREE_FILE_TYPE, &groups.types);
  trees.SetGroupTree(NODE_TREE_CREATION_TIME, &groups.created);
  trees.SetGroupTree(NODE_TREE_MODIFICATION_TIME, &groups.modified);
}

bool KDUIController::IsAppRunning() { return KDCPPPublic::instance()->IsAppRunning(); }

bool KDUIController::IsDiskFileAppRunning() { return KDCPPPublic::instance()->IsDiskFileAppRunning(); }

bool KDUIController::IsDataProtectAppRunning() { return KDCPPPublic::instance()->IsDataProtectAppRunning(); }

void KDUIController::KDTableViewCellCilck() { ResultTrees::Instance().RefreshGroupMarks(); }

void KDUIController::CloseApp() {
  CMessageCenter::Instance().StopReceiveMessage();
  std::fflush(nullptr);
  // A worker may still run: the process ends without running destructors that would wait for it.
  std::_Exit(0);
}
