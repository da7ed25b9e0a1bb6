#pragma once
// The HFS+ complete search (searcher 31): examines every sector for volume headers, journal info blocks,
// journal headers and B-tree leaf nodes, gathers the first three into partition records, places the records of
// catalog leaves in those partitions, and quick-searches each partition whose volume header sits in its place.
//
// It analyses the read-ahead block on a thread of the scan's crew beside the other searchers, which share the
// tree builder and the sector bitmap: so the nodes it makes wait in order for EndSearch, and the bitmap is sized
// and marked only on the scan's own thread (PreparetoSearch for the volumes known before the block loop,
// EndSearch for those found in it).

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "HFSPlus/HFSPlusSearch/CompleteSearchPatition.h"
#include "Utility/SectorGate.h"
#include "include/IFileSystemSearchController.h"

class CHFSPlusFileNode;

class CHFSPlusCompleteFileSystemSearchController : public ICompleteFileSystemSearchController {
 public:
  CHFSPlusCompleteFileSystemSearchController() = default;
  ~CHFSPlusCompleteFileSystemSearchController() override;
  CHFSPlusCompleteFileSystemSearchController(const CHFSPlusCompleteFileSystemSearchController&) = delete;
  CHFSPlusCompleteFileSystemSearchController& operator=(const CHFSPlusCompleteFileSystemSearchController&) = delete;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { m_builder = builder; }
  // Null out or a capacity below the number of records: that number, nothing allocated.
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  void SetDevice(IStorageDevice* device) override;
  void SetBlockSize(int sectors) override { m_blockSectors = sectors; }
  void PreparetoSearch() override;
  void EndSearch(int buildTree) override;
  void AnalyzeBlock(long long firstSector, long long sectorCount) override;
  void SetIProgressSink(IProgress* progress) override { m_progress = progress; }
  void SetBitmap(TBitmap* bitmap) override { m_bitmap = bitmap; }
  TBitmap* GetBitmap() override { return m_bitmap; }
  bool SetActivePartition(bool active) override { return m_active = active; }

  // Partition records, in the order they were made (tests read them).
  const std::vector<std::unique_ptr<CompleteSearchPatition>>& Partitions() const { return m_partitions; }
  // Sectors between a volume's first sector and the one holding its header.
  std::int64_t HeaderSectorOffset() const { return 1024 / m_sectorSize; }

  // The record handling, each taking what a recogniser found at sector s.
  CompleteSearchPatition* UpDataPartitionInfo(std::int64_t start, std::int64_t count);
  void UpDataPartitionInfo(std::int64_t s, const HFSPlusVolumeHeader& header);
  void UpDataPartitionInfo(std::int64_t s, const JournalInfoBlock& block);
  void UpDataPartitionInfo(std::int64_t s, const JournalHeader& header);
  // A leaf or header node of nodeSize bytes starting at sector s.
  void AnalyzeNode(std::int64_t s, quellsy::ByteSpan node);

 private:
  struct Mark {
    long long firstBit;
    long long bits;
  };

  void Examine(long long first, long long count, const std::uint8_t* held);
  long long CheckBTNodeDescriptor(long long s, long long remaining, const std::uint8_t* held, long long heldEnd);
  CompleteSearchPatition* AdjustNodeBelongsPartitionIndex(std::uint32_t id, std::uint32_t createDate, std::int64_t sector);
  bool OpenVolume(CompleteSearchPatition& partition);
  void QuickSearchPartition(CompleteSearchPatition& partition);
  void SizeBitmapFor(const CompleteSearchPatition& partition);
  void MarkBits(long long firstBit, long long bits);
  void ApplyMarks();
  void Clear();
  bool IsContinue() const;

  IDirecotryTreeBuilder* m_builder = nullptr;
  IStorageDevice* m_device = nullptr;
  IProgress* m_progress = nullptr;
  TBitmap* m_bitmap = nullptr;
  int m_blockSectors = 0;
  std::uint32_t m_sectorSize = 512;
  std::int64_t m_totalSectors = 0;
  // The first look for the device's sector size; none for sectors below 512 bytes.
  std::optional<quellsy::SectorGate> m_gate;
  bool m_active = false;
  // The type of the device the read-ahead cache wraps; 0 when the device is not the cache.
  int m_wrappedType = 0;
  // True from the block loop's start: bitmap marks wait for EndSearch from then on.
  bool m_inLoop = false;
  std::vector<std::unique_ptr<CompleteSearchPatition>> m_partitions;
  std::vector<std::uint8_t> m_buffer;
  // Nodes for the tree builder, in the order they were made.
  std::vector<CHFSPlusFileNode*> m_ready;
  std::vector<Mark> m_marks;
};

// A new searcher owned by the caller; null when memory is short.
ICompleteFileSystemSearchController* CreateHFSPlusSearcher();
