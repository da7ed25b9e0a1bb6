#pragma once
// Stands between one partition's quick search and the complete search: stamps the partition index on every
// node, notes the allocation blocks of live files for the scan's sector bitmap, and passes the node on.

#include <cstdint>
#include <functional>

#include "include/IFileSystemSearchController.h"

class CHFSPlusDirectoryTreeBuilder : public IDirecotryTreeBuilder {
 public:
  // Bits to set in the bitmap: first bit and count.
  using MarkSink = std::function<void(long long firstBit, long long bits)>;

  CHFSPlusDirectoryTreeBuilder(IDirecotryTreeBuilder* inner, std::uint32_t sectorsPerBlock, std::uint32_t partitionIndex,
                               std::uint64_t startSector);
  // The bitmap's sectors per bit and where its bits go; without it nothing is marked.
  void SetBitmap(unsigned sectorsPerBit, MarkSink marks);

  int Initialize(const char* description, IDrirectoryTree* sink, IRecoveryFilter* filter) override;
  int AddNode(IFileNode* node, _tagSearcherType searcher) override;
  void AddSearcherInfo(_tagSearcherType searcher, long long rootNodeID) override;
  void FlashBuild(_tagSearcherType searcher) override;
  void Release() override;
  void SetPartitonDevice(CSearchedPartitionInfo* partition, IStorageDevice* device) override;

 private:
  void MarkRuns(IFileNode& node);

  IDirecotryTreeBuilder* m_inner;
  std::uint32_t m_sectorsPerBlock;
  std::uint32_t m_partitionIndex;
  std::uint64_t m_startSector;
  unsigned m_sectorsPerBit = 0;
  MarkSink m_marks;
};
