#pragma once
// Saving the last scan's results and opening a scan-result file as the windows see it: the start (the facade's,
// which runs both on joinable workers and lets neither run beside any other work), a poll thread that tells the
// windows while one runs, its progress, the folder results are saved in and the name proposed for a new file.

#include <cstdint>
#include <ctime>
#include <string>

class KDUIOperation;

class KDScanResultEntry {
 public:
  static constexpr const char* kSavePathKey = "SavePath";
  static constexpr const char* kFinishNotification = "QueryProgressFinish";
  static constexpr int kBusy = -3;

  // save: the last scan's results into path. Otherwise the scan's results are cleared and path restored (a qim
  // image that moved is looked for at qimPath). KDUIController::beginSaveOrRestoreNode: 0 started, -1 a null
  // path, -2 no thread, kBusy when other work runs.
  static int BeginSaveOrRestoreNode(bool save, const char* path, const char* qimPath);
  // Starts a poll thread that posts name on the main thread whenever the save-and-restore operation (save) or
  // the scan (restore) has news, and kFinishNotification once it is over. BeginSaveOrRestoreNode marked the
  // operation running before it started the work, so a save that ends at once still ends the poll. The thread
  // is joined once over, at the next start of a poll or by WaitForPolls.
  static void RestorPostUIUpdate(const std::string& name, bool save);
  // Waits for every poll thread to end and joins it.
  static void WaitForPolls();
  // The poll itself, on the calling thread.
  static void QueryUpdateUI(KDUIOperation& operation, const std::string& name);
  // Of the save-and-restore operation (saver) or the scan; once finished, current equals total.
  static void GetSaveorRestoreProgress(std::uint64_t* total, std::uint64_t* current, std::uint64_t* code,
                                       bool saver);
  static void SavePathToPList(const std::string& folder);
  // Empty when no folder was remembered.
  static std::string GetSavePath();
  // "SaveScan" in the executable's folder, made when missing (its parent is not); the path even when it cannot be
  // made.
  static std::string GetDefaultSavePath();
  // The scanned device's name, "_" and the local time; "Scan" stands for the name before any scan.
  static std::string GetSaveFileName();
  static std::string FormatSaveFileName(const std::string& deviceName, const std::tm& local);
};
