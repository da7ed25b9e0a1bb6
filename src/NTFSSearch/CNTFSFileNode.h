#pragma once
// A file or folder found by the NTFS engine. Its ID is its MFT number and its parent ID the MFT number of the
// folder that names it, so the tree builder links children to folders through them; 5 is the root folder.

#include "NTFSSearch/CNTFSFileProperties.h"
#include "include/FileNode.h"

class CNTFSFileNode : public CFileNode {
 public:
  static constexpr long long kRootFolder = 5;

  CNTFSFileNode() = default;
  CNTFSFileNode& operator=(const CNTFSFileNode&) = delete;
  ~CNTFSFileNode() override;

  const char* GetFileName() const override;
  long long GetFileSize() const override;
  unsigned short GetAttribute() const override;
  unsigned long long GetCreationTime() const override;
  unsigned long long GetModificationTime() const override;
  unsigned long long GetLastAccessTime() const override;
  int IsDirectory() const override { return (GetAttribute() & CNTFSFilePropertiesStruct::kDirectory) != 0 ? 1 : 0; }
  int IsCompressed() const override { return (GetAttribute() & CNTFSFilePropertiesStruct::kCompressed) != 0 ? 1 : 0; }
  int IsDeleted() const override;
  void MarkDeleted() override;
  _tagSearcherType GetSearcheType() const override { return SEARCHER_NTFS; }
  // A new compressed-data reader (null when memory is short); the data recovery opens it on this node.
  IFileReader* CreateCompressFileReader(void* unused) override;
  void SetFileName(const char* name) override;
  void FilterFileNameByDot() override;
  // A new node with cloned properties and runs, node ID 0 and parent 5; null when memory is short.
  IFileNode* Clone() override;

  // Takes ownership (deleting the previous properties): node ID 0, parent 5, metadata sector the base record's,
  // and the run list a copy of the properties' extents.
  void SetFileProperties(CNTFSFileProperties* properties);
  IFileProperties* GetFileProperties() override { return m_properties; }
  CNTFSFileProperties* GetNTFSFileProperties() const { return m_properties; }
  void SetPrivateDataofSpecifiedFileSystem(void* data) { m_private = data; }
  void* GetPrivateDataofSpecifiedFileSystem() const { return m_private; }

 private:
  CNTFSFileProperties* m_properties = nullptr;
  void* m_private = nullptr;
};
