#include "HFSPlus/HFSPlusSearch/CHFSPlusQuickFileSystemSearchController.h"

#include <new>

#include "HFSPlus/HFSPlusLib/CHFSPlusQuickFileSystemSearchProgress.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "Utility/Cores.h"
#include "Utility/RawRead.h"
#include "include/IStorageDevice.h"
#include "include/SearchPartitionInfoStruct.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {
constexpr unsigned kDefaultSectorSize = 512;
}  // namespace

unsigned long long CHFSPlusQuickFileSystemSearchController::QuickSearchFiles(IStorageDevice* device,
                                                                             IProgress* progress) {
  device_ = device;
  progress_ = progress;
  // Goes out of scope on every path, and with it the end report.
  CHFSPlusQuickFileSystemSearchProgress adapter(progress, false);
  if (device == nullptr) return HFS_FAILURE(hfserror::kBadArgument);
  if (builder_ == nullptr) return HFS_FAILURE(hfserror::kMissing);
  std::shared_ptr<CHFSPlusVolume> volume(new (std::nothrow) CHFSPlusVolume(device, false));
  if (!volume) return HFS_FAILURE(hfserror::kOutOfMemory);
  const ResultCode opened = volume->GetLastError();
  if (opened != kResultOk) {
    // Nothing was listed: the end report says why, so that it never reads as an empty volume.
    adapter.SetResult(opened);
    return opened;
  }
  privateData_.reset(new (std::nothrow) CHFSPlusPrivateData(volume));
  if (!privateData_) return HFS_FAILURE(hfserror::kOutOfMemory);
  blockSize_ = volume->GetVolumeHeader()->blockSize;
  builder_->AddSearcherInfo(SEARCHER_HFSPLUS, kRootFolderID);
  // A quick scan has the cores to itself and waits on each of its reads: the journal's windows, most of its
  // time, are copied out of the system's cache on all of them at once.
  const ScopedRawReadPartsAtOnce parts(static_cast<long long>(UsableCores()));
  volume->QuickSearchFiles(builder_, &adapter);
  builder_->FlashBuild(SEARCHER_HFSPLUS);
  return opened;
}

int CHFSPlusQuickFileSystemSearchController::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  if (out == nullptr) return 1;
  if (capacity < 1) return 0;
  const unsigned reported = device_ != nullptr ? device_->GetSectorSize() : 0;
  const unsigned sectorSize = reported == 0 ? kDefaultSectorSize : reported;
  auto* record = new (std::nothrow) CSearchedPartitionInfo(sectorSize);
  if (record == nullptr) return 0;
  record->SetPrivateData(reinterpret_cast<std::uintptr_t>(privateData_.get()));
  record->SetPartitionIndex(0);
  record->SetFileSystemType(FILE_SYSTEM_HFSPLUS);
  record->SetSectorsPerCluster(blockSize_ / sectorSize);
  record->SetClusterOrigin(0);
  record->SetStartSector(0);
  const long long total = device_ != nullptr ? device_->GetTotalSectors() : 0;
  record->SetTotalSectors(total > 0 ? static_cast<std::uint64_t>(total) : 0);
  out[0] = record;
  return 1;
}

IQuickFileSystemSearchController* CreateHFSPlusQuickSearcher() {
  return new (std::nothrow) CHFSPlusQuickFileSystemSearchController();
}
