// Recycle-bin "$I" files on arbitrary bytes: a name, when one comes out, is never empty and holds no "/",
// no NUL and is neither "." nor "..".

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "DirectoryTreeBuilder/RecycleInfoFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto name = CRecycleInfoFile::OriginalName(std::span<const std::uint8_t>(data, size));
  if (!name) return 0;
  if (name->empty() || *name == "." || *name == "..") std::abort();
  for (const char c : *name)
    if (c == '/' || c == '\0') std::abort();
  return 0;
}
