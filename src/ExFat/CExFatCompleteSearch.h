#pragma once
// The exFAT complete search (searcher 33): classifies every sector of the device as an up-case table start,
// a boot sector, a FAT start or a directory sector, gathers directory sectors into sets for the partition
// builder, and at the end builds each settled partition's files for the tree builder.

#include <cstdint>
#include <memory>
#include <vector>

#include "ExFat/CExFatPartitionEx.h"
#include "ExFat/CFDTPreAnaylze.h"
#include "ExFat/CPartitionBuilder.h"
#include "include/IFileSystemSearchController.h"

class CExFatCompleteSearch : public ICompleteFileSystemSearchController {
 public:
  // Two sectors of each block wait for the next one, so that a sector's entry sets can be checked into the
  // sectors after it.
  static constexpr int kCarriedSectors = 2;
  // Clusters of at most 32 MiB.
  static constexpr std::uint32_t kClusterShift = 25;

  CExFatCompleteSearch() = default;
  CExFatCompleteSearch(const CExFatCompleteSearch&) = delete;
  CExFatCompleteSearch& operator=(const CExFatCompleteSearch&) = delete;
  ~CExFatCompleteSearch() override = default;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { m_builder = builder; }
  // One record per settled partition (type 7, cluster origin at the heap start). Null out or a capacity below
  // the count: the count, nothing allocated; otherwise new records owned by the caller.
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  void SetDevice(IStorageDevice* device) override { m_device = device; }
  void SetBlockSize(int sectors) override { m_blockSize = sectors; }
  // Forgets an earlier search.
  void PreparetoSearch() override;
  // Settles the partitions and, with buildTree non-zero, hands their files to the tree builder; with 0 nothing.
  void EndSearch(int buildTree) override;
  void AnalyzeBlock(long long firstSector, long long sectorCount) override;

  // False when the device, the tree builder or the block size is missing, or the block cannot be read.
  bool AnalyzeBlockChecked(long long firstSector, long long sectorCount);
  const std::vector<std::unique_ptr<CExFatPartitionEx>>& Partitions() const { return m_partitions; }
  // The candidates gathered so far (tests read them).
  const CPartitionBuilder& Builder() const { return m_partitionBuilder; }

 private:
  bool Start();
  void AnalyzeSector(std::int64_t sector, quellsy::ByteSpan data);
  // The block's sectors; `all` starts kCarriedSectors sectors before firstSector.
  void AnalyzeSectors(long long firstSector, long long sectorCount, quellsy::ByteSpan all);
  void BuildeFileNode();

  IStorageDevice* m_device = nullptr;
  IDirecotryTreeBuilder* m_builder = nullptr;
  int m_blockSize = 0;
  std::uint32_t m_sectorSize = 0;
  std::uint64_t m_totalSectors = 0;
  std::unique_ptr<std::uint8_t[]> m_buffer;
  std::size_t m_bufferBytes = 0;
  long long m_nextSector = 0;  // where the last block analysed ended
  CFDTPreAnaylze m_preAnalyzer;
  CPartitionBuilder m_partitionBuilder;
  std::vector<std::unique_ptr<CExFatPartitionEx>> m_partitions;
};

// A new searcher owned by the caller; null when memory is short.
ICompleteFileSystemSearchController* CreateEXFatSearcher();
