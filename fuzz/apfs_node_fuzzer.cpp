// File-system-tree nodes from arbitrary bytes: every 4096-byte block is applied as a node (twice, so later
// records meet earlier versions of their keys), handed in as a loose node, then flushed.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "APFS/APFSContainerParser.h"
#include "FuzzApfsDelegate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (256u << 10)) return 0;
  std::vector<std::uint8_t> bytes(data, data + size);
  bytes.resize((bytes.size() + 4095) / 4096 * 4096);
  FuzzApfsDelegate owner(bytes);
  APFSContainerParser parser(owner, 0, 0);
  const quellsy::ByteSpan all(owner.bytes());
  for (int round = 0; round < 2; ++round) {
    for (std::size_t offset = 0; offset < all.size(); offset += 4096) {
      const auto block = all.subspan(offset, 4096);
      parser.ApplyNodeRecords(block, offset / 4096 + static_cast<std::size_t>(round) * 5000);
      parser.AnalyzeNode(static_cast<std::int64_t>(offset / 512), offset / 4096, block);
      parser.FlushPending(offset / 4096);
    }
  }
  parser.FlushPending(~std::uint64_t{0});
  return 0;
}
