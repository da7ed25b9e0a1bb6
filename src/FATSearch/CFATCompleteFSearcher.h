#pragma once
// The FAT complete search (searcher 32): looks at every sector of the disk for FAT boot sectors, first
// sectors of FATs and directory sectors, keeps the credible partitions at the end and rebuilds each one's
// folders, also where its boot sector or its folders' parents are lost.

#include <cstdint>
#include <map>
#include <vector>

#include "FATSearch/CFATFolderSectorSet.h"
#include "FATSearch/CFATPartitionCandidates.h"
#include "Utility/ByteReader.h"
#include "Utility/ResultCode.h"
#include "include/IFileSystemSearchController.h"

class CFATSearchedPartitionInfo;

class CFATCompleteFSearcher : public ICompleteFileSystemSearchController {
 public:
  CFATCompleteFSearcher() = default;
  // Destroys the kept partitions.
  ~CFATCompleteFSearcher() override;
  CFATCompleteFSearcher(const CFATCompleteFSearcher&) = delete;
  CFATCompleteFSearcher& operator=(const CFATCompleteFSearcher&) = delete;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { m_builder = builder; }
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  // Also takes the device's sector size (512 when it reports none).
  void SetDevice(IStorageDevice* device) override;
  void SetBlockSize(int sectors) override { m_blockSize = sectors; }
  // Forgets the partitions of an earlier search.
  void PreparetoSearch() override;
  // Selects the partitions; with buildTree non-zero also rebuilds their trees for the tree builder.
  void EndSearch(int buildTree) override;
  // Looks at every sector of the block; always 1 (nothing is done without a device or a block size).
  void AnalyzeBlock(long long firstSector, long long sectorCount) override;
  void SetIProgressSink(IProgress* progress) override { m_progress = progress; }
  void SetFileSectorMap(std::map<long long, unsigned int>* map) override { m_fileSectorMap = map; }

  // The final selection over the candidates gathered so far (appended to out, which owns them).
  virtual void AddSearchedPartitionInfoList2(std::vector<CFATSearchedPartitionInfo*>& out);

  // The partitions kept by the last EndSearch, with their scores (tests and the tools read them).
  const std::vector<CFATSearchedPartitionInfo*>& Partitions() const { return m_partitions; }
  const CFATPartitionCandidates& Candidates() const { return m_candidates; }
  const CFATFolderSectorSet& FolderSectors() const { return m_folderSectors; }

 private:
  void AnalyzeSector(long long sector, quellsy::ByteSpan bytes);
  // Rebuilds one kept partition's tree; 0, or a failure code when the partition is skipped.
  quellsy::ResultCode CompleteBulidDirectoryTree(CFATSearchedPartitionInfo& partition);
  void DestroyPartitions();

  IStorageDevice* m_device = nullptr;
  std::uint32_t m_bytesPerSector = 512;
  int m_blockSize = 0;
  IDirecotryTreeBuilder* m_builder = nullptr;
  IProgress* m_progress = nullptr;
  const std::map<long long, unsigned int>* m_fileSectorMap = nullptr;
  std::vector<CFATSearchedPartitionInfo*> m_partitions;
  CFATPartitionCandidates m_candidates;
  CFATFolderSectorSet m_folderSectors;
  std::vector<std::uint8_t> m_buffer;
};

// A new searcher owned by the caller; null when memory is short.
ICompleteFileSystemSearchController* CreateFATSearcher();
