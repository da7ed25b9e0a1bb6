#pragma once
// The complete scan of a volume or image: every complete searcher and the signature search see every 4 MiB block
// of the device, read once through the read-ahead device, and then build their trees.

#include <map>
#include <memory>
#include <vector>

#include "RecoveryController/RecoveryControllerBase.h"
#include "StorageDevice/HeldBlockDevice.h"
#include "StorageDevice/StorageDeviceWithCache.h"
#include "Utility/TBitmap.h"
#include "include/SearcherType.h"

class ICompleteFileSystemSearchController;

struct _SEARCHER_INFO {
  _tagSearcherType type;
  ICompleteFileSystemSearchController* searcher;  // owned
};

class CCompleteRecoveryController : public CRecoveryControllerBase {
 public:
  // The searchers in the order they are made and driven.
  static constexpr _tagSearcherType kSearcherOrder[] = {SEARCHER_HFSPLUS, SEARCHER_EXFAT, SEARCHER_FAT,
                                                        SEARCHER_RAW,     SEARCHER_NTFS,  SEARCHER_APFS};

  CCompleteRecoveryController() = default;
  ~CCompleteRecoveryController() override;

  _RECOVERY_CONTROLLER_TYPE thisType() override { return RECOVERY_CONTROLLER_COMPLETE_VOLUME; }
  unsigned long long StartDataRecovery(IStorageDevice* device, IProgress* progress, IDrirectoryTree* sink) override;
  // For the first searcher of that type; null when the scan had none.
  IDataRecovery* GetDataRecovery(_tagSearcherType type) const override;

  // Sectors per block: 4 MiB of the device's sectors (512-byte sectors when it says 0), 8192 when that gives 0.
  static unsigned BlockSizeFor(unsigned sectorSize);
  // Threads the searchers analyse the blocks on: 0 (the default) takes one per searcher up to the cores
  // available, 1 runs them one after another on one thread. Process-wide;
  // SetSearcherThreads(0) restores the default.
  static void SetSearcherThreads(unsigned threads);
  // The threads a scan with `searchers` searchers uses.
  static unsigned SearcherThreadsFor(std::size_t searchers);

  const std::vector<_SEARCHER_INFO>& GetSearchers() const { return m_searchers; }
  CStorageDeviceWithCache* GetCachedDevice() const { return m_cache.get(); }
  TBitmap* GetBitmap() const { return m_bitmap.get(); }

 private:
  void CreateSearchers(IStorageDevice* device, IProgress* progress);
  // Hands blocks firstBlock .. of sectors first..last (clamped to the device) to every searcher in turn.
  quellsy::ResultCode ScanBlocks(long long first, long long last, IProgress* progress);
  void EndSearches(IProgress* progress);
  // Searchers first (they borrow their devices, builder, bitmap and map), then their devices, then the
  // read-ahead, ended before it goes.
  void ReleaseRun();

  std::vector<_SEARCHER_INFO> m_searchers;
  std::unique_ptr<CStorageDeviceWithCache> m_cache;
  std::vector<std::unique_ptr<CHeldBlockDevice>> m_views;  // per searcher, the device it reads the scan through
  std::map<long long, unsigned int> m_fileSectorMap;
  std::unique_ptr<TBitmap> m_bitmap;
};
