#include "UI/Backend/BridgeBackend.h"

#include "Bridge/DeviceListFacade.h"
#include "Bridge/KDPublicUtilities.h"
#include "Bridge/KDScanResultEntry.h"
#include "Bridge/KDThumbnailSource.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/MediaNotifier.h"
#include "Bridge/OpNodeData.h"
#include "Bridge/ResultTrees.h"
#include "UI/Kit/Thumbnails/ThumbnailDecoders.h"
#include "UI/Kit/TypeIcons.h"

namespace quellsy::ui {

using bridge::ResultTrees;

QImage BridgeBackend::DecodePicture(const std::vector<std::uint8_t>& bytes) {
  ThumbnailLimits limits;
  limits.maxSide = kMaxPictureSide;
  return DecodePictureBytes(bytes, limits);
}

BridgeBackend::BridgeBackend() { bridge::ListLoopDevices(true); }

bool BridgeBackend::IsAppRunning() { return KDUIController::IsAppRunning(); }
void BridgeBackend::initFileType() { KDUIController::initFileType(); }
void BridgeBackend::ReleaseDataRecovery() { KDUIController::ReleaseDataRecovery(); }
void BridgeBackend::NotifiyDeviceInfoAfterInit(const std::string& name) { bridge::NotifiyDeviceInfoAfterInit(name); }
DeviceItems BridgeBackend::GetDeviceInfoToArray() { return KDUIController::GetDeviceInfoToArray(); }
int BridgeBackend::RefreshDeviceInfo() { return bridge::RefreshDeviceInfo(KDUIScan::instance()); }
bool BridgeBackend::NotifyDeviceInfoAfterRefresh(const std::string& name, const std::string& dmgPath) {
  return bridge::NotifyDeviceInfoAfterRefresh(KDUIScan::instance(), name, dmgPath);
}
int BridgeBackend::KDOpenDmgFile(const std::string& path) { return bridge::KDOpenDmgFile(path); }
int BridgeBackend::KDOpenQimFile(const std::string& path) { return bridge::KDOpenQimFile(path); }
void BridgeBackend::SetRecoveryType(unsigned int mask) { KDUIController::SetRecoveryType(mask); }
bool BridgeBackend::USBNotifier_init() { return bridge::USBNotifier_init(); }
void BridgeBackend::CloseApp() { KDUIController::CloseApp(); }

bool BridgeBackend::DoScanWithData(const DiskVolumeNodeData* data, const std::string& name) {
  return KDUIController::DoScanWithData(data, name);
}
bool BridgeBackend::DoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name) {
  return KDUIController::DoDeepScanWithData(data, name);
}
bool BridgeBackend::isQimDoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name) {
  return KDUIController::isQimDoDeepScanWithData(data, name);
}
bool BridgeBackend::DoDeepScan(const std::string& name) { return KDUIController::DoDeepScan(name); }
bool BridgeBackend::IsScanRunning() { return KDUIController::IsScanRunning(); }
bool BridgeBackend::IsPause() { return KDUIController::IsPause(); }
bool BridgeBackend::IsDeepScan() { return KDUIController::IsDeepScan(); }
void BridgeBackend::PauseOrResumeScan() { KDUIController::PauseOrResumeScan(); }
void BridgeBackend::StopScan(int noTree) { KDUIController::StopScan(noTree); }
void BridgeBackend::ResetShouldBuild() { KDUIController::ResetShouldBuild(); }
std::string BridgeBackend::GetScanProgress(double& percent, std::uint64_t& files) {
  return KDUIController::GetScanProgress(percent, files);
}
void BridgeBackend::GetScanFileSize(std::uint64_t& size, std::uint64_t& count) {
  KDUIController::GetScanFileSize(size, count);
}

bridge::PathTreeTail BridgeBackend::PathTail(std::size_t from) { return ResultTrees::Instance().PathTail(from); }
std::vector<IFileNode*> BridgeBackend::PathChildFiles(std::size_t folder) {
  return ResultTrees::Instance().ChildFiles(folder);
}
std::size_t BridgeBackend::PathChildrenCount(std::size_t folder) {
  return ResultTrees::Instance().ChildrenCount(folder);
}
GroupNodes BridgeBackend::KDGetTopNodes(int kind) { return KDUIController::KDGetTopNodes(kind); }
GroupNodes BridgeBackend::GetChildGroups(const OpNodeData* node) { return KDUIController::GetChildGroups(node); }
std::vector<IFileNode*> BridgeBackend::GetFileNodeToArray(const OpNodeData* node) {
  return KDUIController::GetFileNodeToArray(node);
}
std::uint64_t BridgeBackend::GetScanGeneration() { return KDUIController::GetScanGeneration(); }
std::size_t BridgeBackend::GetNodeChildrenCnt(const OpNodeData* node) { return KDUIController::GetNodeChildrenCnt(node); }
int BridgeBackend::GetNodeState(const OpNodeData* node) { return KDUIController::GetNodeState(node); }
void BridgeBackend::KDSetNodeState(OpNodeData* node, int state) { KDUIController::KDSetNodeState(node, state); }
void BridgeBackend::KDResetTreeNodeData() { ResultTrees::Instance().Reset(); }
int BridgeBackend::KDCleanOpNodeSate() { return KDUIController::KDCleanOpNodeSate(); }
void BridgeBackend::KDSetFlag(int flag) { KDUIController::KDSetFlag(flag); }
void BridgeBackend::SetViewType(int type) { KDUIController::SetViewType(type); }
void BridgeBackend::RefreshData() { KDUIController::RefreshData(); }
bridge::PathTreeTail BridgeBackend::GetScanTreeNodeData(bool clearNodeState) {
  return KDUIController::GetScanTreeNodeData(clearNodeState);
}
void BridgeBackend::RefreshTypeTreeState(OpNodeData* node) { KDUIController::RefreshTypeTreeState(node); }
void BridgeBackend::RefreshTimeTreeState(int kind, int changeTable) {
  KDUIController::RefreshTimeTreeState(kind, changeTable);
}
void BridgeBackend::KDTableViewCellCilck() { KDUIController::KDTableViewCellCilck(); }
void BridgeBackend::UnselectedAllNodes() { KDUIController::UnselectedAllNodes(); }

QImage BridgeBackend::getImageForType(const QString& extension) { return TypeIcon(extension); }

QImage BridgeBackend::GetNSImageByNode(const OpNodeData* node) {
  return GetNSImageByFildNodeNSNumber(node ? node->fileNode() : nullptr);
}

QImage BridgeBackend::GetNSImageByFildNodeNSNumber(IFileNode* node) {
  return ThumbnailOfFileNode(node, ThumbnailTicket(ThumbnailLimits().timeLimit));
}

QImage BridgeBackend::ThumbnailOfNode(const OpNodeData* node, const ThumbnailTicket& ticket) {
  return ThumbnailOfFileNode(node ? node->fileNode() : nullptr, ticket);
}

QImage BridgeBackend::ThumbnailOfFileNode(IFileNode* node, const ThumbnailTicket& ticket) {
  if (!node) return QImage();
  const ThumbnailPlan plan = KDThumbnailSource::PlanForNode(node);
  ThumbnailKind kind = ThumbnailKind::kIcon;
  switch (plan.route) {
    case ThumbnailRoute::kPicture:
      // Camera raws the plan takes for plain pictures (NEF, ORF, ...) still show their embedded previews.
      kind = ThumbnailKindOfExtension(QString::fromStdString(plan.extension)) == ThumbnailKind::kCameraRaw
                 ? ThumbnailKind::kCameraRaw
                 : ThumbnailKind::kPicture;
      break;
    case ThumbnailRoute::kRawPreview:
    case ThumbnailRoute::kRawPreviewOrPicture: kind = ThumbnailKind::kCameraRaw; break;
    case ThumbnailRoute::kMovie: kind = ThumbnailKind::kMovie; break;
    case ThumbnailRoute::kIcon: break;
  }
  std::optional<std::vector<std::uint8_t>> bytes;
  if (kind != ThumbnailKind::kIcon && !ticket.Expired()) {
    const std::lock_guard<std::mutex> hold(readLock_);
    bytes = KDThumbnailSource::ReadNodeBytes(KDThumbnailSource::DataRecoveryForNode(node), node, plan.byteLimit);
  }
  ThumbnailLimits limits;
  limits.maxSide = kMaxPictureSide;
  return DecodeThumbnail(bytes ? kind : ThumbnailKind::kIcon, bytes ? *bytes : std::vector<std::uint8_t>(),
                         plan.extension, limits, ticket);
}

bool BridgeBackend::DoSearchWithString(const std::string& key, const std::string& name) {
  return KDUIController::DoSearchWithString(key, name);
}
std::string BridgeBackend::GetSearchString() { return KDUIController::GetSearchString(); }
void BridgeBackend::StopSearch() { KDUIController::StopSearch(); }
bool BridgeBackend::KDGetIsSearching() { return KDUIController::KDGetIsSearching(); }
std::vector<IFileNode*> BridgeBackend::GetSearchResultToArr() { return KDUIController::GetSearchResultToArr(); }

void BridgeBackend::GetSelectedFilesAmout(std::uint64_t& count, std::uint64_t& size) {
  KDUIController::GetSelectedFilesAmout(count, size);
}
bool BridgeBackend::IsRecoveryToSameDevice(const platform::FolderDevice& folder) {
  return KDUIController::IsRecoveryToSameDevice(folder);
}
ResultCode BridgeBackend::DoRecovery(const std::string& path, const std::string& name) {
  return KDUIController::DoRecovery(path.empty() ? nullptr : path.c_str(), name);
}
std::string BridgeBackend::GetRecoveryProgressTotal(std::uint64_t& total, std::uint64_t& current, ResultCode& code) {
  return KDUIController::GetRecoveryProgressTotal(total, current, code);
}
bool BridgeBackend::IsRecoveryRunning() { return KDUIController::IsRecoveryRunning(); }
bool BridgeBackend::IsRecoveryStopping() { return KDUIRecovery::instance()->GetStatus() == OPERATION_STATUS_STOP; }
void BridgeBackend::PauseOrResumeRecovery() { KDUIController::PauseOrResumeRecovery(); }
void BridgeBackend::StopRecvoery() { KDUIController::StopRecvoery(); }
std::uint64_t BridgeBackend::GetRecoveridedFiles() { return KDUIController::GetRecoveridedFiles(); }
std::uint64_t BridgeBackend::GetRecoveryFailedFiles() { return KDUIController::GetRecoveryFailedFiles(); }

int BridgeBackend::beginSaveOrRestoreNode(bool save, const std::string& path, const std::string& qimPath) {
  return KDUIController::beginSaveOrRestoreNode(save, path.empty() ? nullptr : path.c_str(),
                                                qimPath.empty() ? nullptr : qimPath.c_str());
}
void BridgeBackend::RestorPostUIUpdate(const std::string& name, bool save) {
  KDScanResultEntry::RestorPostUIUpdate(name, save);
}
void BridgeBackend::GetSaveorRestoreProgress(std::uint64_t& total, std::uint64_t& current, std::uint64_t& code,
                                             bool saver) {
  KDScanResultEntry::GetSaveorRestoreProgress(&total, &current, &code, saver);
}
std::string BridgeBackend::GetSaveFileName() { return KDScanResultEntry::GetSaveFileName(); }
void BridgeBackend::SavePathToPList(const std::string& path) { KDScanResultEntry::SavePathToPList(path); }
std::string BridgeBackend::GetSavePath() { return KDScanResultEntry::GetSavePath(); }

int BridgeBackend::getSystemVersion() { return KDPublicUtilities::getSystemVersion(); }
std::optional<std::string> BridgeBackend::getUpDataTimeStr() { return KDPublicUtilities::getUpDataTimeStr(); }
bool BridgeBackend::writeUpDataTimeStr(const std::string& text) { return KDPublicUtilities::writeUpDataTimeStr(text); }
bool BridgeBackend::isCanBeUseNetWork() { return KDPublicUtilities::isCanBeUseNetWork(); }

}  // namespace quellsy::ui
