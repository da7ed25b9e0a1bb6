#include "BridgeTestNodes.h"

#include <gtest/gtest.h>

namespace quellsy::test {

CFilesystemNode* NodeTree::Root(const char* volumeName, _tagSearcherType searcher) {
  auto root = std::make_unique<CFilesystemNode>("root", volumeName, searcher, 0);
  CFilesystemNode* raw = root.get();
  m_nodes.push_back(std::move(root));
  return raw;
}

BridgeTestNode* NodeTree::Folder(CFileNode* parent, std::optional<std::string> name) {
  return Add(parent, std::move(name), true);
}

BridgeTestNode* NodeTree::File(CFileNode* parent, std::optional<std::string> name) {
  return Add(parent, std::move(name), false);
}

BridgeTestNode* NodeTree::Add(CFileNode* parent, std::optional<std::string> name, bool directory) {
  auto node = std::make_unique<BridgeTestNode>(std::move(name), directory);
  BridgeTestNode* raw = node.get();
  m_nodes.push_back(std::move(node));
  if (parent) {
    EXPECT_EQ(parent->AddChild(raw), 1);
  }
  return raw;
}

BridgeTestNode* NodeTree::Chain(CFileNode* parent, int depth) {
  BridgeTestNode* deepest = nullptr;
  for (int i = 0; i < depth; ++i) {
    deepest = Folder(parent, "d" + std::to_string(i));
    parent = deepest;
  }
  return deepest;
}

BridgeTestNode* NodeTree::FoldersAbove(CFileNode* node, int depth) {
  BridgeTestNode* top = nullptr;
  for (int i = 0; i < depth; ++i) {
    top = Folder(nullptr, "up" + std::to_string(i));
    EXPECT_EQ(top->AddChild(node), 1);
    node = top;
  }
  return top;
}

}  // namespace quellsy::test
