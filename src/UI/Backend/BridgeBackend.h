#pragma once
// The backend of the program: every call forwarded to the bridge (KDUIController, the device list, the media
// notifier, the scan-result entry, KDPublicUtilities). The images of found files are made here, in the window
// layer: the bridge says which reader and which bytes (KDThumbnailSource), and the kit's thumbnail decoders
// make the picture (Qt's image readers, LibRaw's embedded preview of a camera raw, a movie's frame); a file they
// cannot read gets the icon of its type.

#include <mutex>

#include "UI/Backend/IFacadeBackend.h"

namespace quellsy::ui {

class BridgeBackend : public IFacadeBackend {
 public:
  // The longest side of a picture made from a found file.
  static constexpr int kMaxPictureSide = 1024;

  // A picture decoded from a file's first bytes, scaled to at most kMaxPictureSide; null when the bytes are
  // no picture Qt reads.
  static QImage DecodePicture(const std::vector<std::uint8_t>& bytes);

  // The windows list loop devices attached to image files, as disks of the disk-image kind.
  BridgeBackend();

  bool IsAppRunning() override;
  void initFileType() override;
  void ReleaseDataRecovery() override;
  void NotifiyDeviceInfoAfterInit(const std::string& name) override;
  DeviceItems GetDeviceInfoToArray() override;
  int RefreshDeviceInfo() override;
  bool NotifyDeviceInfoAfterRefresh(const std::string& name, const std::string& dmgPath) override;
  int KDOpenDmgFile(const std::string& path) override;
  int KDOpenQimFile(const std::string& path) override;
  void SetRecoveryType(unsigned int mask) override;
  bool USBNotifier_init() override;
  void CloseApp() override;

  bool DoScanWithData(const DiskVolumeNodeData* data, const std::string& name) override;
  bool DoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name) override;
  bool isQimDoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name) override;
  bool DoDeepScan(const std::string& name) override;
  bool IsScanRunning() override;
  bool IsPause() override;
  bool IsDeepScan() override;
  void PauseOrResumeScan() override;
  void StopScan(int noTree) override;
  void ResetShouldBuild() override;
  std::string GetScanProgress(double& percent, std::uint64_t& files) override;
  void GetScanFileSize(std::uint64_t& size, std::uint64_t& count) override;

  bridge::PathTreeTail PathTail(std::size_t from) override;
  std::vector<IFileNode*> PathChildFiles(std::size_t folder) override;
  std::size_t PathChildrenCount(std::size_t folder) override;
  GroupNodes KDGetTopNodes(int kind) override;
  GroupNodes GetChildGroups(const OpNodeData* node) override;
  std::vector<IFileNode*> GetFileNodeToArray(const OpNodeData* node) override;
  std::uint64_t GetScanGeneration() override;
  std::size_t GetNodeChildrenCnt(const OpNodeData* node) override;
  int GetNodeState(const OpNodeData* node) override;
  void KDSetNodeState(OpNodeData* node, int state) override;
  void KDResetTreeNodeData() override;
  int KDCleanOpNodeSate() override;
  void KDSetFlag(int flag) override;
  void SetViewType(int type) override;
  void RefreshData() override;
  bridge::PathTreeTail GetScanTreeNodeData(bool clearNodeState) override;
  void RefreshTypeTreeState(OpNodeData* node) override;
  void RefreshTimeTreeState(int kind, int changeTable) override;
  void KDTableViewCellCilck() override;
  void UnselectedAllNodes() override;
  QImage getImageForType(const QString& extension) override;
  QImage GetNSImageByNode(const OpNodeData* node) override;
  QImage GetNSImageByFildNodeNSNumber(IFileNode* node) override;
  QImage ThumbnailOfNode(const OpNodeData* node, const ThumbnailTicket& ticket) override;
  QImage ThumbnailOfFileNode(IFileNode* node, const ThumbnailTicket& ticket);

  bool DoSearchWithString(const std::string& key, const std::string& name) override;
  std::string GetSearchString() override;
  void StopSearch() override;
  bool KDGetIsSearching() override;
  std::vector<IFileNode*> GetSearchResultToArr() override;

  void GetSelectedFilesAmout(std::uint64_t& count, std::uint64_t& size) override;
  bool IsRecoveryToSameDevice(const platform::FolderDevice& folder) override;
  ResultCode DoRecovery(const std::string& path, const std::string& name) override;
  std::string GetRecoveryProgressTotal(std::uint64_t& total, std::uint64_t& current, ResultCode& code) override;
  bool IsRecoveryRunning() override;
  bool IsRecoveryStopping() override;
  void PauseOrResumeRecovery() override;
  void StopRecvoery() override;
  std::uint64_t GetRecoveridedFiles() override;
  std::uint64_t GetRecoveryFailedFiles() override;

  int beginSaveOrRestoreNode(bool save, const std::string& path, const std::string& qimPath) override;
  void RestorPostUIUpdate(const std::string& name, bool save) override;
  void GetSaveorRestoreProgress(std::uint64_t& total, std::uint64_t& current, std::uint64_t& code,
                                bool saver) override;
  std::string GetSaveFileName() override;
  void SavePathToPList(const std::string& path) override;
  std::string GetSavePath() override;

  int getSystemVersion() override;
  std::optional<std::string> getUpDataTimeStr() override;
  bool writeUpDataTimeStr(const std::string& text) override;
  bool isCanBeUseNetWork() override;

 private:
  // Found files are read one at a time, whichever thread asks (the data-recovery objects are shared).
  std::mutex readLock_;
};

}  // namespace quellsy::ui
