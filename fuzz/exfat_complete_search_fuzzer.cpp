// The exFAT complete search over arbitrary disk bytes: boot sectors, FAT and up-case starts and directory
// sectors met block by block, the partition builder's settling, and the build of every settled partition's
// files. The input's last byte chooses the block size (2 to 257 sectors); the bytes before it, cut to whole
// sectors, are the disk.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ExFat/CExFatCompleteSearch.h"
#include "FuzzBytesDevice.h"
#include "FuzzCompleteSearch.h"
#include "FuzzKeepingBuilder.h"
#include "include/FileNode.h"
#include "include/SearchPartitionInfoStruct.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 513 || size > (1u << 20) + 1) return 0;
  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size - 1), 512);
  const int blockSectors = data[size - 1] + 2;
  FuzzKeepingBuilder builder;
  CExFatCompleteSearch searcher;
  RunCompleteSearch(searcher, device, builder, blockSectors);
  // Every node names a settled partition, and the records follow the count-then-clone contract.
  const int count = searcher.GetSearchedPartitionInfo(nullptr, 0);
  if (count != static_cast<int>(searcher.Partitions().size())) std::abort();
  for (IFileNode* node : builder.nodes()) {
    const auto* fileNode = dynamic_cast<const CFileNode*>(node);
    if (fileNode == nullptr || fileNode->GetBelongedPartition() >= count) std::abort();
  }
  std::vector<CSearchedPartitionInfo*> records(static_cast<std::size_t>(count), nullptr);
  if (count > 0 && searcher.GetSearchedPartitionInfo(records.data(), count) != count) std::abort();
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i] == nullptr || records[i]->GetPartitionIndex() != i || records[i]->GetSectorsPerCluster() == 0)
      std::abort();
    delete records[i];
  }
  return 0;
}
