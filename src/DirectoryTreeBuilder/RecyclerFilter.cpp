#include "DirectoryTreeBuilder/RecyclerFilter.h"

#include <strings.h>

#include <array>
#include <cstring>
#include <string_view>

#include "include/FileNode.h"

namespace {

constexpr std::array<const char*, 4> kRecycleBinNames = {"Recycler", "Recycled", "$Recycle.Bin", "$RECYCLE.BI0"};
// NTFS metadata whose names begin like recycled data; any name contained here is not recycled data.
constexpr std::string_view kNtfsMetadataNames = "$RmMetadata$Reparse$Repair";
// Linked trees are loop-free, but a bound costs nothing.
constexpr int kMaxAncestors = 1 << 16;

bool BeginsWith(const char* name, char first, char second) {
  return name != nullptr && name[0] == first && name[1] == second;
}

}  // namespace

bool CRecyclerFilter::IsRecycleBinName(const char* name) {
  if (name == nullptr) return false;
  for (const char* binName : kRecycleBinNames)
    if (strcasecmp(name, binName) == 0) return true;
  return false;
}

bool CRecyclerFilter::IsInfoFileName(const char* name) {
  return BeginsWith(name, '$', 'I') || BeginsWith(name, '#', 'I');
}

bool CRecyclerFilter::IsDataFileName(const char* name) {
  if (!BeginsWith(name, '$', 'R') && !BeginsWith(name, '#', 'R')) return false;
  return kNtfsMetadataNames.find(name) == std::string_view::npos;
}

bool CRecyclerFilter::IsRecycleBinFolder(const IFileNode* node) {
  return node != nullptr && (node->GetAttribute() & kFileAttributeDirectory) != 0 &&
         IsRecycleBinName(node->GetFileName());
}

bool CRecyclerFilter::IsRecycleBin(CFileNode* node) {
  int steps = 0;
  for (const IFileNode* current = node; current != nullptr && steps < kMaxAncestors;
       current = current->GetParent(), ++steps)
    if (IsRecycleBinFolder(current)) return true;
  return false;
}
