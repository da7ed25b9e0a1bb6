#include "Bridge/KDScanResultEntry.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <system_error>
#include <thread>

#include "Bridge/BridgeServices.h"
#include "Bridge/DiskVolumeData.h"
#include "Bridge/KDSaveAndRestoreNodeOperate.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/SaveRestoreResult.h"
#include "Utility/WorkPath.h"

namespace {
constexpr std::chrono::milliseconds kPollInterval{100};
}  // namespace

int KDScanResultEntry::BeginSaveOrRestoreNode(bool save, const char* path, const char* qimPath) {
  if (path == nullptr) return -1;
  KDUIScan* scan = KDUIScan::instance();
  KDSaveAndRestoreNodeOperate* saver = KDSaveAndRestoreNodeOperate::instance();
  if (!scan->IsOperationExit() || !saver->IsOperationExit() || !KDUIRecovery::instance()->IsOperationExit())
    return kBusy;
  if (save) {
    saver->SetStatus(OPERATION_STATUS_RUNNING);
    const int started = DoSaveScanResult(path, saver);
    if (started != 0) saver->SetStatus(OPERATION_STATUS_IDLE);
    return started;
  }
  scan->ClearData();
  scan->SetStatus(OPERATION_STATUS_RUNNING);
  const int started = DoRestoreScanResult(path, scan, qimPath);
  if (started != 0) scan->SetStatus(OPERATION_STATUS_IDLE);
  return started;
}

void KDScanResultEntry::RestorPostUIUpdate(const std::string& name, bool save) {
  KDUIOperation* operation = save ? static_cast<KDUIOperation*>(KDSaveAndRestoreNodeOperate::instance())
                                  : static_cast<KDUIOperation*>(KDUIScan::instance());
  try {
    std::thread([operation, name] { QueryUpdateUI(*operation, name); }).detach();
  } catch (const std::system_error&) {
    KDUIPublic::NotifyMainThread(kFinishNotification);
  }
}

void KDScanResultEntry::QueryUpdateUI(KDUIOperation& operation, const std::string& name) {
  while (!operation.IsOperationExit()) {
    std::this_thread::sleep_for(kPollInterval);
    if (operation.IsNeedUIUpdate()) {
      operation.SetNeedUIUpdate(0);
      KDUIPublic::NotifyMainThread(name);
    }
  }
  std::printf("---------Send Progress finish notify to UI-------\n");
  KDUIPublic::NotifyMainThread(kFinishNotification);
  std::printf("---------The Progress thread is exited-----------\n");
}

void KDScanResultEntry::GetSaveorRestoreProgress(std::uint64_t* total, std::uint64_t* current, std::uint64_t* code,
                                                 bool saver) {
  const KDUIOperation* operation = saver ? static_cast<KDUIOperation*>(KDSaveAndRestoreNodeOperate::instance())
                                         : static_cast<KDUIOperation*>(KDUIScan::instance());
  const _PROGRESS_INFO info = operation->GetProgressInfo();
  if (total) *total = info.total;
  if (current) *current = info.status == PROGRESS_STATUS_FINISHED ? info.total : info.current;
  if (code) *code = info.result;
}

void KDScanResultEntry::SavePathToPList(const std::string& folder) {
  quellsy::bridge::Settings().SetString(kSavePathKey, folder);
}

std::string KDScanResultEntry::GetSavePath() {
  return quellsy::bridge::Settings().GetString(kSavePathKey).value_or("");
}

std::string KDScanResultEntry::GetDefaultSavePath() {
  const char* base = GetAppWorkPath();
  const std::string path = std::string(base != nullptr ? base : ".") + "/SaveScan";
  ::mkdir(path.c_str(), 0700);
  return path;
}

std::string KDScanResultEntry::FormatSaveFileName(const std::string& deviceName, const std::tm& local) {
  char when[64];
  std::snprintf(when, sizeof when, "%02d-%02d-%04d at %02d:%02d:%02d", local.tm_mon + 1, local.tm_mday,
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
  return deviceName + "_" + when;
}

std::string KDScanResultEntry::GetSaveFileName() {
  IStorageDevice* storage = KDUIScan::instance()->GetSavedStorage();
  KDUIDeviceData* devices = KDUIDeviceData::instance();
  _DiskVolumeData record;
  if (storage != nullptr) {
    if (devices->IsDiskStorage(storage))
      devices->GetDiskDataByStorage(storage, record);
    else
      devices->GetVolumeDataByStorage(storage, record);
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FormatSaveFileName(record.name != nullptr && *record.name != '\0' ? record.name : "Scan", local);
}
