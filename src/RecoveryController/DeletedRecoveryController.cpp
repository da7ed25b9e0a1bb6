#include "RecoveryController/DeletedRecoveryController.h"

#include <algorithm>
#include <vector>

#include "RecoveryController/RecoveryControllerErrors.h"
#include "RecoveryController/RestoreScanSink.h"
#include "include/EngineRegistry.h"
#include "include/IFileSystemSearchController.h"
#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"
#include "include/SalvagingRead.h"

using namespace quellsy;

namespace {

constexpr unsigned kBootSectorsBytes = 4096;

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

// The first 4 KiB hold every boot sector and volume header a quick searcher looks for; an unreadable sector
// among them is reported (as a bad-sector event) by the read.
bool FirstSectorsUnreadable(IStorageDevice& device) {
  const unsigned sectorSize = device.GetSectorSize() == 0 ? 512 : device.GetSectorSize();
  const long long count = std::min<long long>(std::max(1u, kBootSectorsBytes / sectorSize), device.GetTotalSectors());
  if (count < 1 || sectorSize > kBootSectorsBytes) return false;
  std::vector<std::uint8_t> sectors(static_cast<std::size_t>(count) * sectorSize);
  return !ReadSectorsSalvaging(device, sectors.data(), 0, count).unreadable.empty();
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
    if (record && record->fileSystemType == FILE_SYSTEM_APFS) return controller::kQuickApfs;
    // A volume whose boot sector cannot be read is not "no volume": say what failed.
    return UnlessStoppedAnswering(*device, FirstSectorsUnreadable(*device) ? controller::kQuickBootSectorUnreadable
                                                                           : controller::kQuickUnsupported);
  }

  m_searcher->SetDirecotryTreeBuilder(m_builder);
  if (m_restoreSink) {
    m_restoreSink->SetDirecotryTreeBuilder(m_builder, progress, device);
  } else {
    FlushFileSystems(device);
    m_searcher->QuickSearchFiles(device, progress);
  }
  return UnlessStoppedAnswering(*device, kResultOk);
}

IDataRecovery* CDeletedRecoveryController::GetDataRecovery(_tagSearcherType type) const {
  return MakeDataRecovery(m_searcher, type);
}
