#pragma once
// The one door through which the windows start, watch and stop the engine's long work: a scan, a recovery and
// a search over the found files. Each runs on a thread of its own; the windows learn of progress only from
// notifications posted to their thread and from the getters here, which their timers call. Class methods only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Bridge/ResultTrees.h"
#include "include/IFileNode.h"
#include "Utility/ResultCode.h"

class DiskVolumeNodeData;
class OpNodeData;

// One building pass of the result trees, then "NormalScranValue" to the windows: at once when forced, else at
// most every 2 s. Nothing while the scan's tree is being built. Called from the scan's callbacks.
void KDNotifyUIUpdateData(int force);

class KDUIController {
 public:
  static constexpr quellsy::ResultCode kRecoveryRefused = 0x0102052400000001ULL;
  static constexpr const char* kNoEstimate = "-:-:-";

  KDUIController() = delete;

  // Tests: the wall-clock second the update throttle reads (null: time()).
  static void SetClockForTests(std::function<std::int64_t()> clock);
  // Tests: waits for every worker, then forgets the clock and empties the type and date trees; the singletons
  // are the tests' own to reset.
  static void ResetForTests();
  // Waits until the scan and the recovery workers (and their polls) have ended.
  static void WaitForOperations();

  // Scans the device-list entry (volume -1: the whole disk), completely when deep. False, changing nothing,
  // while the last scan's worker has not ended, a save, restore or search runs, or the list has no such entry.
  static bool DoScanWithDiskIndex(int disk, int volume, int deep, const std::string& name);
  // The same for a device-list item; false for null.
  static bool DoScanWithData(const DiskVolumeNodeData* data, const std::string& name);
  static bool DoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name);
  // A qim image's item is scanned completely like any other.
  static bool isQimDoDeepScanWithData(const DiskVolumeNodeData* data, const std::string& name);
  // Scans the last scan's device again, completely.
  static bool DoDeepScan(const std::string& name);
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
  // clearNodeState each file-system root is shown and unchecked first. The path tree as a view reads it anew.
  static quellsy::bridge::PathTreeTail GetScanTreeNodeData(bool clearNodeState);
  static int GetCurrentScanRecoveryCnt();
  static bool KDGetIsSearching();

  // The remaining time of a scan elapsed seconds in, current of total done.
  static std::string RemainingTimeText(std::int64_t elapsed, std::uint64_t total, std::uint64_t current);

  // Copies the checked files into path; name is posted while it runs and once at its end. kRecoveryRefused
  // for a null path, while the last recovery's worker has not ended, or while a save or restore runs.
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
  static bool IsRecoveryToSameDevice(const char* path);
  static std::uint64_t GetRecoveridedSize();
  static std::uint64_t GetRecoveridedFiles();
  static void ReleaseDataRecovery();

  // Refused (false) while a search runs; name follows the shown tree, then "DoSearchFinished" the rest.
  static bool DoSearchWithString(const std::string& key, const std::string& name);
  static std::string GetSearchString();
  static void StopSearch();
  // Every shown file while a search key is set; nothing without one.
  static std::vector<IFileNode*> GetSearchResultToArr();
  // The checked, shown files; their sizes are added to size.
  static std::vector<IFileNode*> GetSelectedFilesAndSize(std::uint64_t& size);
  static void UnselectedAllNodes();

  // The type and date trees, read under the result trees' lock (the path tree is read through ResultTrees). A
  // node's name and kind never change and may be read directly; its children and mark only through these.
  // The top-level nodes of tree kind: the seven type groups, or the one top node of a date tree.
  static std::vector<std::shared_ptr<OpNodeData>> KDGetTopNodes(int kind);
  // The groups directly under node: extensions under a type group, years under a date top, months under a year.
  static std::vector<std::shared_ptr<OpNodeData>> GetChildGroups(const OpNodeData* node);
  // The files listed directly under node: those of an extension, of the "other" group or of a month.
  static std::vector<IFileNode*> GetFileNodeToArray(const OpNodeData* node);
  // The count shown beside node: the files under each of its groups (a date top: under each year), or its own
  // files when it lists files.
  static std::size_t GetNodeChildrenCnt(const OpNodeData* node);
  static int GetNodeState(const OpNodeData* node);
  // A click on node's box: the node and everything below it take state, the groups above are recounted.
  static void KDSetNodeState(OpNodeData* node, int state);
  // Recounts node's mark from its files, or every type mark when flagged for null.
  static void RefreshTypeTreeState(OpNodeData* node);
  // Recounts the months of date tree kind from the scan's month lists; with changeTable 1 only when the shown
  // date tree was flagged, the flag then cleared.
  static void RefreshTimeTreeState(int kind, int changeTable);
  // Every top-level node of the type and date trees unchecked; returns 1.
  static int KDCleanOpNodeSate();

  // Saves the last scan's results into path (through KDScanResultEntry), or restores a scan from it (a moved
  // qim image looked for at qimPath) on the scan's worker. A restore empties the result trees, the type and date
  // trees with them, before it refills them. 0 started, -1 a null path, -2 no thread, KDScanResultEntry::kBusy
  // while a scan, recovery, save, restore or search runs.
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
