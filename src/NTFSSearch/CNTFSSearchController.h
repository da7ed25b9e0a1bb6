#pragma once
// The NTFS complete search (searcher 35): every sector of the device is shown to the recognisers of boot
// sectors, $MFT record groups, INDX records, log-file pages and the standard $AttrDef and $UpCase contents; at
// the end the proposed partitions are scored, weak ones dropped and the survivors' files handed to the tree
// builder. A sector is analysed once the 16 sectors from it are at hand, so records that straddle two blocks
// are met whole at their first sector.

#include <cstdint>
#include <memory>
#include <vector>

#include "NTFSSearch/CMetaFileContentMatcher.h"
#include "NTFSSearch/CMetaFileRecordGroupinMFTAnalyzer.h"
#include "NTFSSearch/CNTFSDirectoryTreeBuilder.h"
#include "NTFSSearch/CNTFSIndexEvidence.h"
#include "NTFSSearch/CNTFSPartitionInfoBuilder.h"
#include "include/IFileSystemSearchController.h"

class CLogFileAnalyzer;
class CNTFSFileRecord;

class CNTFSSearchController : public ICompleteFileSystemSearchController {
 public:
  static constexpr std::int64_t kWindowSectors = 16;
  static constexpr std::size_t kMaxPositionRuns = 4000000;

  CNTFSSearchController();
  ~CNTFSSearchController() override;
  CNTFSSearchController(const CNTFSSearchController&) = delete;
  CNTFSSearchController& operator=(const CNTFSSearchController&) = delete;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { m_builder = builder; }
  // The kept partitions after EndSearch(1), else the proposals held, in origin order; out filled with new
  // records owned by the caller, each carrying its partition index.
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  void SetDevice(IStorageDevice* device) override;
  void SetBlockSize(int sectors) override {
    if (sectors > 0) m_blockSize = sectors;
  }
  void PreparetoSearch() override;
  // With buildTree 0 nothing happens and everything is kept.
  void EndSearch(int buildTree) override;
  void AnalyzeBlock(long long firstSector, long long sectorCount) override;

  // The proposals (before the end) for the tests.
  const CNTFSPartitionInfoBuilder::Container& Proposals() const { return m_partitions.Partitions(); }
  const std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>>& Kept() const { return m_kept; }
  const CNTFSIntelligentSearchInfo& SearchInfo() const { return m_info; }

 private:
  void AnalyzeSector(std::int64_t sector, quellsy::ByteSpan window);
  void AnalyzeFileRecord(std::int64_t sector, const CNTFSFileRecord& record, std::uint32_t sectorsPerRecord);
  void AddPosition(std::int64_t sector, std::uint32_t sectorsPerRecord);
  void FoldLogProposals();
  void Settle();

  IDirecotryTreeBuilder* m_builder = nullptr;
  IStorageDevice* m_device = nullptr;
  int m_blockSize = 0;
  std::uint32_t m_sectorSize = 512;
  std::int64_t m_totalSectors = 0;
  bool m_prepared = false;
  bool m_ended = false;
  // The previous block's last 16 sectors, then room for one block.
  std::vector<std::uint8_t> m_buffer;
  std::int64_t m_blockEnd = -1;  // where the last block ended
  std::int64_t m_next = 0;       // the next sector to analyse

  CNTFSPartitionInfoBuilder m_partitions;
  CNTFSIntelligentSearchInfo m_info;
  std::unique_ptr<CMetaFileRecordGroupinMFTAnalyzer> m_groups;
  std::unique_ptr<CNTFSIndexEvidence> m_indexes;
  std::unique_ptr<CMetaFileContentMatcher> m_attrDef;
  std::unique_ptr<CMetaFileContentMatcher> m_upCase;
  std::unique_ptr<CLogFileAnalyzer> m_log;
  std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> m_kept;
};

// A new searcher owned by the caller; null when memory is short.
ICompleteFileSystemSearchController* CreateNTFSSearcher();
