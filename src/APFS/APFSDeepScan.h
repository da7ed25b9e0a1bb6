#pragma once
// The APFS complete search (searcher 37): recognises container and volume superblocks anywhere on the device,
// walks each container at once, offers every other plausible 4096-byte block to the known containers as a
// loose file-system-tree node, and reports each container as a found partition of type 9.
//
// The searcher runs on a thread of the complete scan's crew beside the other searchers, which share the tree
// builder; so the nodes that become ready during the block loop are kept in order and handed to the builder by
// EndSearch, on the scan's own thread. A node the builder takes is the builder's from then on; the others stay
// with their container and go with the searcher.

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "APFS/APFSContainerParser.h"
#include "include/IFileSystemSearchController.h"

class APFSDeepScan : public ICompleteFileSystemSearchController, public APFSDelegate {
 public:
  // Blocks examined per read.
  static constexpr std::uint32_t kGroupBlocks = 16;
  // Containers beyond this many are not taken (each keeps a map of the blocks its walks read).
  static constexpr std::size_t kMaxContainers = 64;

  APFSDeepScan() = default;
  APFSDeepScan(const APFSDeepScan&) = delete;
  APFSDeepScan& operator=(const APFSDeepScan&) = delete;
  ~APFSDeepScan() override = default;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { m_builder = builder; }
  // One record per container, in start-sector order. Null out or a capacity below the count: the count, nothing
  // allocated; otherwise new records owned by the caller.
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  // Also takes the device's sector size (512 when it reports none).
  void SetDevice(IStorageDevice* device) override;
  void SetBlockSize(int) override {}
  void PreparetoSearch() override {}
  // With buildTree non-zero and a container found: places what is still pending and hands every ready node to
  // the tree builder, then builds the tree. With 0 nothing reaches the builder.
  void EndSearch(int buildTree) override;
  // Examines every whole 4096-byte block of the range, up to the device's end.
  void AnalyzeBlock(long long firstSector, long long sectorCount) override;
  void SetIProgressSink(IProgress* progress) override { m_progress = progress; }

  bool IsContinue() override;
  void AddFileNode(APFSFileNode* node) override;
  int ReadBlocks(APFSContainerParser& container, std::uint64_t block, std::uint32_t bytes,
                 std::uint8_t* buffer) override;
  std::uint64_t DeviceBlocks(APFSContainerParser& container) override;

  // The containers by the sector where each was recognised (tests read them).
  const std::map<std::int64_t, std::unique_ptr<APFSContainerParser>>& Containers() const { return m_containers; }

 private:
  void Examine(std::uint64_t block, quellsy::ByteSpan data);
  bool TakeContainer(std::int64_t sector, quellsy::ByteSpan data);
  bool TakeLoneVolume(std::int64_t sector, std::uint64_t block, quellsy::ByteSpan data);
  APFSContainerParser& AddContainer(std::int64_t recognisedAt, std::int64_t startSector);

  IDirecotryTreeBuilder* m_builder = nullptr;
  IStorageDevice* m_device = nullptr;
  IProgress* m_progress = nullptr;
  std::uint32_t m_sectorSize = 512;
  std::map<std::int64_t, std::unique_ptr<APFSContainerParser>> m_containers;
  // The same containers by index (order of discovery), which their nodes carry as partition index.
  std::vector<APFSContainerParser*> m_byIndex;
  std::vector<std::uint8_t> m_buffer;
  // Nodes ready for the tree builder, in the order they became ready.
  std::vector<APFSFileNode*> m_ready;
};

// A new searcher owned by the caller; null when memory is short.
ICompleteFileSystemSearchController* CreateAPFSDeepSearcher();
