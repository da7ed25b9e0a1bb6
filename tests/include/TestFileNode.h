#pragma once
// A minimal concrete node for tests of the node model, the filter and the tree walks.

#include <string>

#include "include/FileNode.h"

class TestFileNode : public CFileNode {
 public:
  explicit TestFileNode(std::string name = "file", bool directory = false, long long id = -1, long long parentId = -1)
      : m_name(std::move(name)), m_directory(directory) {
    SetCurrentNodeID(id);
    SetParentNodeID(parentId);
  }

  const char* GetFileName() const override { return m_name.c_str(); }
  long long GetFileSize() const override { return m_size; }
  unsigned short GetAttribute() const override { return m_directory ? kFileAttributeDirectory : kFileAttributeArchive; }
  unsigned long long GetCreationTime() const override { return m_created; }
  unsigned long long GetModificationTime() const override { return 0; }
  unsigned long long GetLastAccessTime() const override { return 0; }
  int IsDirectory() const override { return m_directory ? 1 : 0; }
  int IsDeleted() const override { return 0; }
  IFileNode* Clone() override { return new TestFileNode(*this); }
  void MarkDeleted() override {}
  void FilterFileNameByDot() override { m_name = CFileNode::FilterFileNameByDot(m_name); }
  _tagSearcherType GetSearcheType() const override { return m_searcher; }
  void AdoptNewerEntry(CFileNode& newer) override { m_name = std::string("adopted:") + newer.GetFileName(); }

  std::string m_name;
  bool m_directory;
  long long m_size = 0;
  unsigned long long m_created = 0;
  _tagSearcherType m_searcher = SEARCHER_NONE;
};
