#pragma once
// The quick scan of a mounted FAT16 or FAT32 volume: a valid boot sector at sector 0 (for FAT32 also the
// backup at sector 6), the volume's partition record, then every folder, live and deleted, walked breadth
// first from the root and handed to the tree builder as searcher 32. FAT12 volumes are refused; only the
// complete search reads them.

#include <cstdint>
#include <vector>

#include "Utility/ByteReader.h"
#include "Utility/ResultCode.h"
#include "include/IFileSystemSearchController.h"

class CFATSearchedPartitionInfo;
class CSearchedPartitionInfo;
class IStorageDevice;

class CFATQuickSearcher : public IQuickFileSystemSearchController {
 public:
  CFATQuickSearcher() = default;
  CFATQuickSearcher(const CFATQuickSearcher&) = delete;
  CFATQuickSearcher& operator=(const CFATQuickSearcher&) = delete;
  // Destroys the partition records.
  ~CFATQuickSearcher() override;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { m_builder = builder; }
  // Null out: the number of records (0 or 1). A capacity below that: 0 and nothing written. Otherwise a clone
  // of the record in out[0], owned by the caller.
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  // 0 when the walk ended, else one of the module-0x0A codes of FATSearchErrors.h. Whatever the outcome, the
  // progress sink's last record is state 3 with 100 of 100 and the result code, and once the volume was
  // taken as FAT16 or FAT32 the builder gets the partition and the device and builds the tree.
  unsigned long long QuickSearchFiles(IStorageDevice* device, IProgress* progress) override;

  // The boot sector passes the FAT16/FAT32 checks for the device's sector size (512 without a device), its
  // FATs fit in its total sectors, and the first sector of one of its two FATs (from partition sector start)
  // looks like the start of a FAT.
  static bool IsFullValidDBR(quellsy::ByteSpan sector, std::uint64_t start, IStorageDevice* device);

 private:
  quellsy::ResultCode Search(IStorageDevice* device, IProgress* progress, bool& accepted);
  void DestroyPartitionInfos();

  IDirecotryTreeBuilder* m_builder = nullptr;
  std::vector<CFATSearchedPartitionInfo*> m_partitions;
};

// A new quick searcher; null when memory is short.
IQuickFileSystemSearchController* CreateFATQuickSearcher();
