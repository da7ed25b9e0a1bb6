#pragma once
// A backend that plays a script instead of driving the engine, for the window tests and the screenshot
// gallery: a device list, a scan that advances one step of progress (and a share of made-up results) per
// Step(), a recovery, a save and a restore that advance the same way, a search over the results, media coming
// and going, and failures on request (a refused scan, recovery or search, an image that will not open, a
// short write in the middle of a recovery, a restore that cannot find its device). Notifications go through
// the installed main-thread poster as the bridge's do. Every call is noted by name for the tests. GUI thread
// only, except the images of found files.

#include <QTimer>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "UI/Backend/IFacadeBackend.h"
#include "UI/Backend/ScriptedResults.h"

namespace quellsy::ui {

struct ScriptedVolume {
  std::string name;
  int fileSystem = 2;  // the codes of fileSystemTypeForInt: 2 FAT32, 3 NTFS, 7 exFAT, 8 HFS+, 9 APFS, ...
  std::int64_t capacity = 0;
  bool canOpen = true;
};

struct ScriptedDevice {
  std::string name;
  std::int64_t capacity = 0;
  bool usb = false;
  bool ssd = false;
  bool qim = false;
  bool dmg = false;
  std::vector<ScriptedVolume> volumes;
  bool loop = false;  // a loop device over an image file: the disk-image bus kind
  bool canOpen = true;
};

struct ScanStep {
  double percent = 0;
  std::string remaining = "-:-:-";
};

struct ScriptedFailures {
  bool refuseScan = false;
  bool refuseRecovery = false;
  bool refuseSearch = false;
  int openImageResult = 1;
  int refreshResult = 1;
  int shortWriteAtRecoveryStep = -1;  // the step that reports a short write (and pauses), -1 none
  int failedCopyAtRecoveryStep = -1;  // the step that reports a copy failing for another reason, -1 none
  std::uint64_t restoreError = 0;     // 6 the qim image is gone, 7 the device is gone
  std::uint64_t saveError = 0;        // 2 the file could not be made, 8 a write failed
  int refuseSave = 0;                 // what beginSaveOrRestoreNode answers a save with instead of 0
  bool network = true;
  std::string scannedDevicePrefix;    // destinations under it lie on the scanned device
  std::optional<std::uint64_t> scannedDeviceNumber;  // and those found on a device of this number
  std::uint64_t failedRecoveryFiles = 0;  // what a recovery reports as not copied
};

class ScriptedBackend : public IFacadeBackend {
 public:
  static constexpr const char* kScanNotification = "NormalScranValue";
  static constexpr const char* kSearchFinished = "DoSearchFinished";
  static constexpr const char* kProgressFinish = "QueryProgressFinish";

  // Two disks (an internal one, a USB stick), a qim image; ten scan steps; four folders of results per volume.
  ScriptedBackend();
  ~ScriptedBackend() override;

  static std::vector<ScriptedDevice> SampleDevices();
  static std::vector<ScanStep> EvenSteps(int count);

  void SetDevices(std::vector<ScriptedDevice> devices) { devices_ = std::move(devices); }
  void SetScanSteps(std::vector<ScanStep> steps) { scanSteps_ = std::move(steps); }
  void SetResultShape(const ScriptedResultShape& shape) { shape_ = shape; }
  void SetRecoverySteps(int steps) { recoverySteps_ = steps > 0 ? steps : 1; }
  void SetSaveSteps(int steps) { saveSteps_ = steps > 0 ? steps : 1; }
  // What the progress of a running save or restore reads as (total, current), one report per look, in order,
  // before the steps' own: a total of 0, or values that go down.
  void SetSaveProgressReports(std::vector<std::pair<std::uint64_t, std::uint64_t>> reports) {
    saveReports_ = std::move(reports);
  }
  ScriptedFailures& Failures() { return failures_; }
  ScriptedResults& Results() { return results_; }

  // One step of what runs (scan, restore, save, recovery, in that order); false when nothing advanced.
  bool Step();
  // Steps until nothing runs (a paused operation stops it); the number of steps taken.
  int RunToEnd();
  // Steps every interval on the GUI thread (0 stops): the gallery's and a demonstration's live look.
  void PlayAutomatically(int intervalMs);
  // A medium came or went, as the media notifier announces it.
  void AttachMedium(const std::string& name, const std::string& path, std::uint64_t size, bool disk);
  void DetachMedium(const std::string& path);

  const std::vector<std::string>& Calls() const { return calls_; }
  // The argument of the last StopScan (1: without result trees), -1 before the first.
  int LastStopNoTree() const { return lastStopNoTree_; }
  // Where each look at the path tree started (PathTail's from), in order.
  const std::vector<std::size_t>& PathTailStarts() const { return pathTailStarts_; }
  bool Closed() const { return closed_; }
  // The file-type mask last handed to SetRecoveryType.
  unsigned RecoveryType() const { return recoveryType_; }

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
  // Operation status as the bridge keeps it: 0 idle, 1 stop asked, 2 running, 3 paused.
  struct Operation {
    int status = 0;
    int step = 0;
    std::string name;
  };
  void Note(const char* call);
  bool StartScan(const DiskVolumeNodeData* data, bool deep);
  bool StepScan();
  bool StepRecovery();
  bool StepSaveOrRestore(Operation& operation, bool save);
  bool Busy() const;
  static void Post(const std::string& name);

  std::vector<ScriptedDevice> devices_;
  std::vector<ScanStep> scanSteps_;
  ScriptedResultShape shape_;
  ScriptedFailures failures_;
  ScriptedResults results_;
  std::vector<std::string> calls_;
  int lastStopNoTree_ = -1;
  std::vector<std::size_t> pathTailStarts_;
  QTimer player_;
  bool closed_ = false;
  unsigned recoveryType_ = 0;

  Operation scan_;
  bool deep_ = false;
  bool restoring_ = false;
  std::string scannedName_;
  int viewType_ = 0;
  int holdBack_ = 0;

  std::string searchKey_;
  bool searching_ = false;

  Operation recovery_;
  int recoverySteps_ = 5;
  std::vector<IFileNode*> recovering_;
  std::size_t recovered_ = 0;
  std::uint64_t recoveryTotal_ = 0;
  std::uint64_t recoveryCurrent_ = 0;
  ResultCode recoveryCode_ = kResultOk;

  Operation save_;
  int saveSteps_ = 4;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> saveReports_;
  std::string restorePollName_;
  std::string savePollName_;
  std::string savePath_;
  std::optional<std::string> updateTime_;

  std::mutex imageLock_;
};

}  // namespace quellsy::ui
