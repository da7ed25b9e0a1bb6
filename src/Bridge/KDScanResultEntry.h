#pragma once
// What the facade calls to save the last scan's results and to open a scan-result file: starting either on its
// thread, watching it with a poll thread that tells the windows, its progress, the folder results are saved in
// and the name proposed for a new file.
//
// Save, restore, scan and recovery exclude each other. BeginSaveOrRestoreNode refuses while another of them
// runs. The facade holds its own start lock around a save, runs a restore on the scan's joinable worker itself,
// and refuses to start a scan or a recovery while the save-and-restore operation (KDSaveAndRestoreNodeOperate)
// or a restore runs.

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
  // image that moved is looked for at qimPath). 0 started, -1 a null path, -2 no thread, kBusy while a scan,
  // recovery, save or restore runs.
  static int BeginSaveOrRestoreNode(bool save, const char* path, const char* qimPath);
  // Starts a detached thread that posts name on the main thread whenever the save-and-restore operation (save) or
  // the scan (restore) has news, and kFinishNotification once it is over. BeginSaveOrRestoreNode marked the
  // operation running before it started the work, so a save that ends at once still ends the poll.
  static void RestorPostUIUpdate(const std::string& name, bool save);
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
