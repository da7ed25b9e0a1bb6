#include "Bridge/KDSaveAndRestoreNodeOperate.h"

#include <cstdio>
#include <memory>
#include <mutex>

namespace {
std::unique_ptr<KDSaveAndRestoreNodeOperate> instanceObject;
std::mutex instanceLock;
}  // namespace

KDSaveAndRestoreNodeOperate* KDSaveAndRestoreNodeOperate::instance() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  if (!instanceObject) instanceObject = std::make_unique<KDSaveAndRestoreNodeOperate>();
  return instanceObject.get();
}

void KDSaveAndRestoreNodeOperate::ResetForTests() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  instanceObject.reset();
}

void KDSaveAndRestoreNodeOperate::UpdateProgress(_PROGRESS_INFO* info) {
  if (info == nullptr) return;
  SetProgressInfo(*info);
  if (info->status == PROGRESS_STATUS_FINISHED) {
    SetStatus(OPERATION_STATUS_IDLE);
    std::printf("=====Scan Progress finished!=====\n");
  }
  SetNeedUIUpdate(1);
}
