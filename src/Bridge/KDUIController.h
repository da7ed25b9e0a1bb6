#pragma once
// The one door through which the windows start, watch and stop the engine's long work: a scan, a recovery, a
// search over the found files, saving and restoring results. Each runs on a joinable thread of its own; every
// start asks one written rule first (OperationStates) and a start it does not allow is refused with a result
// code and its words (GetLastStartResult). The windows learn of progress only from notifications posted to
// their thread and from the getters here, which their timers call. Class methods only.
//
// Found nodes: every node handed to the windows belongs to one scan's results, named by the scan generation
// (GetScanGeneration, OpNodeData::scan, PathTreeTail::scan). A new scan or restore moves the generation on
// before it frees the old nodes, and every call here that takes a node refuses one of another generation, so a
// window never acts on a node of a previous scan. What the windows show of a node they read as a snapshot
// (GetNodeViews), taken under the node lock the scan changes nodes under.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Bridge/OperationStates.h"
#include "Bridge/ResultTrees.h"
#include "Platform/DestinationFolder.h"
#include "include/IFileNode.h"
#include "Utility/ResultCode.h"

class DiskVolumeNodeData;
class OpNodeData;

// What the windows show of one found file or folder, read at once under the node lock.
struct FoundNodeView {
  IFileNode* node = nullptr;  // the handle to pass back, with scan
  std::uint64_t scan = 0;
  std::string name;
  std::string path;  // "/Volume/dir/file"
  std::uint64_t size = 0;
  std::uint64_t created = 0;  // FILETIME, 0 = none
  std::uint64_t modified = 0;
  std::uint64_t accessed = 0;
  bool directory = false;
  bool deleted = false;
  bool shown = false;
  int state = CHECKED_STATUS_UNCHECKED;
};

// One building pass of the result trees, then "NormalScranValue" to the windows: at once when forced, else at
// most every 2 s. Nothing while the scan's tree is being built. Called from the scan's callbacks.
void KDNotifyUIUpdateData(int force);

class KDUIController {
 public:
  static constexpr quellsy::ResultCode kRecoveryRefused = 0x0102052400000001ULL;
  static constexpr const char* kNoEstimate = "-:-:-";
  // The payload of the "NormalScranValue" a scan ends with: its result code ("0x" and 16 hex digits), the words
  // for a failure ("" for success) and the scan generation of its results (decimal).
  static constexpr const char* kScanResultKey = "ScanResult";
  static constexpr const char* kScanReasonKey = "ScanReason";
  static constexpr const char* kScanGenerationKey = "ScanGeneration";

  KDUIController() = delete;

  // Tests: the wall-clock second the update throttle reads (null: time()).
  static void SetClockForTests(std::function<std::int64_t()> clock);
  // Tests: called on each worker's thread (the search's too) before its work, with the start it serves; null for
  // none. Lets a test hold an operation running at a known point.
  static void SetWorkerGateForTests(std::function<void(quellsy::bridge::FacadeStart)> gate);
  // Tests: waits for every worker, then forgets the clock, the gate, the last results and the state and empties
  // the type and date trees; the singletons are the tests' own to reset.
  static void ResetForTests();
  // Waits until the scan, recovery, save and search workers (and their polls) have ended.
  static void WaitForOperations();

  // What runs now, for the windows to enable their controls by.
  static quellsy::bridge::FacadeState GetOperationState();
  // Whether start would be allowed now: kResultOk, or the refusal with its words in reason.
  static quellsy::ResultCode CheckStart(quellsy::bridge::FacadeStart start, std::string* reason = nullptr);
  // The answer to the last start through the facade (a scan, pause or resume, search, recovery, save or
  // restore): kResultOk when it began, else why not, with its words in reason.
  static quellsy::ResultCode GetLastStartResult(std::string* reason = nullptr);
  // How the last scan ended: kResultOk, or why it could not scan (the device could not be opened, the file
  // system is not supported, ...) with its words, naming the device, in reason. kResultOk while one runs.
  static quellsy::ResultCode GetLastScanResult(std::string* reason = nullptr);
  // The scan generation of the results held now (ResultTrees).
  static std::uint64_t GetScanGeneration();

  // Scans the device-list entry (volume -1: the whole disk), completely when deep. False, changing nothing,
  // when the state refuses a scan or the list has no such entry (GetLastStartResult says which). The scan ends
  // with "NormalScranValue" carrying its result (kScanResultKey, ...).
  static bool DoScanWithDiskIndex(int disk, int volume, int deep, const std::string& name);
  // The same for a device-list item; false for null.
  static bool DoScanWithData(const DiskVolumeNodeData* data, const std::string& name);
  static bool DoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name);
  // A qim image's item is scanned completely like any other.
  static bool isQimDoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name);
  // Scans the last scan's device again, completely.
  static bool DoDeepScan(const std::string& name);
  // Pauses a running scan or resumes a paused one; refused (nothing changes) in any other state, and while a
  // search runs over the paused scan.
  static void PauseOrResumeScan();
  // noTree also stops the building of the result trees.
  static void StopScan(int noTree);
  static void ResetShouldBuild();
  static bool IsScanRunning();
  static bool IsPause();
  static bool IsDeepScan();
  // The tree the window shows (NODE_TREE_TYPE); a search builds it first.
  static void SetViewType(int type);
  // Percentage done and files found; returns the remaining time as "hh:mm:ss", or kNoEstimate.
  static std::string GetScanProgress(double& percent, std::uint64_t& files);
  static void GetScanFileSize(std::uint64_t& size, std::uint64_t& count);
  static void RefreshData();
  // Non-zero holds back adding found files to the result trees; 0 lets them be added again.
  static void KDSetFlag(int flag);
  // The result trees built again from every file the scan delivered (the whole results after a search); with
  // clearNodeState each file-system root is shown and unchecked first (not while a save reads the marks). The
  // path tree as a view reads it anew.
  static quellsy::bridge::PathTreeTail GetScanTreeNodeData(bool clearNodeState);
  static int GetCurrentScanRecoveryCnt();
  // Whether a search runs.
  static bool KDGetIsSearching();

  // The remaining time of a scan elapsed seconds in, current of total done.
  static std::string RemainingTimeText(std::int64_t elapsed, std::uint64_t total, std::uint64_t current);

  // Copies the files checked when it starts into path; name is posted while it runs and once at its end.
  // kRecoveryRefused for a null path, the state's refusal while other work runs.
  static quellsy::ResultCode DoRecovery(const char* path, const std::string& name);
  static void SetRecoveryType(unsigned int mask);
  // Also kept as the recovery's totals.
  static void GetSelectedFilesAmout(std::uint64_t& count, std::uint64_t& size);
  // Of the recovery's progress; returns the name of the file being copied, "" when none.
  static std::string GetRecoveryProgressTotal(std::uint64_t& total, std::uint64_t& current,
                                              quellsy::ResultCode& code);
  static bool IsRecoveryRunning();
  static void StopRecvoery();
  static void PauseOrResumeRecovery();
  // Of a folder looked at already: reads only the scan's device lists, so it suits the GUI thread.
  static bool IsRecoveryToSameDevice(const quellsy::platform::FolderDevice& folder);
  static std::uint64_t GetRecoveridedSize();
  static std::uint64_t GetRecoveridedFiles();
  // Of the last recovery: files that could not be copied at all.
  static std::uint64_t GetRecoveryFailedFiles();
  static void ReleaseDataRecovery();

  // Over ended results or a paused scan only; refused (false) otherwise. name follows the shown tree, then
  // "DoSearchFinished" the rest. A window that searched while paused clears the search (an empty key) before
  // it resumes: resuming is refused while the search runs.
  static bool DoSearchWithString(const std::string& key, const std::string& name);
  static std::string GetSearchString();
  // Clears the searching flag a search set (the search itself ends on its own).
  static void StopSearch();
  // Every shown file of the type tree while a search key is set, type by type; nothing without one. scan, when
  // given, receives the generation the files belong to.
  static std::vector<IFileNode*> GetSearchResultToArr(std::uint64_t* scan = nullptr);
  // The checked, shown files; their sizes are added to size.
  static std::vector<IFileNode*> GetSelectedFilesAndSize(std::uint64_t& size, std::uint64_t* scan = nullptr);
  // Every file unchecked (not while a save reads the marks).
  static void UnselectedAllNodes();

  // Snapshots of nodes of scan generation scan; none when the results are another scan's by now.
  static std::vector<FoundNodeView> GetNodeViews(const std::vector<IFileNode*>& nodes, std::uint64_t scan);
  // A click on a listed file's box: the file (a folder with everything below it) takes state 0 or 2, its folders
  // are recounted. kStaleNode for a node of another scan, the refusal while a save reads the marks.
  static quellsy::ResultCode KDSetFileNodeState(IFileNode* node, std::uint64_t scan, int state);

  // The type and date trees, read under the node lock (the path tree is read through ResultTrees). A node's name
  // and kind never change and may be read directly; its children and mark only through these. A node of an
  // earlier scan has no children, count or mark here, and a click on it changes nothing.
  // The top-level nodes of tree kind: the seven type groups, or the one top node of a date tree.
  static std::vector<std::shared_ptr<OpNodeData>> KDGetTopNodes(int kind);
  // The groups directly under node: extensions under a type group, years under a date top, months under a year.
  static std::vector<std::shared_ptr<OpNodeData>> GetChildGroups(const OpNodeData* node);
  // The files listed directly under node: those of an extension, of the "other" group or of a month. scan, when
  // given, receives the generation they belong to.
  static std::vector<IFileNode*> GetFileNodeToArray(const OpNodeData* node, std::uint64_t* scan = nullptr);
  // The count shown beside node: the files under each of its groups (a date top: under each year), or its own
  // files when it lists files.
  static std::size_t GetNodeChildrenCnt(const OpNodeData* node);
  static int GetNodeState(const OpNodeData* node);
  // A click on node's box: the node and everything below it take state, the groups above are recounted. Not
  // while a save reads the marks.
  static void KDSetNodeState(OpNodeData* node, int state);
  // Recounts node's mark from its files, or every type mark when flagged for null.
  static void RefreshTypeTreeState(OpNodeData* node);
  // Recounts the months of date tree kind from the scan's month lists; with changeTable 1 only when the shown
  // date tree was flagged, the flag then cleared.
  static void RefreshTimeTreeState(int kind, int changeTable);
  // Every top-level node of the type and date trees unchecked; returns 1.
  static int KDCleanOpNodeSate();

  // Saves the last scan's results into path on a worker of its own (KDSaveAndRestoreNodeOperate reports its
  // progress), or restores a scan from it (a moved qim image looked for at qimPath) on the scan's worker. A
  // restore moves the scan generation on and empties the result trees, the type and date trees with them,
  // before it refills them. 0 started, -1 a null path, -2 no thread, KDScanResultEntry::kBusy when the state
  // refuses it (GetLastStartResult says why).
  static int beginSaveOrRestoreNode(bool save, const char* path, const char* qimPath);

  // One item per enumerated disk or opened image, each with its volumes as children: disks, then qim images,
  // then DMG images.
  static std::vector<std::shared_ptr<DiskVolumeNodeData>> GetDeviceInfoToArray();

  // Start-up, once: hands the catalogue's extension lists of the six file-type bits (1 to 32) to the engine's
  // file-type table and joins the type and date trees to the result trees.
  static void initFileType();
  static bool IsAppRunning();
  static bool IsDiskFileAppRunning();
  static bool IsDataProtectAppRunning();
  // A check mark changed in a table: the type and date trees work theirs out again.
  static void KDTableViewCellCilck();
  // Stops the message centre and ends the process with status 0 at once, whatever workers still run.
  [[noreturn]] static void CloseApp();
};
