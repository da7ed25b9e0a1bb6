#include "Bridge/KDUIRecovery.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "Bridge/KDCPPPublic.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/ResultTrees.h"
#include "DataRecovery/DataRecovery.h"
#include "DataRecovery/RecoveryName.h"
#include "Platform/InvokingUser.h"

namespace {

std::unique_ptr<KDUIRecovery> instanceObject;
std::mutex instanceLock;

// The searchers a complete scan's objects are made for; the label tree's hits are copied by the signature search.
constexpr std::pair<_tagSearcherType, _tagSearcherType> kObjectSearchers[] = {
    {SEARCHER_HFSPLUS, SEARCHER_HFSPLUS}, {SEARCHER_FAT, SEARCHER_FAT}, {SEARCHER_EXFAT, SEARCHER_EXFAT},
    {SEARCHER_RAW, SEARCHER_RAW},         {SEARCHER_NTFS, SEARCHER_NTFS}, {SEARCHER_LABEL, SEARCHER_RAW},
    {SEARCHER_APFS, SEARCHER_APFS}};

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;  // a link counts as taken: it is never followed
}

std::string Numbered(const std::string& base, int n) {
  char number[16];
  std::snprintf(number, sizeof number, "_%04d", n);
  const std::filesystem::path path(base);
  const std::string extension = path.extension().string();
  // Only the file's own name gets the number: a "." in a folder name above it is left alone.
  if (extension.empty() || extension == path.filename().string()) return base + number;
  return base.substr(0, base.size() - extension.size()) + number + extension;
}

std::string FirstFree(const std::string& base) {
  std::string candidate = base;
  for (int n = 1; Exists(candidate); ++n) candidate = Numbered(base, n);
  return candidate;
}

// Makes folder with its parents inside destination, each folder made given to the user who started us; false
// when it fails or when any part below destination is not a real folder (a link would lead the copy out of the
// destination).
bool MakeFolderInside(const std::string& destination, const std::string& folder) {
  const std::filesystem::path root(destination);
  std::filesystem::path walked = root;
  for (const auto& part : std::filesystem::path(folder).lexically_relative(root)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") return false;
    walked /= part;
    if (mkdir(walked.c_str(), 0777) == 0)
      quellsy::platform::GiveToInvokingUser(walked.c_str());
    else if (errno != EEXIST)
      return false;
    struct stat info {};
    if (lstat(walked.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  }
  return true;
}

// A copy that is not the file's whole content keeps what it got under a name that says so; where it cannot be
// renamed it goes, so that no such copy passes for the file.
void MarkIncomplete(const std::string& path) {
  const std::filesystem::path written(path);
  const std::string marked =
      FirstFree((written.parent_path() / quellsy::IncompleteName(written.filename().string())).string());
  if (std::rename(path.c_str(), marked.c_str()) != 0) std::remove(path.c_str());
}

// Whether the copier made the output file before it gave result: the codes of a file never opened leave
// whatever is at the path alone.
bool OutputWasMade(quellsy::ResultCode result) {
  return result != CDataRecovery::kRecoverNullPath && result != CDataRecovery::kRecoverNoReaderNoOutput &&
         result != CDataRecovery::kRecoverLimitOnCompressed && result != CDataRecovery::kRecoverCannotOpen;
}

// What is left at path after a copy that gave result: a stopped copy, one with zeros for unreadable parts and a
// failed one that wrote something are kept only under the incomplete name; a failed one that wrote nothing goes.
void SettleCopy(const std::string& path, quellsy::ResultCode result) {
  if (path.empty() || !quellsy::IsFailure(result) || !OutputWasMade(result) || !Exists(path)) return;
  struct stat info {};
  const bool stoppedOrGaps =
      result == CDataRecovery::kRecoverPartial || quellsy::ErrorOf(result) == quellsy::error::kIncomplete;
  if (stoppedOrGaps || (lstat(path.c_str(), &info) == 0 && info.st_size > 0))
    MarkIncomplete(path);
  else
    std::remove(path.c_str());
}

}  // namespace

KDUIRecovery* KDUIRecovery::instance() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  if (!instanceObject) instanceObject = std::make_unique<KDUIRecovery>();
  return instanceObject.get();
}

void KDUIRecovery::ResetForTests() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  instanceObject.reset();
}

void KDUIRecovery::ReleaseInstanceObjects() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  if (instanceObject) instanceObject->ReleaseDataRecovery();
}

KDUIRecovery::KDUIRecovery(KDUIScan* scan, std::chrono::milliseconds pauseStep)
    : KDUIOperation(pauseStep), scan_(scan) {
  if (scan_) scan_->AttachRecovery(this);
  ResetParam();
}

KDUIRecovery::~KDUIRecovery() {
  ReleaseDataRecovery();
  if (scan_) scan_->AttachRecovery(nullptr);
}

KDUIScan* KDUIRecovery::Scan() const { return scan_ ? scan_ : KDUIScan::instance(); }

void KDUIRecovery::ResetParam() {
  ReleaseDataRecovery();
  currentNode_ = nullptr;
  InitDataRecoveryController();
  if (GetStatus() != OPERATION_STATUS_RUNNING) {
    recoveredSize_ = 0;
    totalSize_ = 0;
  }
  totalFiles_ = 0;
  SetNeedUIUpdate(0);
  SetProgressInfo(_PROGRESS_INFO{});
}

void KDUIRecovery::InitDataRecoveryController() {
  if (!controller_) controller_ = Scan()->GetRecoveryController();
  if (!controller_) return;
  const std::lock_guard<std::mutex> hold(recoveryLock_);
  for (const auto& [key, searcher] : kObjectSearchers) {
    IDataRecovery*& slot = bySearcher_[key];
    if (slot) slot->Release();
    slot = controller_->GetDataRecovery(searcher);
  }
  if (Scan()->IsDeepScan() == 1) madeForComplete_ = 1;
}

void KDUIRecovery::ReleaseDataRecovery() {
  const std::lock_guard<std::mutex> hold(recoveryLock_);
  for (auto& [type, recovery] : bySearcher_)
    if (recovery) recovery->Release();
  bySearcher_.clear();
  controller_ = nullptr;
}

IDataRecovery* KDUIRecovery::GetDataRecoveryByType(_tagSearcherType type) const {
  const auto found = bySearcher_.find(type);
  return found == bySearcher_.end() ? nullptr : found->second;
}

int KDUIRecovery::GetCreateDirIndex(_tagSearcherType type) const {
  const auto found = dirIndex_.find(type);
  return found == dirIndex_.end() ? 0 : found->second;
}

quellsy::ResultCode KDUIRecovery::CopyFile(IDataRecovery& recovery, IFileNode* node, const char* path) {
  return recovery.RecoverNodeTo(node, path, this, 0);
}

quellsy::ResultCode KDUIRecovery::DoRecovery() {
  KDUIScan* scan = Scan();
  recoveredSize_ = 0;
  recoveredFiles_ = 0;
  failedFiles_ = 0;
  incompleteFiles_ = 0;
  lastDone_ = 0;
  scan->SetCurrentScanRecoveryCnt(scan->GetCurrentScanRecoveryCnt() + 1);
  quellsy::ResultCode last = quellsy::kResultOk;
  quellsy::ResultCode firstFailure = quellsy::kResultOk;
  // The files checked when the walk starts: a mark changed meanwhile belongs to the next recovery.
  std::uint64_t checkedSize = 0;
  const std::vector<IFileNode*> checked = quellsy::bridge::ResultTrees::SelectedFiles(*scan, checkedSize);
  for (IFileNode* file : checked) {
    if (Continued() == 0) break;
    if (!controller_ || (scan->IsDeepScan() == 1 && madeForComplete_ == 0)) ResetParam();
    if (!controller_) continue;
    IDataRecovery* recovery = nullptr;
    if (controller_->thisType() == RECOVERY_CONTROLLER_QUICK)
      recovery = scan->GetFileNodeDataRecover(file);
    else
      recovery = GetDataRecoveryByType(KDCPPPublic::instance()->GetNodeSearcheType(file));
    if (!recovery) continue;
    currentNode_ = file;
    ++recoveredFiles_;
    lastDone_ = 0;
    const std::string path = CreateRecoveryFilePathByNode(file, destination_, this);
    quellsy::ResultCode result;
    for (;;) {
      {
        // Thumbnails read through the same objects: never in the middle of a copy.
        const std::lock_guard<std::mutex> hold(recoveryLock_);
        result = CopyFile(*recovery, file, path.empty() ? nullptr : path.c_str());
      }
      if (quellsy::ErrorOf(result) != quellsy::error::kNoSpace || path.empty()) break;
      // The destination is full: the partial copy goes, and the walk waits until the user has freed room and
      // continues (the file is copied again) or stops.
      std::remove(path.c_str());
      if (!pausedForRoom_) PauseForRoom(result);
      pausedForRoom_ = false;
      if (Continued() == 0) break;
    }
    last = result;
    SettleCopy(path, result);
    if (result == CDataRecovery::kRecoverPartial || quellsy::ErrorOf(result) == quellsy::error::kIncomplete) {
      ++incompleteFiles_;
    } else if (quellsy::IsFailure(result)) {
      ++failedFiles_;
      if (firstFailure == quellsy::kResultOk) firstFailure = result;
    }
  }
  SetNeedUIUpdate(1);
  SetStatus(OPERATION_STATUS_IDLE);
  std::printf("========Recovery finished!==========\n");
  if (failedFiles_ || incompleteFiles_)
    std::printf("========Recovery: %llu failed, %llu incomplete==========\n",
                static_cast<unsigned long long>(failedFiles_), static_cast<unsigned long long>(incompleteFiles_));
  // A later success must not hide an earlier failure.
  return firstFailure != quellsy::kResultOk ? firstFailure : last;
}

void KDUIRecovery::UpdateProgress(_PROGRESS_INFO* info) {
  if (!info) return;
  if (info->status == PROGRESS_STATUS_NO_COUNT) {
    SetNeedUIUpdate(1);
    return;
  }
  if (info->current > lastDone_) recoveredSize_ += info->current - lastDone_;
  lastDone_ = info->current;
  _PROGRESS_INFO kept{};
  kept.total = totalSize_;
  kept.current = recoveredSize_;
  kept.result = info->result;
  SetProgressInfo(kept);
  const IFileNode* current = currentNode_;
  if (current && info->current == info->total)
    std::printf("===Recvoeried file(%llu):%s=====\n", static_cast<unsigned long long>(recoveredFiles_),
                current->GetFileName() ? current->GetFileName() : "");
  // The destination is full: wait in the next Continued until the user continues or stops.
  if (quellsy::ErrorOf(info->result) == quellsy::error::kShortWrite) SetStatus(OPERATION_STATUS_PAUSE);
  if (quellsy::ErrorOf(info->result) == quellsy::error::kNoSpace) {
    SetStatus(OPERATION_STATUS_PAUSE);
    pausedForRoom_ = true;
  }
  SetNeedUIUpdate(1);
}

void KDUIRecovery::PauseForRoom(quellsy::ResultCode result) {
  _PROGRESS_INFO kept = GetProgressInfo();
  kept.result = result;
  SetProgressInfo(kept);
  SetStatus(OPERATION_STATUS_PAUSE);
  SetNeedUIUpdate(1);
}

void KDUIRecovery::PauseOrResume() {
  PauseOrResumeOperation();
  if (GetStatus() != OPERATION_STATUS_RUNNING) return;
  // Resumed: what paused it is over, and the windows must not take it for a new stop.
  _PROGRESS_INFO kept = GetProgressInfo();
  kept.result = quellsy::kResultOk;
  SetProgressInfo(kept);
}

bool KDUIRecovery::RecoveryPathIsSameDevice(const char* path) const {
  return path && RecoveryFolderIsSameDevice(quellsy::platform::DeviceOfFolder(path));
}

bool KDUIRecovery::RecoveryFolderIsSameDevice(const quellsy::platform::FolderDevice& folder) const {
  if (!folder.deviceNumber) return false;
  IStorageDevice* saved = Scan()->GetSavedStorage();
  std::vector<IStorageDevice*> devices;
  KDUIDeviceData* list = KDUIDeviceData::instance();
  if (list->IsDiskStorage(saved))
    list->GetDiskVolumeStorage(saved, devices);
  else if (saved)
    devices.push_back(saved);
  for (IStorageDevice* device : devices) {
    const auto* volume = KDUIScan::GetStorageVolumeInfo(device);
    if (!volume) continue;
    if (volume->deviceId == *folder.deviceNumber) return true;
    const std::string node = std::string("/dev/") + volume->bsdName;
    if (volume->bsdName[0] == '\0') continue;
    for (const auto& source : folder.mountSources)
      if (source == node) return true;
  }
  return false;
}

std::string CreateRecoveryFilePathByNode(IFileNode* node, const std::string& destination, KDUIRecovery* recovery) {
  if (!node || destination.empty() || !node->IsNodeShow()) return "";
  if (!recovery) recovery = KDUIRecovery::instance();
  const _tagSearcherType searcher = KDCPPPublic::instance()->GetNodeSearcheType(node);
  if (searcher == SEARCHER_NONE) return "";
  const std::string stem = destination + KDUIPublic::GetFileSystemStrByType(searcher);
  const int index = recovery->GetCreateDirIndex(searcher);
  char number[16];
  std::string folder;
  if (index < 1) {
    for (int i = 1; i < 10000; ++i) {
      std::snprintf(number, sizeof number, "%04d", i);
      if (Exists(stem + number)) continue;
      folder = stem + number;
      if (!MakeFolderInside(destination, folder)) return "";
      recovery->SetCreateDirIndex(searcher, i);
      break;
    }
    if (folder.empty()) return "";
  } else {
    std::snprintf(number, sizeof number, "%04d", index);
    folder = stem + number;
  }
  const std::string base = folder + KDUIPublic::GetPathByFileNode(node);
  if (node->IsDirectory()) {
    MakeFolderInside(destination, base);
    return "";
  }
  std::string chosen = FirstFree(base);
  if (!MakeFolderInside(destination, std::filesystem::path(chosen).parent_path().string())) return "";
  return FirstFree(chosen);
}
