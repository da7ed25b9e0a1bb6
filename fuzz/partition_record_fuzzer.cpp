// The stored partition record of scan-result files, and extension lookups in the kind table, on arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "include/KeHashTable.h"
#include "include/SearchPartitionInfoStruct.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CSearchedPartitionInfo record;
  if (record.ReadStoredImage(std::span<const std::uint8_t>(data, size))) {
    std::vector<std::uint8_t> image(CSearchedPartitionInfo::kStoredSize);
    if (!record.WriteStoredImage(image)) std::abort();
    CSearchedPartitionInfo again;
    std::vector<std::uint8_t> second(CSearchedPartitionInfo::kStoredSize);
    if (!again.ReadStoredImage(image) || !again.WriteStoredImage(second) || second != image) std::abort();
    if (record.GetBytesPerSector() == 0 || record.GetBytesPerSector() % 512 != 0) std::abort();
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  CKeHashTable<int, 64> table;
  table.InsertNode(text.c_str(), 1);
  if (table.FindNode(text.c_str()) == nullptr) std::abort();
  return 0;
}
