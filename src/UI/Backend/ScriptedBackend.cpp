#include "UI/Backend/ScriptedBackend.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <tuple>

#include "Bridge/BridgeServices.h"
#include "Bridge/DiskVolumeData.h"
#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDScanResultEntry.h"
#include "Bridge/KDThumbnailSource.h"
#include "Bridge/KDUIController.h"
#include "Bridge/OpNodeData.h"
#include "UI/Kit/TypeIcons.h"

namespace quellsy::ui {
namespace {

constexpr ResultCode kShortWrite = 0x010D000000000D03ULL;
// A file that could not be read or created: counted, the recovery goes on.
constexpr ResultCode kFailedCopy = 0x010D010F00000501ULL;

std::vector<std::shared_ptr<OpNodeData>> ChildGroupsOf(const OpNodeData& node) {
  std::vector<std::shared_ptr<OpNodeData>> groups;
  for (const OpNodeData::Child& child : node.children())
    if (const auto* group = std::get_if<std::shared_ptr<OpNodeData>>(&child)) groups.push_back(*group);
  return groups;
}

// A stand-in photograph: sky, sun and hills in colours that follow the file's name.
QImage PictureFor(const std::string& name) {
  const std::size_t hash = std::hash<std::string>()(name);
  const int hue = static_cast<int>(hash % 360);
  QImage image(320, 240, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 240);
  sky.setColorAt(0, QColor::fromHsv(hue, 90, 250));
  sky.setColorAt(1, QColor::fromHsv((hue + 30) % 360, 40, 255));
  painter.fillRect(image.rect(), sky);
  painter.setBrush(QColor(255, 236, 170));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPointF(70 + static_cast<double>(hash % 180), 70), 26, 26);
  QPainterPath hills;
  hills.moveTo(0, 170);
  hills.cubicTo(80, 120, 150, 210, 320, 150);
  hills.lineTo(320, 240);
  hills.lineTo(0, 240);
  painter.fillPath(hills, QColor::fromHsv((hue + 120) % 360, 120, 150));
  return image;
}

_DiskVolumeData Record(const std::string& name, std::int64_t capacity, int disk, int volume, int fileSystem) {
  _DiskVolumeData record;
  record.name = name.c_str();
  record.capacity = capacity;
  record.diskIndex = disk;
  record.volumeIndex = volume;
  record.fileSystem = fileSystem;
  return record;
}

}  // namespace

ScriptedBackend::ScriptedBackend() : devices_(SampleDevices()), scanSteps_(EvenSteps(10)) {
  shape_.volumes = {"System disk"};
  QObject::connect(&player_, &QTimer::timeout, [this] { Step(); });
}

ScriptedBackend::~ScriptedBackend() = default;

std::vector<ScriptedDevice> ScriptedBackend::SampleDevices() {
  return {
      {"APPLE SSD AP0512", 500277790720, false, true, false, false,
       {{"System disk", 9, 494384795648}, {"Recovery", 9, 5368709120}}},
      {"SanDisk Ultra USB 3.0", 30752000000, true, false, false, false, {{"UNTITLED", 7, 30751000000}}},
      {"Card backup.qim", 7948206080, false, false, true, false, {}},
  };
}

std::vector<ScanStep> ScriptedBackend::EvenSteps(int count) {
  std::vector<ScanStep> steps;
  for (int i = 1; i <= count; ++i) {
    const int left = (count - i) * 37;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", left / 3600, left / 60 % 60, left % 60);
    steps.push_back({100.0 * i / count, text});
  }
  return steps;
}

void ScriptedBackend::Note(const char* call) { calls_.emplace_back(call); }

void ScriptedBackend::Post(const std::string& name) {
  if (!name.empty()) bridge::PostOnMainThread(bridge::Notification{name, {}, {}});
}

bool ScriptedBackend::Busy() const {
  return scan_.status != 0 || recovery_.status != 0 || save_.status != 0;
}

bool ScriptedBackend::Step() {
  if (restoring_) return StepSaveOrRestore(scan_, false);
  if (scan_.status != 0) return StepScan();
  if (save_.status != 0) return StepSaveOrRestore(save_, true);
  if (recovery_.status != 0) return StepRecovery();
  return false;
}

int ScriptedBackend::RunToEnd() {
  int steps = 0;
  while (Step()) ++steps;
  return steps;
}

void ScriptedBackend::PlayAutomatically(int intervalMs) {
  if (intervalMs <= 0) {
    player_.stop();
    return;
  }
  player_.start(intervalMs);
}

void ScriptedBackend::AttachMedium(const std::string& name, const std::string& path, std::uint64_t size, bool disk) {
  bridge::Notification notification{"RefreshAttachDevice", {}, {}};
  notification.items.push_back(
      {{"VolumeName", name}, {"VolumePath", path}, {"VolumeSize", std::to_string(size)}, {"isDisk", disk ? "1" : "0"}});
  bridge::PostOnMainThread(std::move(notification));
}

void ScriptedBackend::DetachMedium(const std::string& path) {
  bridge::PostOnMainThread(bridge::Notification{"RefreshDetachDevice", {{"USBPath", path}}, {}});
}

bool ScriptedBackend::IsAppRunning() {
  Note("IsAppRunning");
  return false;
}

void ScriptedBackend::initFileType() { Note("initFileType"); }
void ScriptedBackend::ReleaseDataRecovery() { Note("ReleaseDataRecovery"); }

void ScriptedBackend::NotifiyDeviceInfoAfterInit(const std::string& name) {
  Note("NotifiyDeviceInfoAfterInit");
  Post(name);
}

DeviceItems ScriptedBackend::GetDeviceInfoToArray() {
  Note("GetDeviceInfoToArray");
  std::vector<_DiskVolumeData> records;
  int disk = 0;
  for (const ScriptedDevice& device : devices_) {
    _DiskVolumeData record = Record(device.name, device.capacity, disk, -1, -1);
    record.isUSB = device.usb ? 1 : 0;
    record.isSSD = device.ssd ? 1 : 0;
    record.isQim = device.qim ? 1 : 0;
    record.isAppleDmg = device.dmg ? 1 : 0;
    record.isDmg = device.loop ? 1 : 0;
    record.beCanOpen = device.canOpen ? 1 : 0;
    int volume = 0;
    for (const ScriptedVolume& part : device.volumes) {
      record.volumes.push_back(Record(part.name, part.capacity, disk, volume++, part.fileSystem));
      record.volumes.back().beCanOpen = part.canOpen ? 1 : 0;
    }
    records.push_back(std::move(record));
    ++disk;
  }
  // The items copy every text before the records (which point into devices_) go.
  return DiskVolumeNodeData::ListFromRecords(records);
}

int ScriptedBackend::RefreshDeviceInfo() {
  Note("RefreshDeviceInfo");
  if (scan_.status != 0) StopScan(1);
  return failures_.refreshResult;
}

bool ScriptedBackend::NotifyDeviceInfoAfterRefresh(const std::string& name, const std::string& dmgPath) {
  Note("NotifyDeviceInfoAfterRefresh");
  if (scan_.status != 0) StopScan(1);
  bridge::Notification done{name, {}, {}};
  if (!dmgPath.empty()) done.info.emplace("DmgOpened", std::string(KDOpenDmgFile(dmgPath) ? "1" : "0"));
  bridge::PostOnMainThread(std::move(done));
  return true;
}

int ScriptedBackend::KDOpenDmgFile(const std::string& path) {
  Note("KDOpenDmgFile");
  if (failures_.openImageResult == 0) return 0;
  devices_.push_back({path.substr(path.rfind('/') + 1), 1 << 30, false, false, false, true, {}});
  return failures_.openImageResult;
}

int ScriptedBackend::KDOpenQimFile(const std::string& path) {
  Note("KDOpenQimFile");
  if (failures_.openImageResult == 0) return 0;
  devices_.push_back({path.substr(path.rfind('/') + 1), 1 << 30, false, false, true, false, {}});
  return failures_.openImageResult;
}

void ScriptedBackend::SetRecoveryType(unsigned int mask) {
  Note("SetRecoveryType");
  recoveryType_ = mask;
}

bool ScriptedBackend::USBNotifier_init() {
  Note("USBNotifier_init");
  return true;
}

void ScriptedBackend::CloseApp() {
  Note("CloseApp");
  closed_ = true;
  QCoreApplication::quit();
}

bool ScriptedBackend::StartScan(const DiskVolumeNodeData* data, bool deep) {
  if (!data || failures_.refuseScan || Busy() || searching_) return false;
  deep_ = deep;
  scannedName_ = data->name();
  scan_ = Operation{2, 0, kScanNotification};
  ScriptedResultShape shape = shape_;
  if (data->volumeIndex() >= 0 || shape.volumes.empty()) shape.volumes = {data->name()};
  results_.Make(shape);
  return true;
}

bool ScriptedBackend::DoScanWithData(const DiskVolumeNodeData* data, const std::string&) {
  Note("DoScanWithData");
  return StartScan(data, false);
}

bool ScriptedBackend::DoDeepScanWithData(const DiskVolumeNodeData* data, const std::string&) {
  Note("DoDeepScanWithData");
  return StartScan(data, true);
}

bool ScriptedBackend::isQimDoDeepScanWithData(const DiskVolumeNodeData* data, const std::string&) {
  Note("isQimDoDeepScanWithData");
  return StartScan(data, true);
}

bool ScriptedBackend::DoDeepScan(const std::string&) {
  Note("DoDeepScan");
  if (scannedName_.empty() || failures_.refuseScan || Busy()) return false;
  deep_ = true;
  scan_ = Operation{2, 0, kScanNotification};
  results_.Make(shape_);
  return true;
}

bool ScriptedBackend::StepScan() {
  if (scan_.status == 3) return false;
  if (scan_.status == 1 || scan_.step >= static_cast<int>(scanSteps_.size())) {
    scan_.status = 0;
    Post(kScanNotification);
    return true;
  }
  results_.DeliverUpTo(scanSteps_[static_cast<std::size_t>(scan_.step)].percent / 100.0);
  ++scan_.step;
  Post(kScanNotification);
  if (scan_.step >= static_cast<int>(scanSteps_.size())) scan_.status = 0;
  return true;
}

bool ScriptedBackend::IsScanRunning() { return scan_.status == 1 || scan_.status == 2 || scan_.status == 3; }
bool ScriptedBackend::IsPause() { return scan_.status == 3; }
bool ScriptedBackend::IsDeepScan() { return deep_; }

void ScriptedBackend::PauseOrResumeScan() {
  Note("PauseOrResumeScan");
  if (scan_.status == 2)
    scan_.status = 3;
  else if (scan_.status == 3)
    scan_.status = 2;
}

void ScriptedBackend::StopScan(int noTree) {
  Note("StopScan");
  lastStopNoTree_ = noTree;
  if (scan_.status != 0) scan_.status = 1;
}

void ScriptedBackend::ResetShouldBuild() { Note("ResetShouldBuild"); }

std::string ScriptedBackend::GetScanProgress(double& percent, std::uint64_t& files) {
  files = results_.DeliveredFiles();
  if (restoring_) {
    // A restore counts its own steps.
    percent = saveSteps_ > 0 ? 100.0 * std::min(scan_.step, saveSteps_) / saveSteps_ : 0;
    return KDUIController::kNoEstimate;
  }
  if (scan_.step == 0 || scanSteps_.empty()) {
    percent = 0;
    return KDUIController::kNoEstimate;
  }
  const ScanStep& step = scanSteps_[std::min(static_cast<std::size_t>(scan_.step), scanSteps_.size()) - 1];
  percent = step.percent;
  return step.remaining;
}

void ScriptedBackend::GetScanFileSize(std::uint64_t& size, std::uint64_t& count) {
  size = results_.DeliveredSize();
  count = results_.DeliveredFiles();
}

bridge::PathTreeTail ScriptedBackend::PathTail(std::size_t from) {
  pathTailStarts_.push_back(from);
  return results_.PathTail(from);
}
std::vector<IFileNode*> ScriptedBackend::PathChildFiles(std::size_t folder) { return results_.PathChildFiles(folder); }
std::size_t ScriptedBackend::PathChildrenCount(std::size_t folder) { return results_.PathChildrenCount(folder); }
GroupNodes ScriptedBackend::KDGetTopNodes(int kind) { return results_.TopNodes(kind); }

GroupNodes ScriptedBackend::GetChildGroups(const OpNodeData* node) {
  return node ? ChildGroupsOf(*node) : GroupNodes();
}

std::vector<IFileNode*> ScriptedBackend::GetFileNodeToArray(const OpNodeData* node) {
  std::vector<IFileNode*> files;
  if (!node) return files;
  for (const OpNodeData::Child& child : node->children())
    if (IFileNode* const* file = std::get_if<IFileNode*>(&child)) files.push_back(*file);
  return files;
}

// Played results are never stale: the wrappers the windows make act on them whatever scan they name.
std::uint64_t ScriptedBackend::GetScanGeneration() { return 0; }

std::size_t ScriptedBackend::GetNodeChildrenCnt(const OpNodeData* node) {
  if (!node) return 0;
  std::size_t sum = 0;
  for (const std::shared_ptr<OpNodeData>& group : ChildGroupsOf(*node)) {
    const auto below = ChildGroupsOf(*group);
    if (below.empty()) {
      sum += group->children().size();
      continue;
    }
    for (const std::shared_ptr<OpNodeData>& month : below) sum += month->children().size();
  }
  return ChildGroupsOf(*node).empty() ? node->children().size() : sum;
}

int ScriptedBackend::GetNodeState(const OpNodeData* node) { return node ? node->state() : 0; }

void ScriptedBackend::KDSetNodeState(OpNodeData* node, int state) {
  if (node) node->setNodeState(state);
}

void ScriptedBackend::KDResetTreeNodeData() {
  Note("KDResetTreeNodeData");
  results_.Clear();
}

int ScriptedBackend::KDCleanOpNodeSate() {
  Note("KDCleanOpNodeSate");
  for (int kind = NODE_TREE_FILE_TYPE; kind <= NODE_TREE_MODIFICATION_TIME; ++kind)
    for (const auto& top : results_.TopNodes(kind)) top->setState(0);
  return 1;
}

void ScriptedBackend::KDSetFlag(int flag) {
  Note("KDSetFlag");
  holdBack_ = flag;
}

void ScriptedBackend::SetViewType(int type) { viewType_ = type; }
void ScriptedBackend::RefreshData() { Note("RefreshData"); }

bridge::PathTreeTail ScriptedBackend::GetScanTreeNodeData(bool clearNodeState) {
  Note("GetScanTreeNodeData");
  holdBack_ = 0;
  results_.Rebuild(clearNodeState);
  return results_.PathTail(0);
}

void ScriptedBackend::RefreshTypeTreeState(OpNodeData*) { Note("RefreshTypeTreeState"); }
void ScriptedBackend::RefreshTimeTreeState(int, int) { Note("RefreshTimeTreeState"); }
void ScriptedBackend::KDTableViewCellCilck() { Note("KDTableViewCellCilck"); }

void ScriptedBackend::UnselectedAllNodes() {
  Note("UnselectedAllNodes");
  results_.UncheckAll();
}

QImage ScriptedBackend::getImageForType(const QString& extension) { return TypeIcon(extension); }

QImage ScriptedBackend::GetNSImageByNode(const OpNodeData* node) {
  return GetNSImageByFildNodeNSNumber(node ? node->fileNode() : nullptr);
}

QImage ScriptedBackend::GetNSImageByFildNodeNSNumber(IFileNode* node) {
  if (!node || !node->GetFileName()) return QImage();
  const std::lock_guard<std::mutex> hold(imageLock_);
  const std::string name = node->GetFileName();
  const QString extension = QString::fromStdString(KDThumbnailSource::LowerExtension(name));
  if (TypeGroupOfExtension(extension) == FILTER_TYPE_PICTURE) return PictureFor(name);
  return TypeIcon(extension, QSize(128, 128));
}

bool ScriptedBackend::DoSearchWithString(const std::string& key, const std::string& name) {
  Note("DoSearchWithString");
  if (searching_ || failures_.refuseSearch) return false;
  searching_ = true;
  searchKey_ = key;
  results_.Search(key);
  Post(name);
  Post(kSearchFinished);
  return true;
}

std::string ScriptedBackend::GetSearchString() { return searchKey_; }

void ScriptedBackend::StopSearch() {
  Note("StopSearch");
  searching_ = false;
  holdBack_ = 0;
}

bool ScriptedBackend::KDGetIsSearching() { return searching_; }

std::vector<IFileNode*> ScriptedBackend::GetSearchResultToArr() {
  std::vector<IFileNode*> shown;
  if (searchKey_.empty()) return shown;
  for (IFileNode* file : results_.AllFiles())
    if (file->IsNodeShow()) shown.push_back(file);
  return shown;
}

void ScriptedBackend::GetSelectedFilesAmout(std::uint64_t& count, std::uint64_t& size) {
  size = 0;
  count = results_.CheckedFiles(size).size();
}

bool ScriptedBackend::IsRecoveryToSameDevice(const platform::FolderDevice& folder) {
  if (failures_.scannedDeviceNumber && folder.deviceNumber == failures_.scannedDeviceNumber) return true;
  const std::string& prefix = failures_.scannedDevicePrefix;
  return !prefix.empty() && folder.folder.compare(0, prefix.size(), prefix) == 0;
}

ResultCode ScriptedBackend::DoRecovery(const std::string& path, const std::string& name) {
  Note("DoRecovery");
  if (path.empty() || failures_.refuseRecovery || recovery_.status != 0 || save_.status != 0)
    return KDUIController::kRecoveryRefused;
  recoveryTotal_ = 0;
  recovering_ = results_.CheckedFiles(recoveryTotal_);
  recovered_ = 0;
  recoveryCurrent_ = 0;
  recoveryCode_ = kResultOk;
  recovery_ = Operation{2, 0, name};
  return kResultOk;
}

bool ScriptedBackend::StepRecovery() {
  if (recovery_.status == 3) return false;
  if (recovery_.status == 1 || recovered_ >= recovering_.size()) {
    recovery_.status = 0;
    Post(recovery_.name);
    return true;
  }
  if (recovery_.step == failures_.shortWriteAtRecoveryStep) {
    failures_.shortWriteAtRecoveryStep = -1;  // once: a resumed recovery goes on
    recoveryCode_ = kShortWrite;
    recovery_.status = 3;
    Post(recovery_.name);
    return true;
  }
  recoveryCode_ = kResultOk;
  if (recovery_.step == failures_.failedCopyAtRecoveryStep) recoveryCode_ = kFailedCopy;
  const std::size_t share = (recovering_.size() + static_cast<std::size_t>(recoverySteps_) - 1) /
                            static_cast<std::size_t>(recoverySteps_);
  for (std::size_t i = 0; i < share && recovered_ < recovering_.size(); ++i, ++recovered_)
    recoveryCurrent_ += static_cast<std::uint64_t>(recovering_[recovered_]->GetFileSize());
  ++recovery_.step;
  Post(recovery_.name);
  return true;
}

std::string ScriptedBackend::GetRecoveryProgressTotal(std::uint64_t& total, std::uint64_t& current, ResultCode& code) {
  total = recoveryTotal_;
  current = recoveryCurrent_;
  code = recoveryCode_;
  if (recovered_ == 0 || recovered_ > recovering_.size()) return "";
  const char* name = recovering_[recovered_ - 1]->GetFileName();
  return name ? name : "";
}

bool ScriptedBackend::IsRecoveryRunning() { return recovery_.status == 2 || recovery_.status == 3; }
bool ScriptedBackend::IsRecoveryStopping() { return recovery_.status == 1; }

void ScriptedBackend::PauseOrResumeRecovery() {
  Note("PauseOrResumeRecovery");
  if (recovery_.status == 2) {
    recovery_.status = 3;
  } else if (recovery_.status == 3) {
    recovery_.status = 2;
    recoveryCode_ = kResultOk;  // resumed: the full destination is behind it
  }
}

void ScriptedBackend::StopRecvoery() {
  Note("StopRecvoery");
  if (recovery_.status != 0) recovery_.status = 1;
}

std::uint64_t ScriptedBackend::GetRecoveridedFiles() { return recovered_; }
std::uint64_t ScriptedBackend::GetRecoveryFailedFiles() { return failures_.failedRecoveryFiles; }

int ScriptedBackend::beginSaveOrRestoreNode(bool save, const std::string& path, const std::string&) {
  Note("beginSaveOrRestoreNode");
  if (path.empty()) return -1;
  if (Busy() || searching_) return KDScanResultEntry::kBusy;
  if (save) {
    if (failures_.refuseSave != 0) return failures_.refuseSave;
    save_ = Operation{2, 0, savePollName_};
    return 0;
  }
  results_.Make(shape_);
  restoring_ = true;
  scan_ = Operation{2, 0, restorePollName_};
  return 0;
}

void ScriptedBackend::RestorPostUIUpdate(const std::string& name, bool save) {
  Note("RestorPostUIUpdate");
  (save ? savePollName_ : restorePollName_) = name;
  (save ? save_ : scan_).name = name;
}

bool ScriptedBackend::StepSaveOrRestore(Operation& operation, bool save) {
  // A stopped restore ends at its next step, as the bridge's does.
  if (operation.step >= saveSteps_ || operation.status == 1) {
    operation.status = 0;
    if (!save) restoring_ = false;
    Post(kProgressFinish);
    return true;
  }
  ++operation.step;
  if (!save && failures_.restoreError == 0) results_.DeliverUpTo(static_cast<double>(operation.step) / saveSteps_);
  Post(operation.name);
  return true;
}

void ScriptedBackend::GetSaveorRestoreProgress(std::uint64_t& total, std::uint64_t& current, std::uint64_t& code,
                                               bool saver) {
  const Operation& operation = saver ? save_ : scan_;
  total = static_cast<std::uint64_t>(saveSteps_);
  current = static_cast<std::uint64_t>(std::min(operation.step, saveSteps_));
  const bool finished = operation.status == 0 && operation.step > 0;
  if (finished) current = total;
  if (operation.status != 0 && !saveReports_.empty()) {
    std::tie(total, current) = saveReports_.front();
    saveReports_.erase(saveReports_.begin());
  }
  code = finished ? (saver ? failures_.saveError : failures_.restoreError) : 0;
}

std::string ScriptedBackend::GetSaveFileName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return KDScanResultEntry::FormatSaveFileName(scannedName_.empty() ? "Scan" : scannedName_, local);
}

void ScriptedBackend::SavePathToPList(const std::string& path) { savePath_ = path; }
std::string ScriptedBackend::GetSavePath() { return savePath_; }
int ScriptedBackend::getSystemVersion() { return 601; }
std::optional<std::string> ScriptedBackend::getUpDataTimeStr() { return updateTime_; }

bool ScriptedBackend::writeUpDataTimeStr(const std::string& text) {
  updateTime_ = text;
  return true;
}

bool ScriptedBackend::isCanBeUseNetWork() { return failures_.network; }

}  // namespace quellsy::ui
