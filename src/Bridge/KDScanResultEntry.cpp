#include "Bridge/KDScanResultEntry.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "Bridge/BridgeServices.h"
#include "Bridge/DiskVolumeData.h"
#include "Bridge/KDSaveAndRestoreNodeOperate.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIScan.h"
#include "Utility/WorkPath.h"

namespace {

constexpr std::chrono::milliseconds kPollInterval{100};

// The poll threads that may still run, each with the flag it raises once over.
struct Polls {
  std::mutex lock;
  std::list<std::pair<std::shared_ptr<std::atomic<bool>>, std::thread>> threads;
};

Polls& PollThreads() {
  static Polls polls;
  return polls;
}

}  // namespace

int KDScanResultEntry::BeginSaveOrRestoreNode(bool save, const char* path, const char* qimPath) {
  return KDUIController::beginSaveOrRestoreNode(save, path, qimPath);
}

void KDScanResultEntry::RestorPostUIUpdate(const std::string& name, bool save) {
  KDUIOperation* operation = save ? static_cast<KDUIOperation*>(KDSaveAndRestoreNodeOperate::instance())
                                  : static_cast<KDUIOperation*>(KDUIScan::instance());
  Polls& polls = PollThreads();
  const std::lock_guard<std::mutex> hold(polls.lock);
  // Those over are joined now; one still winding down is left to the next start.
  polls.threads.remove_if([](auto& poll) {
    if (!*poll.first) return false;
    poll.second.join();
    return true;
  });
  auto over = std::make_shared<std::atomic<bool>>(false);
  try {
    polls.threads.emplace_back(over, std::thread([operation, name, over] {
                                 QueryUpdateUI(*operation, name);
                                 *over = true;
                               }));
  } catch (const std::system_error&) {
    KDUIPublic::NotifyMainThread(kFinishNotification);
  }
}

void KDScanResultEntry::WaitForPolls() {
  Polls& polls = PollThreads();
  const std::lock_guard<std::mutex> hold(polls.lock);
  for (auto& [over, thread] : polls.threads) thread.join();
  polls.threads.clear();
}

void KDScanResultEntry::QueryUpdateUI(KDUIOperation& operation, const std::string& name) {
  while (!operation.IsOperationExit()) {
    operation.WaitForExit(kPollInterval);
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
  if (storage != nullptr) devices->GetDataByStorage(storage, record);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FormatSaveFileName(record.name != nullptr && *record.name != '\0' ? record.name : "Scan", local);
}
