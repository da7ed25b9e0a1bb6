#pragma once
// The harness's tree sink: keeps every root and node it is shown, in order. The nodes belong to the scan's tree
// builder and are valid while its controller lives.

#include <vector>

#include "include/IFileSystemSearchController.h"

class CCollectingTreeSink final : public IDrirectoryTree {
 public:
  void ShowNodes(IFileNode** nodes, unsigned int count, int) override { m_nodes.insert(m_nodes.end(), nodes, nodes + count); }
  void ShowFilesystemNode(IFilesystemNode* root) override { m_roots.push_back(root); }

  const std::vector<IFileNode*>& Nodes() const { return m_nodes; }
  const std::vector<IFilesystemNode*>& Roots() const { return m_roots; }

 private:
  std::vector<IFileNode*> m_nodes;
  std::vector<IFilesystemNode*> m_roots;
};
