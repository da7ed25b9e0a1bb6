#include "Bridge/KDUIController.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <map>
#include <mutex>

#include "Bridge/BridgeServices.h"
#include "Bridge/CProgressNotify.h"
#include "Bridge/DiskVolumeData.h"
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
#include "Bridge/NodeLock.h"
#include "Bridge/OperationRunner.h"
#include "Bridge/ResultTrees.h"
#include "Bridge/SaveRestoreResult.h"
#include "RecoveryFilter/FileTypeManager.h"
#include "Utility/MessageCenter.h"
#include "Utility/ResultMessage.h"

using quellsy::bridge::DateGroupTree;
using quellsy::bridge::FacadeStart;
using quellsy::bridge::FacadeState;
using quellsy::bridge::NodeLock;
using quellsy::bridge::OperationRunner;
using quellsy::bridge::OperationStates;
using quellsy::bridge::ResultTrees;
using quellsy::bridge::TypeGroupTree;
namespace result = quellsy::bridge::result;

namespace {

struct Facade {
  OperationRunner scan;  // scans and restores
  OperationRunner recovery;
  OperationRunner save;
  OperationStates states;
  // Guards the fields below.
  std::mutex lock;
  std::function<std::int64_t()> clock;
  std::function<void(FacadeStart)> gate;
  quellsy::ResultCode lastStart = quellsy::kResultOk;
  quellsy::ResultCode lastScan = quellsy::kResultOk;
  std::string lastScanDevice;
};

Facade& State() {
  static Facade facade;
  return facade;
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

std::vector<IFileNode*> Files(const OpNodeData& node) {
  std::vector<IFileNode*> files;
  for (const OpNodeData::Child& child : node.children())
    if (IFileNode* const* file = std::get_if<IFileNode*>(&child)) files.push_back(*file);
  return files;
}

// Whether node belongs to the results held now: a group that lives as long as the process (scan 0, no found
// node) always does. Read under the node lock.
bool Current(const OpNodeData* node) {
  if (!node) return false;
  if (node->scan() == 0) return !node->fileNode();
  return node->scan() == ResultTrees::Instance().ScanGeneration();
}

// A save reads the marks without the node lock: nothing may change them meanwhile.
bool MarksMayChange() { return State().states.State() != FacadeState::kSaving; }

// The answer to a start, kept for GetLastStartResult.
quellsy::ResultCode Answer(quellsy::ResultCode code) {
  Facade& facade = State();
  const std::lock_guard<std::mutex> hold(facade.lock);
  facade.lastStart = code;
  return code;
}

bool Accepted(quellsy::ResultCode code) { return Answer(code) == quellsy::kResultOk; }

std::string Words(quellsy::ResultCode code, const std::string& subject = {}) {
  return code == quellsy::kResultOk ? std::string() : quellsy::DescribeResult(code, subject);
}

// Runs the test gate of start on the calling worker.
void PassGate(FacadeStart start) {
  std::function<void(FacadeStart)> gate;
  {
    Facade& facade = State();
    const std::lock_guard<std::mutex> hold(facade.lock);
    gate = facade.gate;
  }
  if (gate) gate(start);
}

// The worker's last step: the state moves back.
std::function<void()> Ending(FacadeStart start) {
  return [start] { State().states.End(start); };
}

std::int64_t NowSecond() {
  Facade& facade = State();
  std::function<std::int64_t()> clock;
  {
    const std::lock_guard<std::mutex> hold(facade.lock);
    clock = facade.clock;
  }
  return clock ? clock() : static_cast<std::int64_t>(std::time(nullptr));
}

// The device list's name of storage, for the words of a failed scan.
std::string DeviceName(IStorageDevice* storage) {
  _DiskVolumeData record;
  KDUIDeviceData::instance()->GetDataByStorage(storage, record);
  return record.name ? record.name : "";
}

// A scan's or restore's results replace the last: the old nodes are no longer acted on, the trees are emptied.
void BeginNewResults(KDUIScan& scan) {
  ResultTrees::Instance().NewScan();
  scan.ClearData();
  scan.SetUpdateNotifier(KDNotifyUIUpdateData);
  scan.SetStatus(OPERATION_STATUS_RUNNING);
}

// The scan's worker: the message centre and the bad-sector receiver live as long as the scan.
void DoScanFn(IStorageDevice* storage, const std::string& device) {
  KDUIScan* scan = KDUIScan::instance();
  CMessageCenter::Instance().StartReceiveMessage();
  quellsy::ResultCode code = quellsy::kResultOk;
  {
    const CProgressNotify receiver;
    code = scan->DoScan(storage, nullptr);
    scan->ReCalTotalSize();
  }
  CMessageCenter::Instance().StopReceiveMessage();
  {
    Facade& facade = State();
    const std::lock_guard<std::mutex> hold(facade.lock);
    facade.lastScan = code;
    facade.lastScanDevice = device;
  }
  // However the scan ended, the windows see its last results and total, and how it ended.
  ResultTrees& trees = ResultTrees::Instance();
  if (scan->IsOpTreeFinished()) trees.BuildPass(*scan, 1);
  quellsy::bridge::PostOnMainThread(quellsy::bridge::Notification{
      KDUIScan::kScanValueNotification,
      {{KDUIController::kScanResultKey, quellsy::ResultCodeHex(code)},
       {KDUIController::kScanReasonKey, Words(code, device)},
       {KDUIController::kScanGenerationKey, std::to_string(trees.ScanGeneration())}},
      {}});
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
  Facade& facade = State();
  const std::lock_guard<std::mutex> hold(facade.lock);
  facade.clock = std::move(clock);
}

void KDUIController::SetWorkerGateForTests(std::function<void(FacadeStart)> gate) {
  Facade& facade = State();
  const std::lock_guard<std::mutex> hold(facade.lock);
  facade.gate = std::move(gate);
}

void KDUIController::ResetForTests() {
  WaitForOperations();
  Facade& facade = State();
  facade.states.Reset();
  {
    const std::lock_guard<std::mutex> hold(facade.lock);
    facade.clock = nullptr;
    facade.gate = nullptr;
    facade.lastStart = facade.lastScan = quellsy::kResultOk;
    facade.lastScanDevice.clear();
  }
  // The group trees outlive the tests: they forget the files of this one's scans.
  ResultTrees::Instance().Read([] {
    GroupTreeSet& groups = GroupTrees();
    groups.types.Clear(0);
    groups.created.Clear(0);
    groups.modified.Clear(0);
  });
}

void KDUIController::WaitForOperations() {
  Facade& facade = State();
  facade.scan.Join();
  facade.recovery.Join();
  facade.save.Join();
  ResultTrees::Instance().WaitForSearch();
  KDScanResultEntry::WaitForPolls();
}

FacadeState KDUIController::GetOperationState() { return State().states.State(); }

quellsy::ResultCode KDUIController::CheckStart(FacadeStart start, std::string* reason) {
  const quellsy::ResultCode code = OperationStates::Judge(GetOperationState(), start);
  if (reason) *reason = Words(code);
  return code;
}

quellsy::ResultCode KDUIController::GetLastStartResult(std::string* reason) {
  Facade& facade = State();
  const std::lock_guard<std::mutex> hold(facade.lock);
  if (reason) *reason = Words(facade.lastStart);
  return facade.lastStart;
}

quellsy::ResultCode KDUIController::GetLastScanResult(std::string* reason) {
  Facade& facade = State();
  const std::lock_guard<std::mutex> hold(facade.lock);
  if (reason) *reason = Words(facade.lastScan, facade.lastScanDevice);
  return facade.lastScan;
}

std::uint64_t KDUIController::GetScanGeneration() { return ResultTrees::Instance().ScanGeneration(); }

bool KDUIController::DoScanWithDiskIndex(int disk, int volume, int deep, const std::string& name) {
  KDUIScan* scan = KDUIScan::instance();
  Facade& facade = State();
  IStorageDevice* storage = KDUIDeviceData::instance()->GetStorageByDiskVolumeIndex(disk, volume);
  if (!storage) return Accepted(result::kNoSuchDevice);
  if (!Accepted(facade.states.Begin(FacadeStart::kScan))) return false;
  const std::string device = DeviceName(storage);
  {
    const std::lock_guard<std::mutex> hold(facade.lock);
    facade.lastScan = quellsy::kResultOk;
    facade.lastScanDevice = device;
  }
  scan->SetDeepScan(deep);
  BeginNewResults(*scan);
  // The windows follow a scan through "NormalScranValue" and their timers: no poll, name is not posted.
  const auto work = [storage, device] {
    PassGate(FacadeStart::kScan);
    DoScanFn(storage, device);
  };
  if (facade.scan.DoOperation(work, scan, name, false, Ending(FacadeStart::kScan))) return true;
  facade.states.End(FacadeStart::kScan);
  scan->SetStatus(OPERATION_STATUS_IDLE);
  return Accepted(result::kNoThread);
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
  if (storage) KDUIDeviceData::instance()->GetDiskVolumeIndexByStorage(storage, disk, volume);
  if (disk == -1) return Accepted(result::kNoSuchDevice);
  return DoScanWithDiskIndex(disk, volume, 1, name);
}

void KDUIController::PauseOrResumeScan() {
  Facade& facade = State();
  const FacadeStart start =
      facade.states.State() == FacadeState::kScanning ? FacadeStart::kPause : FacadeStart::kResume;
  if (Accepted(facade.states.Begin(start))) KDUIScan::instance()->PauseOrResumeOperation();
}

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
  trees.RebuildAll(*KDUIScan::instance(), clearNodeState && MarksMayChange());
  return trees.PathTail(0);
}

int KDUIController::GetCurrentScanRecoveryCnt() { return KDUIScan::instance()->GetCurrentScanRecoveryCnt(); }

bool KDUIController::KDGetIsSearching() { return GetOperationState() == FacadeState::kSearching; }

quellsy::ResultCode KDUIController::DoRecovery(const char* path, const std::string& name) {
  if (!path) return Answer(kRecoveryRefused);
  Facade& facade = State();
  const quellsy::ResultCode verdict = facade.states.Begin(FacadeStart::kRecovery);
  if (verdict != quellsy::kResultOk) return Answer(verdict);
  KDUIRecovery* recovery = KDUIRecovery::instance();
  recovery->SetRecoveryPath((std::string(path) + "/").c_str());
  recovery->ClearCreateDirIndex();
  recovery->SetStatus(OPERATION_STATUS_RUNNING);
  const auto work = [recovery] {
    PassGate(FacadeStart::kRecovery);
    recovery->DoRecovery();
  };
  if (facade.recovery.DoOperation(work, recovery, name, true, Ending(FacadeStart::kRecovery)))
    return Answer(quellsy::kResultOk);
  facade.states.End(FacadeStart::kRecovery);
  recovery->SetStatus(OPERATION_STATUS_IDLE);
  return Answer(result::kNoThread);
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

void KDUIController::PauseOrResumeRecovery() { KDUIRecovery::instance()->PauseOrResume(); }

bool KDUIController::IsRecoveryToSameDevice(const quellsy::platform::FolderDevice& folder) {
  return KDUIRecovery::instance()->RecoveryFolderIsSameDevice(folder);
}

std::uint64_t KDUIController::GetRecoveridedSize() { return KDUIRecovery::instance()->GetRecoveriedFileSize(); }

std::uint64_t KDUIController::GetRecoveridedFiles() { return KDUIRecovery::instance()->GetRecoveriedFilesCnt(); }

std::uint64_t KDUIController::GetRecoveryFailedFiles() { return KDUIRecovery::instance()->GetFailedFilesCnt(); }

void KDUIController::ReleaseDataRecovery() {
  KDUIScan::instance()->ReleaseDataRecovery();
  KDUIRecovery::instance()->ReleaseDataRecovery();
}

bool KDUIController::DoSearchWithString(const std::string& key, const std::string& name) {
  Facade& facade = State();
  if (!Accepted(facade.states.Begin(FacadeStart::kSearch))) return false;
  if (ResultTrees::Instance().StartSearch(*KDUIScan::instance(), key, name,
                                          [] { PassGate(FacadeStart::kSearch); }, Ending(FacadeStart::kSearch)))
    return true;
  facade.states.End(FacadeStart::kSearch);
  return Accepted(result::kNoThread);
}

std::string KDUIController::GetSearchString() { return KDUIScan::instance()->GetSearchKey(); }

void KDUIController::StopSearch() {
  KDUIScan::instance()->SetSearching(0);
  ResultTrees::Instance().SetHoldBack(false);
}

std::vector<IFileNode*> KDUIController::GetSearchResultToArr(std::uint64_t* scan) {
  std::vector<IFileNode*> shown;
  if (KDUIScan::instance()->GetSearchKey().empty()) return shown;
  ResultTrees::Instance().Read([&] {
    if (scan) *scan = ResultTrees::Instance().ScanGeneration();
    const auto add = [&shown](const OpNodeData& group) {
      for (IFileNode* file : Files(group))
        if (file->IsNodeShow()) shown.push_back(file);
    };
    for (const std::shared_ptr<OpNodeData>& root : GroupTrees().types.Roots()) {
      add(*root);
      for (const std::shared_ptr<OpNodeData>& extension : Groups(*root)) add(*extension);
    }
  });
  return shown;
}

std::vector<IFileNode*> KDUIController::GetSelectedFilesAndSize(std::uint64_t& size, std::uint64_t* scan) {
  if (scan) *scan = GetScanGeneration();
  return ResultTrees::SelectedFiles(*KDUIScan::instance(), size);
}

void KDUIController::UnselectedAllNodes() {
  if (MarksMayChange()) KDUIScan::instance()->UnselectAllNodes();
}

std::vector<FoundNodeView> KDUIController::GetNodeViews(const std::vector<IFileNode*>& nodes, std::uint64_t scan) {
  return ResultTrees::Instance().Read([&] {
    std::vector<FoundNodeView> views;
    if (scan != ResultTrees::Instance().ScanGeneration()) return views;
    for (IFileNode* node : nodes) {
      if (!node) continue;
      FoundNodeView view;
      view.node = node;
      view.scan = scan;
      view.name = OpNodeData::fileNodeName(node);
      view.path = KDUIPublic::GetPathByFileNode(node);
      view.size = node->GetFileSize() > 0 ? static_cast<std::uint64_t>(node->GetFileSize()) : 0;
      view.created = node->GetCreationTime();
      view.modified = node->GetModificationTime();
      view.accessed = node->GetLastAccessTime();
      view.directory = node->IsDirectory() != 0;
      view.deleted = node->IsDeleted() != 0;
      view.shown = node->IsNodeShow() != 0;
      view.state = node->GetCheckedStatus();
      views.push_back(std::move(view));
    }
    return views;
  });
}

quellsy::ResultCode KDUIController::KDSetFileNodeState(IFileNode* node, std::uint64_t scan, int state) {
  if (!MarksMayChange()) return result::kSaveRunning;
  return ResultTrees::Instance().Read([&] {
    if (!node || scan != ResultTrees::Instance().ScanGeneration()) return result::kStaleNode;
    OpNodeData::setFileNode(node, state);
    return quellsy::kResultOk;
  });
}

std::vector<std::shared_ptr<OpNodeData>> KDUIController::KDGetTopNodes(int kind) {
  return ResultTrees::Instance().Read([kind]() -> std::vector<std::shared_ptr<OpNodeData>> {
    if (kind == NODE_TREE_FILE_TYPE) return GroupTrees().types.Roots();
    if (const DateGroupTree* tree = DateTree(kind)) return {tree->Top()};
    return {};
  });
}

std::vector<std::shared_ptr<OpNodeData>> KDUIController::GetChildGroups(const OpNodeData* node) {
  return ResultTrees::Instance().Read([node] {
    return Current(node) ? Groups(*node) : std::vector<std::shared_ptr<OpNodeData>>{};
  });
}

std::vector<IFileNode*> KDUIController::GetFileNodeToArray(const OpNodeData* node, std::uint64_t* scan) {
  return ResultTrees::Instance().Read([node, scan] {
    if (scan) *scan = ResultTrees::Instance().ScanGeneration();
    return Current(node) ? Files(*node) : std::vector<IFileNode*>{};
  });
}

std::size_t KDUIController::GetNodeChildrenCnt(const OpNodeData* node) {
  return ResultTrees::Instance().Read([node]() -> std::size_t {
    if (!Current(node)) return 0;
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
  return ResultTrees::Instance().Read(
      [node] { return Current(node) ? node->state() : static_cast<int>(CHECKED_STATUS_UNCHECKED); });
}

void KDUIController::KDSetNodeState(OpNodeData* node, int state) {
  if (!MarksMayChange()) return;
  ResultTrees::Instance().Read([node, state] {
    if (Current(node)) node->setNodeState(state);
  });
}

void KDUIController::RefreshTypeTreeState(OpNodeData* node) {
  ResultTrees::Instance().Read([node] {
    if (!node)
      KDTypeMgr::share()->refreshTypeTreeState();
    else if (Current(node))
      KDTypeMgr::share()->setNodeState(node);
  });
}

void KDUIController::RefreshTimeTreeState(int kind, int changeTable) {
  const DateGroupTree* tree = DateTree(kind);
  if (!tree) return;
  ResultTrees::Instance().Read([&] {
    KDTimeMgr* times = KDTimeMgr::share();
    if (changeTable == 1) {
      if (!times->KDGetNeedRefreshTree()) return;
      times->KDResetNeedRefreshTree();
    }
    for (const std::shared_ptr<OpNodeData>& year : Groups(*tree->Top()))
      for (const std::shared_ptr<OpNodeData>& month : Groups(*year))
        month->setParentNodeState(quellsy::bridge::GroupCheckState(Files(*month)));
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
  Facade& facade = State();
  const FacadeStart start = save ? FacadeStart::kSave : FacadeStart::kRestore;
  if (!Accepted(facade.states.Begin(start))) return KDScanResultEntry::kBusy;
  SaveRestoreResult::OperationPara para;
  para.path = path;
  para.qimPath = qimPath ? qimPath : "";
  if (save) {
    KDSaveAndRestoreNodeOperate* saver = KDSaveAndRestoreNodeOperate::instance();
    para.progress = saver;
    saver->SetStatus(OPERATION_STATUS_RUNNING);
    const auto work = [para] {
      PassGate(FacadeStart::kSave);
      SaveRestoreResult::SaveScanResult(para);
    };
    if (facade.save.DoOperation(work, saver, "", false, Ending(start))) return 0;
    saver->SetStatus(OPERATION_STATUS_IDLE);
  } else {
    KDUIScan* scan = KDUIScan::instance();
    para.progress = scan;
    BeginNewResults(*scan);
    // A restore runs as a scan, on the scan's own joinable worker: nothing outlives the scan it fills.
    const auto work = [para] {
      PassGate(FacadeStart::kRestore);
      SaveRestoreResult::RestoreScanResult(para);
      KDNotifyUIUpdateData(1);
    };
    if (facade.scan.DoOperation(work, scan, "", false, Ending(start))) return 0;
    scan->SetStatus(OPERATION_STATUS_IDLE);
  }
  facade.states.End(start);
  Answer(result::kNoThread);
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
