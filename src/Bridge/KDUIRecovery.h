#pragma once
// The process-wide recovery: on the operation thread it walks the last scan's files, copies every checked and
// shown one out with the engine object that can read it, and counts the bytes for the window. A short write (the
// destination full) pauses it until the user continues or stops. It also keeps the per-searcher data-recovery
// objects of a complete scan and the per-searcher output folder numbers. A full destination pauses it too, and the
// file it was copying is copied again once the user continues.

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "Bridge/KDUIOperation.h"
#include "Platform/DestinationFolder.h"
#include "include/IDataRecovery.h"
#include "include/IFileNode.h"
#include "include/IRecoveryController.h"
#include "include/SearcherType.h"

class KDUIScan;

class KDUIRecovery : public KDUIOperation {
 public:
  static KDUIRecovery* instance();
  // Tests: drops the singleton (releasing its objects); the next instance() is new.
  static void ResetForTests();
  // Releases the singleton's objects, when there is one (before the scan's controller goes at exit).
  static void ReleaseInstanceObjects();

  // Reads the results of scan (the process-wide scan when null).
  explicit KDUIRecovery(KDUIScan* scan = nullptr, std::chrono::milliseconds pauseStep = KDUIOperation::kPauseStep);
  ~KDUIRecovery() override;

  // The walk; the starter set the destination, cleared the folder indexes and set status 2 before.
  quellsy::ResultCode DoRecovery();
  void ResetParam();
  void InitDataRecoveryController();
  // Releases the objects by searcher before the controller they read through can go.
  void ReleaseDataRecovery();
  void UpdateProgress(_PROGRESS_INFO* info) override;
  // Running <-> paused; a resumed recovery's record no longer carries the failure that paused it.
  void PauseOrResume();

  void SetRecoveryPath(const char* path) { destination_ = path ? path : ""; }
  const std::string& GetRecoveryPath() const { return destination_; }
  void SetRecoveryTotalSize(std::uint64_t size) { totalSize_ = size; }
  std::uint64_t GetRecoveryTotalSize() const { return totalSize_; }
  void SetRecoveryTotalFilesCnt(std::uint64_t count) { totalFiles_ = count; }
  std::uint64_t GetRecoveryTotalFilesCnt() const { return totalFiles_; }
  std::uint64_t GetRecoveriedFileSize() const { return recoveredSize_; }
  std::uint64_t GetRecoveriedFilesCnt() const { return recoveredFiles_; }
  // Of the last DoRecovery: copies that failed, and copies kept although not whole.
  std::uint64_t GetFailedFilesCnt() const { return failedFiles_; }
  std::uint64_t GetIncompleteFilesCnt() const { return incompleteFiles_; }
  IFileNode* GetCurrentRecoveryNode() const { return currentNode_; }
  IDataRecovery* GetDataRecoveryByType(_tagSearcherType type) const;
  bool CheckWhetherNeedReset() const { return bySearcher_.empty(); }
  void SetCreateDirIndex(_tagSearcherType type, int index) { dirIndex_[type] = index; }
  int GetCreateDirIndex(_tagSearcherType type) const;
  void ClearCreateDirIndex() { dirIndex_.clear(); }
  // Whether path lies on the scanned device: the same device number, or a mount of the scanned device.
  bool RecoveryPathIsSameDevice(const char* path) const;
  // The same for a folder looked at already (off the GUI thread): only the scan's device lists are read.
  bool RecoveryFolderIsSameDevice(const quellsy::platform::FolderDevice& folder) const;

  // The object copying thumbnails and the walk share: hold it across select-and-copy on an object of this map.
  std::mutex& DataRecoveryLock() { return recoveryLock_; }

 protected:
  // Copies node into path; the walk's one place that writes.
  virtual quellsy::ResultCode CopyFile(IDataRecovery& recovery, IFileNode* node, const char* path);

 private:
  KDUIScan* Scan() const;
  // Pauses the walk for a full destination, the record carrying result.
  void PauseForRoom(quellsy::ResultCode result);

  KDUIScan* scan_;
  IRecoveryController* controller_ = nullptr;
  std::string destination_;
  std::uint64_t totalSize_ = 0;
  std::uint64_t totalFiles_ = 0;
  // Read by the windows' getters while the walk runs.
  std::atomic<std::uint64_t> recoveredSize_{0};
  std::uint64_t lastDone_ = 0;
  std::map<_tagSearcherType, IDataRecovery*> bySearcher_;
  std::map<_tagSearcherType, int> dirIndex_;
  std::atomic<IFileNode*> currentNode_{nullptr};
  std::atomic<std::uint64_t> recoveredFiles_{0};
  std::atomic<std::uint64_t> failedFiles_{0};
  std::atomic<std::uint64_t> incompleteFiles_{0};
  // The copy reported a full destination to the progress sink, which paused the walk (worker thread only).
  bool pausedForRoom_ = false;
  int madeForComplete_ = 0;
  std::mutex recoveryLock_;
};

// Where the copy of node goes below destination (ending in "/"): "<destination><stem>%04d<path in the tree>",
// the first free folder number per searcher, a taken name numbered "_%04d" before its extension. Folders are
// made; a folder node only makes its folder and gives "". "" when no path can be made.
std::string CreateRecoveryFilePathByNode(IFileNode* node, const std::string& destination,
                                         KDUIRecovery* recovery = nullptr);
