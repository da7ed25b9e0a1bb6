#pragma once
// The quick scan of an intact HFS+ volume (file-system type 8): the volume opened at sector 0, the records of
// deleted files its journal still holds, then the live catalog, all as nodes of searcher 31 under the root
// folder (catalog node 2); one partition record describes the volume for the recovery.

#include <cstdint>
#include <memory>

#include "HFSPlus/HFSPlusSearch/CHFSPlusPrivateData.h"
#include "include/IFileSystemSearchController.h"

class CHFSPlusQuickFileSystemSearchController : public IQuickFileSystemSearchController {
 public:
  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { builder_ = builder; }
  // Null out: 1. A capacity below 1: 0. Otherwise one new record of the whole device in out[0].
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  // The opening's result: 0 once the volume opened (the search's own failures are logged, not returned).
  unsigned long long QuickSearchFiles(IStorageDevice* device, IProgress* progress) override;

  CHFSPlusPrivateData* GetPrivateData() const { return privateData_.get(); }

 private:
  IDirecotryTreeBuilder* builder_ = nullptr;
  std::unique_ptr<CHFSPlusPrivateData> privateData_;
  IStorageDevice* device_ = nullptr;
  IProgress* progress_ = nullptr;
  std::uint32_t blockSize_ = 0;
};

// A new quick searcher; null when memory is short.
IQuickFileSystemSearchController* CreateHFSPlusQuickSearcher();
