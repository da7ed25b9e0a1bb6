// The HFS+ complete search over arbitrary disk bytes: the sector tests (volume header, journal info block,
// journal header, B-tree node start and size, and the quick look in front of them), the partition records they
// make, the catalog records placed in them and the volumes opened over them. The input's last byte chooses the
// block size (2 to 257 sectors); the bytes before it, cut to whole sectors, are the disk.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzBytesDevice.h"
#include "FuzzCompleteSearch.h"
#include "FuzzKeepingBuilder.h"
#include "HFSPlus/HFSPlusSearch/CHFSPlusCompleteFileSystemSearchController.h"
#include "HFSPlus/HFSPlusSearch/HFSPlusBlockRecognize.h"
#include "Utility/TBitmap.h"
#include "include/FileNode.h"
#include "include/SearchPartitionInfoStruct.h"

using namespace quellsy::hfsplus;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 513 || size > (1u << 20) + 1) return 0;
  const quellsy::ByteSpan bytes(data, size - 1);
  // The quick look the search puts first never turns away a sector one of the four tests takes.
  for (const std::size_t length : {std::size_t{512}, bytes.size()}) {
    const quellsy::ByteSpan sector = bytes.first(length);
    const bool taken = RecogniseVolumeHeader(sector).has_value() || RecogniseJournalInfoBlock(sector).has_value() ||
                       RecogniseJournalHeader(sector).has_value() || StartsLeafOrHeaderNode(sector);
    if (taken && !MayHoldRecord(sector)) std::abort();
  }
  const std::uint32_t node = FitNodeSize(bytes, 512);
  if (node % 512 != 0 || node > kMaxNodeBytes || node > bytes.size()) std::abort();

  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size - 1), 512);
  const int blockSectors = data[size - 1] + 2;
  FuzzKeepingBuilder builder;
  TBitmap bitmap;
  CHFSPlusCompleteFileSystemSearchController searcher;
  searcher.SetBitmap(&bitmap);
  RunCompleteSearch(searcher, device, builder, blockSectors);
  const auto& partitions = searcher.Partitions();
  for (IFileNode* found : builder.nodes()) {
    const auto* fileNode = dynamic_cast<const CFileNode*>(found);
    if (fileNode == nullptr || fileNode->GetBelongedPartition() >= partitions.size()) std::abort();
  }
  const int count = searcher.GetSearchedPartitionInfo(nullptr, 0);
  std::vector<CSearchedPartitionInfo*> records(static_cast<std::size_t>(count), nullptr);
  if (count > 0 && searcher.GetSearchedPartitionInfo(records.data(), count) != count) std::abort();
  for (CSearchedPartitionInfo* record : records) {
    if (record == nullptr || record->GetSectorsPerCluster() == 0) std::abort();
    delete record;
  }
  return 0;
}
