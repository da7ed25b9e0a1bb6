// The APFS complete search over arbitrary disk bytes: container and volume superblocks recognised anywhere, the
// walks they start, every other block offered to the known containers as a loose tree node, and the final
// hand-over. The input's last byte chooses the range size (8 to 2048 sectors, in steps of 8); the bytes before
// it, cut to whole sectors, are the disk.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "APFS/APFSDeepScan.h"
#include "FuzzBytesDevice.h"
#include "FuzzCompleteSearch.h"
#include "FuzzKeepingBuilder.h"
#include "include/SearchPartitionInfoStruct.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 513 || size > (1u << 20) + 1) return 0;
  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size - 1), 512);
  const int blockSectors = (data[size - 1] + 1) * 8;
  // The builder goes first: it frees the nodes it took, the searcher then frees the rest.
  APFSDeepScan searcher;
  FuzzKeepingBuilder builder;
  RunCompleteSearch(searcher, device, builder, blockSectors);
  // Every node names a container, and the records follow the count-then-clone contract.
  const int count = searcher.GetSearchedPartitionInfo(nullptr, 0);
  if (count != static_cast<int>(searcher.Containers().size()) ||
      count > static_cast<int>(APFSDeepScan::kMaxContainers))
    std::abort();
  for (IFileNode* node : builder.nodes())
    if (static_cast<const APFSFileNode*>(node)->GetBelongedPartition() >= count) std::abort();
  std::vector<CSearchedPartitionInfo*> records(static_cast<std::size_t>(count), nullptr);
  if (count > 0 && searcher.GetSearchedPartitionInfo(records.data(), count) != count) std::abort();
  for (CSearchedPartitionInfo* record : records) {
    if (record == nullptr || record->GetFileSystemType() != FILE_SYSTEM_APFS) std::abort();
    delete record;
  }
  return 0;
}
