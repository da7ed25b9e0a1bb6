#pragma once
// The quick scan of an intact exFAT volume: the boot sector at sector 0, then every folder, live and deleted,
// walked from the root, each file and folder handed to the tree builder as searcher 33. Live folders are read
// before deleted ones, so a deleted folder whose clusters a live one reuses never takes the live one's files.

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "ExFat/CEFDTAnalyze.h"
#include "ExFat/CExFatPartition.h"
#include "Utility/ResultCode.h"
#include "Utility/TBitmap.h"
#include "include/IFileSystemSearchController.h"

namespace quellsy {
struct SalvagedRead;
}

class CExFatDBR;
class CExFatFileNode;
class IStorageDevice;

class CExFatQuickSearch : public IQuickFileSystemSearchController {
 public:
  CExFatQuickSearch() = default;
  CExFatQuickSearch(const CExFatQuickSearch&) = delete;
  CExFatQuickSearch& operator=(const CExFatQuickSearch&) = delete;
  ~CExFatQuickSearch() override = default;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { m_builder = builder; }
  // One record once a volume was prepared (0 before): bytes per sector, type 7, sectors per cluster, cluster
  // origin at the cluster heap. Null out: the count; capacity below it: 0 and nothing written.
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  // 0 once the volume was prepared (a folder it cannot read is skipped and logged), else the failure: no progress
  // sink, device or builder, a boot sector that cannot be read or is not exFAT's. Every path with a sink ends with
  // one finished report (state 3, 1 of 1) carrying that result; once prepared, the builder builds what was found.
  unsigned long long QuickSearchFiles(IStorageDevice* device, IProgress* progress) override;

  // Marks the directory cluster read; true when it had been read already.
  bool IsClusterProssed(std::uint32_t cluster);

 private:
  struct Folder {
    std::uint32_t firstCluster = 0;
    std::int64_t size = 0;
    bool contiguous = false;
    bool deleted = false;
  };

  quellsy::ResultCode PrepareSearch(IStorageDevice* device);
  void SetGeometry(IStorageDevice* device, const CExFatDBR& dbr);
  void QuickSearch(IProgress* progress);
  // Reads one directory and hands its entries to the builder; false when one of its clusters cannot be read
  // (what was read before stands).
  bool BuildChildren(const Folder& folder);
  // The readable sectors of a directory cluster, in stretches between the unreadable ones (m_cluster holds it,
  // its first sector at `sector`); false once the directory ends.
  bool AnalyzeReadable(const quellsy::SalvagedRead& read, std::int64_t sector);
  void AddChildren(const Folder& folder);

  IDirecotryTreeBuilder* m_builder = nullptr;
  IStorageDevice* m_device = nullptr;
  bool m_prepared = false;
  CExFatPartition m_partition;
  CEFDTAnalyze m_analyzer;
  std::vector<std::uint8_t> m_cluster;
  TBitmap m_readClusters;
  std::deque<Folder> m_liveFolders;
  std::deque<Folder> m_deletedFolders;
};

// A new quick searcher, deleted by the controller; null when memory is short.
IQuickFileSystemSearchController* CreateEXFatQuickSearcher();
