#include "Bridge/DeviceListFacade.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "Bridge/BackgroundTasks.h"
#include "Bridge/BridgeServices.h"
#include "Bridge/DmgImageParser.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIOperation.h"
#include "Bridge/KDUIPublic.h"

namespace quellsy::bridge {
namespace {

template <std::size_t N>
void CopyCut(char (&out)[N], const std::string& text) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

}  // namespace

void NotifiyDeviceInfoAfterInit(const std::string& name) {
  KDUIDeviceData* list = KDUIDeviceData::instance();
  if (list->BeginInit())
    KDUIPublic::NotifyMainThreadByPostKey(name, [list] { list->InitDeviceInfo(); });
  else if (list->GetInitState() == KDUIDeviceData::kDone)
    KDUIPublic::NotifyMainThread(name);
}

int RefreshDeviceInfo(KDUIOperation* scan, std::chrono::milliseconds wait) {
  if (scan) {
    scan->StopOperation(1);
    if (!scan->WaitForExit(wait)) return 0;
  }
  return KDUIDeviceData::instance()->RefreshDeviceInfo([scan] { return scan && !scan->IsOperationExit(); });
}

bool NotifyDeviceInfoAfterRefresh(KDUIOperation* scan, const std::string& name, const std::string& dmgPath,
                                  std::chrono::milliseconds wait) {
  KDUIDeviceData* list = KDUIDeviceData::instance();
  if (!list->BeginRefresh()) return false;
  BackgroundTasks::Instance().Run([list, scan, name, dmgPath, wait] {
    Notification done{name, {}, {}};
    if (scan) scan->StopOperation(1);
    if (scan && !scan->WaitForExit(wait)) {
      list->EndRefreshUnchanged();
    } else {
      if (!dmgPath.empty()) done.info.emplace("DmgOpened", std::string(KDOpenDmgFile(dmgPath) ? "1" : "0"));
      list->Reenumerate();
    }
    PostOnMainThread(std::move(done));
  });
  return true;
}

void ListLoopDevices(bool list) {
  EnumDeviceOptions options;
  options.allowLoopDevices = list;
  CreateEnumDeviceEx()->SetOptions(options);
}

int KDOpenQimFile(const std::string& path) { return KDUIDeviceData::instance()->KDOpenQimFileImp(path.c_str()); }

int KDOpenDmgFile(const std::string& path, std::string* reason) {
  CDMGDeviceInfoStruct record;
  record.sectorSize = 512;
  CopyCut(record.name, std::filesystem::path(path).filename().string());
  CopyCut(record.imagePath, path);
  if (!ParseDmgFile(path, record, reason)) return 0;
  return KDUIDeviceData::instance()->KDOpenDmgFileImp(path.c_str(), record);
}

}  // namespace quellsy::bridge
