#pragma once
// The one door through which every window reaches the engine: the operations of the facade (KDUIController),
// of the public utilities (KDPublicUtilities) and the media notifier, as the windows call them. The real
// implementation (BridgeBackend) forwards to the bridge; the scripted one (ScriptedBackend) plays device
// lists, progress sequences, result trees and failures for the window tests and the screenshot gallery.
// Called on the GUI thread, except the images of found files (also from the grid's and the cover flow's
// loader threads). Long work runs on the backend's own threads; its news comes as notifications posted to the
// GUI thread ("NormalScranValue", "DoSearchValue", "DoSearchFinished", "DoRecovery", "QueryProgressInfo",
// "QueryProgressFinish", "aInitFinished", "RefreshAttachDevice", "RefreshDetachDevice").

#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Bridge/ResultTrees.h"
#include "Platform/DestinationFolder.h"
#include "UI/Kit/Thumbnails/ThumbnailTicket.h"
#include "Utility/ResultCode.h"
#include "include/IFileNode.h"

class DiskVolumeNodeData;
class OpNodeData;

namespace quellsy::ui {

using DeviceItems = std::vector<std::shared_ptr<DiskVolumeNodeData>>;
using GroupNodes = std::vector<std::shared_ptr<OpNodeData>>;

class IFacadeBackend {
 public:
  virtual ~IFacadeBackend() = default;

  // Start-up and devices.
  virtual bool IsAppRunning() = 0;
  virtual void initFileType() = 0;
  virtual void ReleaseDataRecovery() = 0;
  // Enumerates in the background unless done or under way, then posts name.
  virtual void NotifiyDeviceInfoAfterInit(const std::string& name) = 0;
  virtual DeviceItems GetDeviceInfoToArray() = 0;
  // Stops a scan, then enumerates again; 0 when the scan did not end in time.
  virtual int RefreshDeviceInfo() = 0;
  // The same in the background, opening the disk image dmgPath first when one is given, then posts name
  // ("DmgOpened" "1" or "0" when an image was asked for); the device list is empty until then. False, with
  // nothing started, while an enumeration is under way.
  virtual bool NotifyDeviceInfoAfterRefresh(const std::string& name, const std::string& dmgPath) = 0;
  // Non-zero when the image was added to the device list.
  virtual int KDOpenDmgFile(const std::string& path) = 0;
  virtual int KDOpenQimFile(const std::string& path) = 0;
  virtual void SetRecoveryType(unsigned int mask) = 0;
  // Media arrivals and removals become "RefreshAttachDevice" and "RefreshDetachDevice".
  virtual bool USBNotifier_init() = 0;
  // Ends the program (the real one ends the process at once).
  virtual void CloseApp() = 0;

  // Scan.
  virtual bool DoScanWithData(const DiskVolumeNodeData* data, const std::string& name) = 0;
  virtual bool DoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name) = 0;
  virtual bool isQimDoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name) = 0;
  virtual bool DoDeepScan(const std::string& name) = 0;
  virtual bool IsScanRunning() = 0;
  virtual bool IsPause() = 0;
  virtual bool IsDeepScan() = 0;
  virtual void PauseOrResumeScan() = 0;
  virtual void StopScan(int noTree) = 0;
  virtual void ResetShouldBuild() = 0;
  // Percentage and files found; returns the remaining time ("hh:mm:ss" or "-:-:-").
  virtual std::string GetScanProgress(double& percent, std::uint64_t& files) = 0;
  virtual void GetScanFileSize(std::uint64_t& size, std::uint64_t& count) = 0;

  // Result trees. The path tree is read by position (what was added since a view's last look); the type and
  // date trees as groups, their nodes read through these calls.
  virtual bridge::PathTreeTail PathTail(std::size_t from) = 0;
  virtual std::vector<IFileNode*> PathChildFiles(std::size_t folder) = 0;
  virtual std::size_t PathChildrenCount(std::size_t folder) = 0;
  virtual GroupNodes KDGetTopNodes(int kind) = 0;
  virtual GroupNodes GetChildGroups(const OpNodeData* node) = 0;
  virtual std::vector<IFileNode*> GetFileNodeToArray(const OpNodeData* node) = 0;
  // The scan whose results are held now; a wrapper the window makes of a listed file carries the scan it was
  // listed in, so a mark never reaches a file of an earlier scan.
  virtual std::uint64_t GetScanGeneration() = 0;
  virtual std::size_t GetNodeChildrenCnt(const OpNodeData* node) = 0;
  virtual int GetNodeState(const OpNodeData* node) = 0;
  virtual void KDSetNodeState(OpNodeData* node, int state) = 0;
  virtual void KDResetTreeNodeData() = 0;
  virtual int KDCleanOpNodeSate() = 0;
  virtual void KDSetFlag(int flag) = 0;
  virtual void SetViewType(int type) = 0;
  virtual void RefreshData() = 0;
  // Builds every result tree again (after a search); the path tree as a view reads it anew.
  virtual bridge::PathTreeTail GetScanTreeNodeData(bool clearNodeState) = 0;
  virtual void RefreshTypeTreeState(OpNodeData* node) = 0;
  virtual void RefreshTimeTreeState(int kind, int changeTable) = 0;
  virtual void KDTableViewCellCilck() = 0;
  virtual void UnselectedAllNodes() = 0;
  // The small icon of a file type; null when unknown.
  virtual QImage getImageForType(const QString& extension) = 0;
  // A found file's picture made from its data, else its type's icon; null when there is none. Any thread.
  virtual QImage GetNSImageByNode(const OpNodeData* node) = 0;
  virtual QImage GetNSImageByFildNodeNSNumber(IFileNode* node) = 0;
  // The same for the thumbnail loaders, giving up once the ticket expires (stopped or out of time).
  virtual QImage ThumbnailOfNode(const OpNodeData* node, const ThumbnailTicket& ticket) {
    return ticket.Expired() ? QImage() : GetNSImageByNode(node);
  }

  // Search.
  virtual bool DoSearchWithString(const std::string& key, const std::string& name) = 0;
  virtual std::string GetSearchString() = 0;
  virtual void StopSearch() = 0;
  virtual bool KDGetIsSearching() = 0;
  virtual std::vector<IFileNode*> GetSearchResultToArr() = 0;

  // Recovery.
  virtual void GetSelectedFilesAmout(std::uint64_t& count, std::uint64_t& size) = 0;
  // Whether a folder looked at already (DestinationCheck, off the GUI thread) lies on the scanned device.
  virtual bool IsRecoveryToSameDevice(const platform::FolderDevice& folder) = 0;
  virtual ResultCode DoRecovery(const std::string& path, const std::string& name) = 0;
  // Returns the name of the file being copied.
  virtual std::string GetRecoveryProgressTotal(std::uint64_t& total, std::uint64_t& current, ResultCode& code) = 0;
  virtual bool IsRecoveryRunning() = 0;
  // A stop was asked and the copy has not ended yet (the file being copied is still being finished).
  virtual bool IsRecoveryStopping() = 0;
  virtual void PauseOrResumeRecovery() = 0;
  virtual void StopRecvoery() = 0;
  virtual std::uint64_t GetRecoveridedFiles() = 0;
  // Files of the last recovery that could not be copied at all.
  virtual std::uint64_t GetRecoveryFailedFiles() = 0;

  // Scan-result files.
  virtual int beginSaveOrRestoreNode(bool save, const std::string& path, const std::string& qimPath) = 0;
  virtual void RestorPostUIUpdate(const std::string& name, bool save) = 0;
  virtual void GetSaveorRestoreProgress(std::uint64_t& total, std::uint64_t& current, std::uint64_t& code,
                                        bool saver) = 0;
  virtual std::string GetSaveFileName() = 0;
  virtual void SavePathToPList(const std::string& path) = 0;
  // Empty when none was stored.
  virtual std::string GetSavePath() = 0;

  // Utilities with side effects (the pure ones are KDPublicUtilities' own).
  virtual int getSystemVersion() = 0;
  virtual std::optional<std::string> getUpDataTimeStr() = 0;
  virtual bool writeUpDataTimeStr(const std::string& text) = 0;
  virtual bool isCanBeUseNetWork() = 0;
};

// The backend the windows use: installed once by the program (the bridge) or by a test or the gallery (the
// scripted one). Not owned.
void SetBackend(IFacadeBackend* backend);
// The installed backend; calling it before one is installed is a programming error.
IFacadeBackend& Backend();
bool HasBackend();

}  // namespace quellsy::ui
