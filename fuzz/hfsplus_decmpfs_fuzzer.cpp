// Compressed-file reading from arbitrary bytes: u16 attribute length, u32 offset, u16 read length in KiB, then
// the decmpfs attribute and the resource fork.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "HFSPlus/HFSPlusLib/HFSPlusDecmpfs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8 || size > 1048576) return 0;
  const quellsy::ByteSpan input(data, size);
  const std::size_t attributeLength = *quellsy::le16(input, 0);
  const std::uint64_t offset = *quellsy::le32(input, 2);
  const std::size_t length = (std::size_t{*quellsy::le16(input, 6)} % 512) * 1024 + 1;
  const auto rest = input.subspan(8);
  if (attributeLength > rest.size()) return 0;
  const auto attribute = rest.subspan(0, attributeLength);
  const auto fork = rest.subspan(attributeLength);
  std::vector<std::uint8_t> out(length);
  std::size_t forkReads = 0;
  const auto result = quellsy::hfsplus::ReadDecmpfs(
      attribute, fork.size(),
      [&](std::uint64_t at, quellsy::MutableByteSpan into) {
        // The reader checks every range against the fork's size before it asks.
        if (at > fork.size() || into.size() > fork.size() - at) std::abort();
        ++forkReads;
        std::copy_n(fork.begin() + static_cast<std::ptrdiff_t>(at), into.size(), into.begin());
        return true;
      },
      offset, out);
  if (result.count > out.size() || (!result.error.empty() && result.count != 0)) std::abort();
  return 0;
}
