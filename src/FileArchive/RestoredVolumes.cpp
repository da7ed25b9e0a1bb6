#include "FileArchive/RestoredVolumes.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "StorageDevice/SectorRangeDevice.h"
#include "include/IStorageDevice.h"
#include "include/SearchPartitionInfoStruct.h"

namespace SaveRestoreResult {
namespace {

using Key = std::pair<_tagSearcherType, std::uint16_t>;

// A partition found by a search: no record describes it, its geometry is the saved one on the scanned device's
// sectors.
class RestoredPartitionDevice final : public CSectorRangeDevice {
 public:
  using CSectorRangeDevice::CSectorRangeDevice;
  int GetType() override { return STORAGE_DEVICE_PARTITION; }

 protected:
  quellsy::ResultCode ApplyRecord() override { return quellsy::kResultOk; }
};

std::mutex& StoreLock() {
  static std::mutex lock;
  return lock;
}

std::map<Key, std::unique_ptr<RestoredPartitionDevice>>& Store() {
  static std::map<Key, std::unique_ptr<RestoredPartitionDevice>> store;
  return store;
}

}  // namespace

void ClearRestoredVolumes() {
  const std::lock_guard<std::mutex> hold(StoreLock());
  Store().clear();
}

void KeepRestoredVolume(_tagSearcherType searcher, const CSearchedPartitionInfo& partition, IStorageDevice* scanned) {
  if (scanned == nullptr) return;
  const long long total = scanned->GetTotalSectors();
  const long long start = partition.GetStartSector();
  if (start < 0 || start >= total) return;
  long long sectors = static_cast<long long>(partition.GetTotalSectors());
  if (sectors <= 0 || sectors > total - start) sectors = total - start;
  const std::lock_guard<std::mutex> hold(StoreLock());
  auto& slot = Store()[{searcher, partition.GetPartitionIndex()}];
  if (!slot) slot = std::make_unique<RestoredPartitionDevice>(scanned, start, sectors, scanned->GetSectorSize());
}

IStorageDevice* FindRestoredVolume(_tagSearcherType searcher, std::uint16_t partitionIndex) {
  const std::lock_guard<std::mutex> hold(StoreLock());
  const auto found = Store().find({searcher, partitionIndex});
  return found == Store().end() ? nullptr : found->second.get();
}

}  // namespace SaveRestoreResult
