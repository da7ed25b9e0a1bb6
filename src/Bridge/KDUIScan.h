#pragma once
// The process-wide scan: runs one scan of one device at a time on the calling (operation) thread through an
// engine controller, serves the controller as progress sink and tree sink, and keeps every node it delivers in
// delivery order (file-system roots, folders, files). The result trees group them by path, file type and month;
// the nodes are borrowed from the controller's trees and stay valid until the next scan starts. What the nodes
// share with other threads (links, marks, sizes, runs) changes only under the bridge's node lock, which the
// tree builder takes through NodeLock.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Bridge/KDUIOperation.h"
#include "include/IDataRecovery.h"
#include "include/IFileSystemSearchController.h"
#include "include/IRecoveryController.h"
#include "include/IRecoveryFilter.h"
#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"

class KDUIRecovery;
class RestoreScanSink;

// No controller wanted (no device).
inline constexpr int RECOVERY_CONTROLLER_NONE = 3;

class KDUIScan : public KDUIOperation, public IDrirectoryTree {
 public:
  using NodeList = std::vector<IFileNode*>;
  // What the windows are told after new results: force = the end of a scan (else at most one every 2 s).
  using UpdateNotifier = std::function<void(int force)>;

  static constexpr quellsy::ResultCode kScanRefused = 0x0104003300000001ULL;
  static constexpr quellsy::ResultCode kVolumeScanRefused = 0x0104014F00000001ULL;
  static constexpr const char* kScanValueNotification = "NormalScranValue";

  static KDUIScan* instance();
  // Tests: drops the singleton (releasing its controller and data-recovery objects); the next instance() is new.
  static void ResetForTests();

  KDUIScan();
  explicit KDUIScan(std::chrono::milliseconds pauseStep);
  ~KDUIScan() override;

  // A whole scan, synchronously; the starter set status 2 before. The result of the last volume scanned, or why
  // the device could not be scanned at all.
  quellsy::ResultCode DoScan(IStorageDevice* device, RestoreScanSink* sink);
  quellsy::ResultCode DoVolumeStorageScan(IStorageDevice* device);
  int GetScanControllerType(IStorageDevice* device);
  void ResetRecoveryController(int type);
  void SetDeepScan(int deep);
  // A volume whose file system was not recognised is always scanned completely.
  int IsDeepScan();
  void SaveScanSorage(IStorageDevice* device) { savedStorage_ = device; }
  IStorageDevice* GetSavedStorage() const { return savedStorage_; }
  IRecoveryController* GetRecoveryController() const;
  void ClearData();
  void ReCalTotalSize();

  void UpdateProgress(_PROGRESS_INFO* info) override;
  int IsOpTreeFinished() override;
  void SetOpTreeFinished(int finished) override;
  int IsQimRsf() const { return qimRsf_; }
  void SetQimRsf(int value);
  int IsDmgRsf() const { return dmgRsf_; }
  void SetDmgRsf(int value);

  void ShowNodes(IFileNode** nodes, unsigned int count, int flag) override;
  void ShowFilesystemNode(IFilesystemNode* root) override;
  // The bridge's node lock (NodeLock.h).
  std::mutex* NodeLock() override;

  NodeList GetFileSystemNode() const;
  NodeList KDGetNewPathNode();
  NodeList KDGetAllPathNode() const;
  // The files delivered since the first from (in delivery order), and how many were delivered in all.
  NodeList KDGetFileNodesSince(std::size_t from) const;
  std::size_t KDGetFileNodeCount() const;
  void RefreshAllData();
  int FindRemoveData(IFileNode* node);
  void* KDGetFileNode(IFileNode* node) const;
  void KDSetFileNode(IFileNode* node, void* handle);
  void KDResetFileNode() { nodeHandles_.clear(); }
  // The quick scan's data-recovery object of the node's file-system root; null when there is none.
  IDataRecovery* GetFileNodeDataRecover(IFileNode* node) const;
  void ReleaseDataRecovery();
  // Every file unchecked; takes the node lock.
  void UnselectAllNodes();
  std::uint64_t GetScanFileCnt() const { return foundCount_; }
  std::uint64_t GetScanFileSize() const { return foundSize_; }
  void SetSelectedFileCnt(std::uint64_t count) { selectedCount_ = count; }
  std::uint64_t GetSelectedFileCnt() const { return selectedCount_; }
  void SetSelectedFileSize(std::uint64_t size) { selectedSize_ = size; }
  std::uint64_t GetSelectedFileSize() const { return selectedSize_; }
  void SetCurrentScanRecoveryCnt(int count) { recoveries_ = count; }
  int GetCurrentScanRecoveryCnt() const { return recoveries_; }
  // Null changes nothing; "" clears the key.
  void SetSearchKey(const char* key);
  std::string GetSearchKey() const;
  void SetSearching(int searching);
  int IsSearching() const;
  void SetScanType(int type) { viewType_ = type; }
  int GetScanType() const { return viewType_; }
  // Shows the files matching the search key (all without one) and lists them in delivery order. The caller
  // holds the node lock.
  void DoSearch(NodeList& out);

  static std::string GetNodeExt(IFileNode* node);
  static CCollectedVolumeDeviceInfoStruct* GetStorageVolumeInfo(IStorageDevice* device);
  static int IsStorageMounted(IStorageDevice* device);
  static int IsStorageVolumeUnknow(IStorageDevice* device);

  // The recovery that reads this scan's results (the process-wide one when none is attached).
  void AttachRecovery(KDUIRecovery* recovery);

  // Replaces what the windows are told. The default posts kScanValueNotification on the main thread at most
  // every 2 s unless forced; an installed notifier is called every time the tree is finished and decides itself.
  void SetUpdateNotifier(UpdateNotifier notifier);

 private:
  struct ControllerDeleter {
    void operator()(IRecoveryController* controller) const { controller->Release(); }
  };
  void NotifyUIUpdateData(int force);
  void ReleaseOwnDataRecovery();
  // The next volume of a quick disk scan gets a fresh controller; false when none could be made.
  bool NextVolumeController();
  void ReleaseRecoveryObjects();
  void ResetRecovery();

  KDUIRecovery* recovery_ = nullptr;
  RestoreScanSink* restoreSink_ = nullptr;
  IStorageDevice* savedStorage_ = nullptr;
  std::unique_ptr<IRecoveryController, ControllerDeleter> controller_;
  // Controllers of the earlier volumes of a quick disk scan: a controller frees its trees when it starts again,
  // so each volume gets its own and the earlier ones (with their nodes in the maps) live until the next scan.
  std::vector<std::unique_ptr<IRecoveryController, ControllerDeleter>> earlierControllers_;
  int deep_ = 0;
  int opTreeFinished_ = 1;
  int qimRsf_ = 0;
  int dmgRsf_ = 0;
  NodeList roots_;
  std::map<IFileNode*, void*> nodeHandles_;
  NodeList pathQueue_;
  NodeList directories_;
  NodeList files_;
  std::map<IFileNode*, int> pendingDirectories_;
  std::string searchKey_;
  int searching_ = 0;
  int viewType_ = 0;
  // Read by the windows while the scan runs.
  std::atomic<std::uint64_t> selectedSize_{0};
  std::atomic<std::uint64_t> selectedCount_{0};
  int remainingVolumes_ = 0;
  std::atomic<std::uint64_t> foundCount_{0};
  std::atomic<std::uint64_t> foundSize_{0};
  std::atomic<int> recoveries_{0};
  std::map<IFilesystemNode*, IDataRecovery*> dataRecoveries_;
  std::mutex scanLock_;
  UpdateNotifier notifier_;
  std::chrono::steady_clock::time_point lastNotified_{};
};
