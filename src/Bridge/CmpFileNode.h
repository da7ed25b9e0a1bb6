#pragma once
// Newest or greatest first: the order of node lists in the result trees.

#include "include/IFileNode.h"

class cmpFileNode {
 public:
  // NODE_TREE_CREATION_TIME, _MODIFICATION_TIME and _ACCESS_TIME compare that time; any other key the names.
  explicit cmpFileNode(int key) : m_key(key) {}

  // True when a sorts before b: a's time (whole seconds) or name is greater than b's. Equal keys compare
  // equal, a node without a time sorts after every node with one, and null nodes sort last: a strict weak
  // order, as std::sort needs.
  bool operator()(IFileNode* a, IFileNode* b) const;

 private:
  int m_key;
};
