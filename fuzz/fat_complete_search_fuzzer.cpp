// The FAT complete search over arbitrary disk bytes: boot sectors, FAT first sectors and directory sectors met
// block by block, the candidates' selection, and the rebuild of every kept partition's tree. The input's last
// byte chooses the block size (1 to 256 sectors); the bytes before it, cut to whole sectors, are the disk.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FATSearch/CFATCompleteFSearcher.h"
#include "FATSearch/CFATSearchedPartitionInfo.h"
#include "FuzzBytesDevice.h"
#include "FuzzCompleteSearch.h"
#include "FuzzKeepingBuilder.h"
#include "include/FileNode.h"
#include "include/IFileSystemSearchController.h"

namespace {

// Every node must name a partition that the search kept.
void CheckPartitions(const FuzzKeepingBuilder& builder, std::size_t kept) {
  for (IFileNode* node : builder.nodes()) {
    const auto* fileNode = dynamic_cast<const CFileNode*>(node);
    if (fileNode == nullptr || fileNode->GetBelongedPartition() >= kept) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 513 || size > (1u << 20) + 1) return 0;
  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size - 1), 512);
  const int blockSectors = data[size - 1] + 1;
  FuzzKeepingBuilder builder;
  CFATCompleteFSearcher searcher;
  RunCompleteSearch(searcher, device, builder, blockSectors);
  const auto& kept = searcher.Partitions();
  CheckPartitions(builder, kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i)
    if (kept[i]->GetPartitionIndex() != i || kept[i]->GetSectorsPerCluster() == 0) std::abort();
  return 0;
}
