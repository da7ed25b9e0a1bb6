#include "Bridge/CmpFileNode.h"

#include <cstdint>
#include <cstring>

#include "Bridge/NodeTreeType.h"
#include "Utility/TimeUtil.h"

namespace {

// Whole seconds since 1601: the same order as seconds since 1970 for every time, also before 1970, and
// "no time" (0) is the smallest.
std::uint64_t Seconds(std::uint64_t fileTime) { return fileTime / quellsy::kFileTimeTicksPerSecond; }

}  // namespace

bool cmpFileNode::operator()(IFileNode* a, IFileNode* b) const {
  if (!a) return false;
  if (!b) return true;
  switch (m_key) {
    case NODE_TREE_CREATION_TIME:
      return Seconds(a->GetCreationTime()) > Seconds(b->GetCreationTime());
    case NODE_TREE_MODIFICATION_TIME:
      return Seconds(a->GetModificationTime()) > Seconds(b->GetModificationTime());
    case NODE_TREE_ACCESS_TIME:
      return Seconds(a->GetLastAccessTime()) > Seconds(b->GetLastAccessTime());
    default: {
      const char* nameA = a->GetFileName();
      const char* nameB = b->GetFileName();
      return std::strcmp(nameA ? nameA : "", nameB ? nameB : "") > 0;
    }
  }
}
