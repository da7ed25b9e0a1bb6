#pragma once
// A file or folder found by the FAT engine. Its ID is its first cluster and its parent ID the first cluster of
// the folder that holds it, so the tree builder links children to folders through them.

#include "FATLib/CFATFileProperties.h"
#include "include/FileNode.h"

class CFATFileNode : public CFileNode {
 public:
  CFATFileNode() = default;
  // Deletes the properties.
  ~CFATFileNode() override;
  CFATFileNode& operator=(const CFATFileNode&) = delete;

  const char* GetFileName() const override;
  long long GetFileSize() const override;
  unsigned short GetAttribute() const override;
  unsigned long long GetCreationTime() const override;
  unsigned long long GetModificationTime() const override;
  unsigned long long GetLastAccessTime() const override;
  int IsDirectory() const override;
  int IsDeleted() const override;
  void MarkDeleted() override;
  _tagSearcherType GetSearcheType() const override { return SEARCHER_FAT; }
  void SetFileName(const char* name) override;
  void FilterFileNameByDot() override;
  // A new node with cloned properties and runs, the same IDs and partition; null when memory is short.
  IFileNode* Clone() override;

  // Takes ownership (deleting the previous properties); the node ID becomes the first cluster, the parent ID
  // the parent's first cluster, and the metadata sector the properties' one.
  void SetFileProperties(CFATFileProperties* properties);
  IFileProperties* GetFileProperties() override { return m_properties; }
  CFATFileProperties* GetFATFileProperties() const { return m_properties; }
  // Releases the node's run list.
  void DelDataRunList() { SetDataRunList(nullptr); }
  // The newer entry's name, state, attribute, clusters, times and size replace this node's.
  void AdoptNewerEntry(CFileNode& newer) override;

  // Whether SetFileProperties writes a line per node to the log (off by default; costs one load when off).
  static void SetDebugTrace(bool on);
  static bool IsDebugTraceOn();

 private:
  CFATFileNode(const CFATFileNode& other) : CFileNode(other) {}

  CFATFileProperties* m_properties = nullptr;
};
