#pragma once
// What a result-tree node is made from: the flags the outline shows and the found node it wraps (null for a
// group of the type or date trees).

#include <cstdint>

#include "include/IFileNode.h"

struct __TreeNodeData__ {
  std::int32_t isDirect = 0;
  std::int32_t isDeleted = 0;
  std::int32_t isFileSystem = 0;
  IFileNode* fileNode = nullptr;
};
