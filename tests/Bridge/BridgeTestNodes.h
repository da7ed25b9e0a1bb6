#pragma once
// Result trees for the bridge tests: real file-system roots as the tree builder makes them, and plain nodes
// with a name (or none), three times and a directory flag. The tree owns every node it made.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DirectoryTreeBuilder/FilesystemNode.h"
#include "include/FileNode.h"

namespace quellsy::test {

class BridgeTestNode : public CFileNode {
 public:
  BridgeTestNode(std::optional<std::string> name, bool directory) : m_name(std::move(name)), m_directory(directory) {}

  const char* GetFileName() const override { return m_name ? m_name->c_str() : nullptr; }
  long long GetFileSize() const override { return 0; }
  unsigned short GetAttribute() const override { return m_directory ? kFileAttributeDirectory : kFileAttributeArchive; }
  unsigned long long GetCreationTime() const override { return created; }
  unsigned long long GetModificationTime() const override { return modified; }
  unsigned long long GetLastAccessTime() const override { return accessed; }
  int IsDirectory() const override { return m_directory ? 1 : 0; }
  int IsDeleted() const override { return 0; }
  IFileNode* Clone() override { return new BridgeTestNode(*this); }
  void MarkDeleted() override {}
  void FilterFileNameByDot() override {}

  unsigned long long created = 0;
  unsigned long long modified = 0;
  unsigned long long accessed = 0;

 private:
  std::optional<std::string> m_name;
  bool m_directory;
};

class NodeTree {
 public:
  CFilesystemNode* Root(const char* volumeName, _tagSearcherType searcher = SEARCHER_FAT);
  // Linked under parent when it is given.
  BridgeTestNode* Folder(CFileNode* parent, std::optional<std::string> name);
  BridgeTestNode* File(CFileNode* parent, std::optional<std::string> name);
  // A chain of depth folders below parent; returns the deepest.
  BridgeTestNode* Chain(CFileNode* parent, int depth);
  // Puts depth unlinked folders above node, built from the bottom so that each link costs the same; returns
  // the topmost.
  BridgeTestNode* FoldersAbove(CFileNode* node, int depth);

 private:
  BridgeTestNode* Add(CFileNode* parent, std::optional<std::string> name, bool directory);

  std::vector<std::unique_ptr<CFileNode>> m_nodes;
};

}  // namespace quellsy::test
