// The file-type catalogue from arbitrary property-list bytes: it never crashes, and what it keeps is only
// extensions (short, lower case, no dot or list separator), each listed in the group it is found under or in an
// earlier one.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "Bridge/FileTypeCatalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const FileTypeCatalogue catalogue = FileTypeCatalogue::FromMemory({data, size});
  for (const auto& [extension, group] : catalogue.Groups()) {
    if (extension.empty() || extension.size() > FileTypeCatalogue::kMaxExtensionBytes) std::abort();
    for (const char c : extension)
      if (c == '.' || c == ';' || (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) <= 0x20) std::abort();
    const auto& listed = catalogue.Extensions(group);
    if (std::find(listed.begin(), listed.end(), extension) == listed.end()) std::abort();
  }
  for (const _FILTER_TYPE group : FileTypeCatalogue::kListedGroups)
    if (catalogue.Extensions(group).size() > FileTypeCatalogue::kMaxExtensionsPerGroup) std::abort();
  return 0;
}
