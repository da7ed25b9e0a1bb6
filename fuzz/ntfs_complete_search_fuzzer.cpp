// The NTFS complete search over arbitrary disk bytes: boot sectors, $MFT record groups, FILE and INDX records,
// restart and record pages and the standard $AttrDef and $UpCase contents met block by block, the scoring of the
// proposed partitions and the tree building of the kept ones. The input's last byte chooses the block size (2 to
// 257 sectors); the bytes before it, cut to whole sectors, are the disk.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzBytesDevice.h"
#include "FuzzCompleteSearch.h"
#include "FuzzKeepingBuilder.h"
#include "NTFSLib/NTFSPublicFunction.h"
#include "NTFSSearch/CNTFSSearchController.h"
#include "include/FileNode.h"
#include "include/SearchPartitionInfoStruct.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 513 || size > (2u << 20) + 1) return 0;
  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size - 1), 512);
  const int blockSectors = data[size - 1] + 2;
  FuzzKeepingBuilder builder;
  CNTFSSearchController searcher;
  RunCompleteSearch(searcher, device, builder, blockSectors);
  NTFSPublicFunction::ResetDeviceSectorSize();
  // Every node names a kept partition, and the records follow the count-then-clone contract.
  const int count = searcher.GetSearchedPartitionInfo(nullptr, 0);
  if (count != static_cast<int>(searcher.Kept().size())) std::abort();
  for (IFileNode* node : builder.nodes()) {
    const auto* fileNode = dynamic_cast<const CFileNode*>(node);
    if (fileNode == nullptr || fileNode->GetBelongedPartition() >= count) std::abort();
  }
  std::vector<CSearchedPartitionInfo*> records(static_cast<std::size_t>(count), nullptr);
  if (count > 0 && searcher.GetSearchedPartitionInfo(records.data(), count) != count) std::abort();
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i] == nullptr || records[i]->GetPartitionIndex() != i || records[i]->GetSectorsPerCluster() == 0 ||
        records[i] == searcher.Kept()[i].get())
      std::abort();
    delete records[i];
  }
  return 0;
}
