#pragma once
// The node the tree builder makes for the root of each searcher's tree and for the lost-files folders.
// The windows climb to it from any node to learn the searcher and the volume name.

#include <string>

#include "include/FileNode.h"

class CFilesystemNode : public CFileNode {
 public:
  CFilesystemNode(const char* name, const char* volumeName, _tagSearcherType searcher, long long id);
  CFilesystemNode(const CFilesystemNode& other) = default;
  CFilesystemNode& operator=(const CFilesystemNode&) = delete;

  const char* GetFileName() const override { return m_name.c_str(); }
  const char* GetVolumeName() const override { return m_volumeName.c_str(); }
  _tagSearcherType GetSearcheType() const override { return m_searcher; }
  long long GetFileSize() const override { return 0; }
  unsigned short GetAttribute() const override { return 0; }
  unsigned long long GetCreationTime() const override { return 0; }
  unsigned long long GetModificationTime() const override { return 0; }
  unsigned long long GetLastAccessTime() const override { return 0; }
  int IsDirectory() const override { return 1; }
  int IsDeleted() const override { return 0; }
  void MarkDeleted() override {}
  void FilterFileNameByDot() override {}
  IFileNode* Clone() override;

 private:
  _tagSearcherType m_searcher;
  std::string m_name;
  std::string m_volumeName;
};
