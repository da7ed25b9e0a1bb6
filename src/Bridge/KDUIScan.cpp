#include "Bridge/KDUIScan.h"

#include <cctype>
#include <cstdio>
#include <ctime>

#include "Bridge/BridgeResults.h"
#include "Bridge/KDCPPPublic.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIFilter.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/NodeLock.h"
#include "Bridge/NodeTreeType.h"
#include "RecoveryController/RecoveryController.h"

namespace {

std::unique_ptr<KDUIScan> instanceObject;
std::mutex instanceLock;

constexpr std::chrono::seconds kNotifyInterval{2};

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

KDUIScan* KDUIScan::instance() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  if (!instanceObject) instanceObject = std::make_unique<KDUIScan>();
  return instanceObject.get();
}

void KDUIScan::ResetForTests() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  instanceObject.reset();
}

KDUIScan::KDUIScan() : KDUIScan(KDUIOperation::kPauseStep) {}

KDUIScan::KDUIScan(std::chrono::milliseconds pauseStep) : KDUIOperation(pauseStep) {}

KDUIScan::~KDUIScan() {
  ReleaseRecoveryObjects();
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  // The data-recovery objects read through the controller's searchers: they go first.
  ReleaseOwnDataRecovery();
  controller_.reset();
  earlierControllers_.clear();
}

quellsy::ResultCode KDUIScan::DoScan(IStorageDevice* device, RestoreScanSink* sink) {
  const std::lock_guard<std::mutex> scanning(scanLock_);
  restoreSink_ = sink;
  ReleaseRecoveryObjects();
  quellsy::ResultCode result = kScanRefused;
  if (!device) {
    restoreSink_ = nullptr;
    return result;
  }
  // Listed although it could not be opened (no permission then): it may open now; if not, that is the answer.
  if (!device->IsPermitted() && !device->Open(nullptr)) {
    restoreSink_ = nullptr;
    return device->IsPermitted() ? quellsy::bridge::result::kDeviceCannotOpen
                                 : quellsy::bridge::result::kDeviceNotPermitted;
  }
  SaveScanSorage(device);
  SetNeedUIUpdate(0);
  const int type = GetScanControllerType(device);
  if (!Lock().try_lock()) {
    // Another thread is inside the operation right now: let the window leave its scanning state.
    NotifyUIUpdateData(1);
    restoreSink_ = nullptr;
    return result;
  }
  Lock().unlock();

  const int deep = IsDeepScan();
  ResetRecoveryController(type);
  ClearData();
  SetSearchKey("");
  IRecoveryFilter* filter = KDUIFilter::instance()->GetFilter();
  if (!filter) {
    restoreSink_ = nullptr;
    return result;
  }
  KDUIDeviceData* devices = KDUIDeviceData::instance();
  if (deep == 0 && devices->IsDiskStorage(device)) {
    std::vector<IStorageDevice*> volumes;
    devices->GetDiskVolumeStorage(device, volumes);
    remainingVolumes_ = static_cast<int>(volumes.size());
    bool first = true;
    for (IStorageDevice* volume : volumes) {
      if (remainingVolumes_ < 1) break;
      --remainingVolumes_;
      if (devices->IsVolumeStorageSupported(volume)) {
        if (!first && !NextVolumeController()) break;
        first = false;
        filter->SetScanType(SCAN_TYPE_QUICK);
        result = DoVolumeStorageScan(volume);
        if (quellsy::IsFailure(result) && GetStatus() == OPERATION_STATUS_STOP) {
          SetStatus(OPERATION_STATUS_IDLE);
          SetNeedUIUpdate(1);
          break;
        }
      } else if (remainingVolumes_ == 0) {
        SetStatus(OPERATION_STATUS_IDLE);
        SetNeedUIUpdate(1);
      }
    }
    // However the loop ended (a stop, a failed last volume, no volume at all), the scan is over.
    SetStatus(OPERATION_STATUS_IDLE);
    SetNeedUIUpdate(1);
  } else {
    filter->SetScanType(deep ? SCAN_TYPE_DEEP : SCAN_TYPE_QUICK);
    result = DoVolumeStorageScan(device);
    if (quellsy::IsFailure(result)) {
      SetStatus(OPERATION_STATUS_IDLE);
      SetNeedUIUpdate(1);
    }
  }
  ResetRecovery();
  restoreSink_ = nullptr;
  return result;
}

void KDUIScan::AttachRecovery(KDUIRecovery* recovery) {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  recovery_ = recovery;
}

void KDUIScan::ReleaseRecoveryObjects() {
  KDUIRecovery* attached = nullptr;
  {
    const std::lock_guard<std::recursive_mutex> hold(Lock());
    attached = recovery_;
  }
  if (attached)
    attached->ReleaseDataRecovery();
  else if (this == instanceObject.get())
    KDUIRecovery::ReleaseInstanceObjects();
}

void KDUIScan::ResetRecovery() {
  KDUIRecovery* attached = nullptr;
  {
    const std::lock_guard<std::recursive_mutex> hold(Lock());
    attached = recovery_;
  }
  if (attached)
    attached->ResetParam();
  else if (this == instanceObject.get())
    KDUIRecovery::instance()->ResetParam();
}

quellsy::ResultCode KDUIScan::DoVolumeStorageScan(IStorageDevice* device) {
  IRecoveryController* controller = GetRecoveryController();
  if (!device || !controller) return kVolumeScanRefused;
  // Continued leaves the scan running; setting it again here would undo a pause or stop asked for meanwhile.
  if (!Continued()) return kVolumeScanRefused;
  controller->Initialize(KDUIFilter::instance()->GetFilter());
  if (const auto* volume = GetStorageVolumeInfo(device))
    std::printf("=======scan volumes(%d):(%s)======\n", remainingVolumes_, volume->volumeName);
  return controller->StartDataRecovery(device, this, this);
}

int KDUIScan::GetScanControllerType(IStorageDevice* device) {
  if (!device) return RECOVERY_CONTROLLER_NONE;
  if (IsDeepScan() == 0) return RECOVERY_CONTROLLER_QUICK;
  return KDUIDeviceData::instance()->IsDiskStorage(device) ? RECOVERY_CONTROLLER_COMPLETE_DISK
                                                           : RECOVERY_CONTROLLER_COMPLETE_VOLUME;
}

bool KDUIScan::NextVolumeController() {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  if (!controller_) return false;
  std::unique_ptr<IRecoveryController, ControllerDeleter> next(CreateRecoveryController(RECOVERY_CONTROLLER_QUICK));
  if (!next) return false;
  if (restoreSink_) SetRestoreScanSink(next.get(), restoreSink_);
  earlierControllers_.push_back(std::move(controller_));
  controller_ = std::move(next);
  return true;
}

void KDUIScan::ResetRecoveryController(int type) {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  // The quick scan's data-recovery objects read through the old controllers: they go before them.
  ReleaseOwnDataRecovery();
  controller_.reset();
  earlierControllers_.clear();
  if (type < RECOVERY_CONTROLLER_QUICK || type > RECOVERY_CONTROLLER_COMPLETE_DISK) return;
  controller_.reset(CreateRecoveryController(static_cast<_RECOVERY_CONTROLLER_TYPE>(type)));
  if (controller_ && restoreSink_) SetRestoreScanSink(controller_.get(), restoreSink_);
}

void KDUIScan::SetDeepScan(int deep) {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  deep_ = deep;
}

int KDUIScan::IsDeepScan() {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  if (deep_ == 0 && !KDUIDeviceData::instance()->IsDiskStorage(savedStorage_))
    deep_ = IsStorageVolumeUnknow(savedStorage_);
  return deep_;
}

IRecoveryController* KDUIScan::GetRecoveryController() const {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  return controller_.get();
}

void KDUIScan::ClearData() {
  remainingVolumes_ = 0;
  SetStartTime(Now());
  SetLastUpdateTime(Now());
  selectedSize_ = selectedCount_ = foundCount_ = foundSize_ = 0;
  recoveries_ = 0;
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  ReleaseOwnDataRecovery();
  roots_.clear();
  directories_.clear();
  files_.clear();
  pathQueue_.clear();
  nodeHandles_.clear();
  pendingDirectories_.clear();
  SetProgressInfo(_PROGRESS_INFO{});
}

void KDUIScan::ReCalTotalSize() {
  std::uint64_t total = 0;
  const std::lock_guard<std::mutex> nodes(quellsy::bridge::NodeLock());
  for (IFileNode* node : KDGetFileNodesSince(0))
    if (node->IsNodeShow() && node->GetFileSize() > 0) total += static_cast<std::uint64_t>(node->GetFileSize());
  foundSize_ = total;
}

void KDUIScan::UpdateProgress(_PROGRESS_INFO* info) {
  if (!info) return;
  SetProgressInfo(*info);
  if (info->status == PROGRESS_STATUS_FINISHED) {
    {
      const std::lock_guard<std::recursive_mutex> hold(Lock());
      if (remainingVolumes_ <= 0 || GetStatus() == OPERATION_STATUS_STOP) {
        remainingVolumes_ = 0;
        SetStatus(OPERATION_STATUS_IDLE);
      }
    }
    NotifyUIUpdateData(1);
    std::printf("=====Scan Progress finished!=====\n");
  }
  SetLastUpdateTime(Now());
  SetNeedUIUpdate(1);
}

int KDUIScan::IsOpTreeFinished() {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  return opTreeFinished_;
}

void KDUIScan::SetOpTreeFinished(int finished) {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  opTreeFinished_ = finished;
}

void KDUIScan::SetQimRsf(int value) {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  qimRsf_ = value;
}

void KDUIScan::SetDmgRsf(int value) {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  dmgRsf_ = value;
}

void KDUIScan::ShowFilesystemNode(IFilesystemNode* root) {
  if (!root || !root->IsDirectory()) return;
  std::printf("=====ShowFileSystemNodes:%s\n", root->GetFileName() ? root->GetFileName() : "");
  {
    const std::lock_guard<std::recursive_mutex> hold(Lock());
    if (controller_ && controller_->thisType() == RECOVERY_CONTROLLER_QUICK) {
      IDataRecovery*& slot = dataRecoveries_[root];
      // A root shown twice keeps one object, not a leaked one.
      if (slot) slot->Release();
      slot = controller_->GetDataRecovery(KDCPPPublic::instance()->GetNodeSearcheType(root));
    }
    roots_.push_back(root);
    pathQueue_.push_back(root);
  }
  SetNeedUIUpdate(1);
}

void KDUIScan::ShowNodes(IFileNode** nodes, unsigned int count, int) {
  if (count == 0 || !nodes) return;
  std::uint64_t files = 0;
  for (unsigned int i = 0; i < count; ++i) {
    IFileNode* node = nodes[i];
    if (!node) continue;
    const std::lock_guard<std::recursive_mutex> hold(Lock());
    if (node->IsDirectory()) {
      directories_.push_back(node);
      pathQueue_.push_back(node);
      pendingDirectories_[node] = 0;
      continue;
    }
    ++files;
    files_.push_back(node);
    if (node->GetFileSize() > 0) foundSize_ += static_cast<std::uint64_t>(node->GetFileSize());
  }
  foundCount_ += files;
  SetNeedUIUpdate(1);
  NotifyUIUpdateData(0);
}

KDUIScan::NodeList KDUIScan::GetFileSystemNode() const {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  return roots_;
}

std::mutex* KDUIScan::NodeLock() { return &quellsy::bridge::NodeLock(); }

KDUIScan::NodeList KDUIScan::KDGetNewPathNode() {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  NodeList taken;
  taken.swap(pathQueue_);
  return taken;
}

KDUIScan::NodeList KDUIScan::KDGetAllPathNode() const {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  NodeList all = roots_;
  all.insert(all.end(), directories_.begin(), directories_.end());
  return all;
}

KDUIScan::NodeList KDUIScan::KDGetFileNodesSince(std::size_t from) const {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  if (from >= files_.size()) return {};
  return NodeList(files_.begin() + static_cast<std::ptrdiff_t>(from), files_.end());
}

std::size_t KDUIScan::KDGetFileNodeCount() const {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  return files_.size();
}

void KDUIScan::RefreshAllData() {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  for (IFileNode* directory : directories_) pendingDirectories_[directory] = 0;
}

int KDUIScan::FindRemoveData(IFileNode* node) {
  if (!node) return 0;
  if (node->IsDirectory()) return 1;
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  return pendingDirectories_.erase(node) ? 1 : 0;
}

void* KDUIScan::KDGetFileNode(IFileNode* node) const {
  const auto found = nodeHandles_.find(node);
  return found == nodeHandles_.end() ? nullptr : found->second;
}

void KDUIScan::KDSetFileNode(IFileNode* node, void* handle) {
  if (node && handle) nodeHandles_[node] = handle;
}

IDataRecovery* KDUIScan::GetFileNodeDataRecover(IFileNode* node) const {
  if (!node) return nullptr;
  IFilesystemNode* root = KDCPPPublic::instance()->GetFileSystemNode(node);
  if (!root) return nullptr;
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  const auto found = dataRecoveries_.find(root);
  return found == dataRecoveries_.end() ? nullptr : found->second;
}

void KDUIScan::ReleaseDataRecovery() {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  ReleaseOwnDataRecovery();
}

void KDUIScan::ReleaseOwnDataRecovery() {
  for (auto& [root, recovery] : dataRecoveries_)
    if (recovery) recovery->Release();
  dataRecoveries_.clear();
}

void KDUIScan::UnselectAllNodes() {
  const std::lock_guard<std::mutex> nodes(quellsy::bridge::NodeLock());
  for (IFileNode* root : GetFileSystemNode()) root->SetCheck(CHECKED_STATUS_UNCHECKED);
}

void KDUIScan::SetSearchKey(const char* key) {
  if (!key) return;
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  searchKey_ = key;
}

std::string KDUIScan::GetSearchKey() const {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  return searchKey_;
}

void KDUIScan::SetSearching(int searching) {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  searching_ = searching;
}

int KDUIScan::IsSearching() const {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  return searching_;
}

void KDUIScan::DoSearch(NodeList& out) {
  RefreshAllData();
  out.clear();
  const std::string key = GetSearchKey();
  for (IFileNode* node : KDGetFileNodesSince(0)) {
    const bool match = key.empty() || KDCPPPublic::instance()->IsStringInFileNode(key.c_str(), node);
    node->ShowNode(match ? 1 : 0);
    if (match && !node->IsDirectory()) out.push_back(node);
  }
}

std::string KDUIScan::GetNodeExt(IFileNode* node) {
  const char* name = node ? node->GetFileName() : nullptr;
  if (!name) return {};
  const std::string text(name);
  const auto dot = text.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = text.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

CCollectedVolumeDeviceInfoStruct* KDUIScan::GetStorageVolumeInfo(IStorageDevice* device) {
  auto* data = device ? dynamic_cast<IVolumeDeviceData*>(device->GetPrivateData()) : nullptr;
  return data ? data->GetVolumeInfo() : nullptr;
}

int KDUIScan::IsStorageMounted(IStorageDevice* device) {
  if (!device) return 0;
  if (KDUIDeviceData::instance()->IsDiskStorage(device)) return 1;
  const auto* volume = GetStorageVolumeInfo(device);
  return volume && volume->mounted ? 1 : 0;
}

int KDUIScan::IsStorageVolumeUnknow(IStorageDevice* device) {
  if (!device || KDUIDeviceData::instance()->IsDiskStorage(device)) return 0;
  const auto* volume = GetStorageVolumeInfo(device);
  return volume && volume->fileSystemType == FILE_SYSTEM_UNKNOWN ? 1 : 0;
}

void KDUIScan::SetUpdateNotifier(UpdateNotifier notifier) {
  const std::lock_guard<std::recursive_mutex> hold(Lock());
  notifier_ = std::move(notifier);
}

void KDUIScan::NotifyUIUpdateData(int force) {
  UpdateNotifier notifier;
  {
    const std::lock_guard<std::recursive_mutex> hold(Lock());
    if (!opTreeFinished_) return;
    notifier = notifier_;
    if (!notifier) {
      const auto now = std::chrono::steady_clock::now();
      if (!force && now - lastNotified_ < kNotifyInterval) return;
      lastNotified_ = now;
    }
  }
  if (notifier)
    notifier(force);
  else
    KDUIPublic::NotifyMainThread(kScanValueNotification);
}
