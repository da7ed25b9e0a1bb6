#include "RecoveryController/DeletedRecoveryController.h"

#include "RecoveryController/RecoveryControllerErrors.h"
#include "RecoveryController/RestoreScanSink.h"
#include "include/EngineRegistry.h"
#include "include/IFileSystemSearchController.h"
#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"

using namespace quellsy;

namespace {

// The file systems that have a quick searcher; every other type is unsupported whatever an engine registers.
bool HasQuickSearcher(enumFILE_SYSTEM_TYPE type) {
  switch (type) {
    case FILE_SYSTEM_FAT12:
    case FILE_SYSTEM_FAT16:
    case FILE_SYSTEM_FAT32:
    case FILE_SYSTEM_NTFS:
    case FILE_SYSTEM_EXFAT:
    case FILE_SYSTEM_HFSPLUS:
    case FILE_SYSTEM_APFS:
      return true;
    default:
      return false;
  }
}

}  // namespace

CDeletedRecoveryController::~CDeletedRecoveryController() {
  // The searcher borrows the tree builder, so it goes first.
  DeleteSearcher();
  ReleaseTreeBuilder();
}

void CDeletedRecoveryController::DeleteSearcher() {
  delete m_searcher;
  m_searcher = nullptr;
}

unsigned long long CDeletedRecoveryController::StartDataRecovery(IStorageDevice* device, IProgress* progress,
                                                                 IDrirectoryTree* sink) {
  if (!device || !progress || !sink) return controller::kQuickMissingArgument;
  Report(progress, PROGRESS_STATUS_RUNNING, 1, 0);
  if (device->GetType() == STORAGE_DEVICE_DISK) return controller::kQuickWholeDisk;

  m_device = device;
  DeleteSearcher();
  const ResultCode started = StartTreeBuilder(false, device, sink, controller::kQuickNoTreeBuilder,
                                              controller::kQuickTreeBuilderRefused);
  if (started != kResultOk) return started;

  auto* volume = dynamic_cast<IVolumeDeviceData*>(device->GetPrivateData());
  const auto* record = volume ? volume->GetVolumeInfo() : nullptr;
  if (record && HasQuickSearcher(record->fileSystemType)) {
    m_searcher = EngineRegistry::Instance().CreateQuickSearcher(record->fileSystemType);
  }
  if (!m_searcher) {
    Report(progress, PROGRESS_STATUS_FINISHED, 1, 1);
    return controller::kQuickUnsupported;
  }

  m_searcher->SetDirecotryTreeBuilder(m_builder);
  if (m_restoreSink) {
    m_restoreSink->SetDirecotryTreeBuilder(m_builder, progress, device);
  } else {
    FlushFileSystems(device);
    m_searcher->QuickSearchFiles(device, progress);
  }
  return kResultOk;
}

IDataRecovery* CDeletedRecoveryController::GetDataRecovery(_tagSearcherType type) const {
  return MakeDataRecovery(m_searcher, type);
}
