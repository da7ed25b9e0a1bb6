#pragma once
// One found file or folder, as the engines, the tree builder and the windows see it.

#include "include/SearcherType.h"

class IDataRunList;
class IFileReader;

enum _tagCheckedStatus : int {
  CHECKED_STATUS_UNCHECKED = 0,
  CHECKED_STATUS_PARTIAL = 1,  // only ever derived from the children
  CHECKED_STATUS_CHECKED = 2,
};

// Attribute bits of GetAttribute().
constexpr unsigned short kFileAttributeDirectory = 16;
constexpr unsigned short kFileAttributeArchive = 32;

class IFileNode {
 public:
  virtual ~IFileNode() = default;

  virtual int IsNodeShow() const = 0;
  virtual void ShowNode(int show) = 0;
  virtual long long GetCurrentNodeID() const = 0;  // -1 = none
  virtual long long GetParentNodeID() const = 0;
  virtual IFileNode* GetParent() const = 0;
  virtual IFileNode* GetFirstChild() = 0;  // null while a folder has no children
  virtual IFileNode* GetNextNode() = 0;    // null at the end of the sibling chain
  virtual const char* GetFileName() const = 0;  // zero-terminated UTF-8
  virtual long long GetFileSize() const = 0;    // bytes
  virtual unsigned short GetAttribute() const = 0;
  virtual unsigned long long GetCreationTime() const = 0;  // FILETIME, 0 = no time
  virtual unsigned long long GetModificationTime() const = 0;
  virtual unsigned long long GetLastAccessTime() const = 0;
  virtual int IsDirectory() const = 0;
  virtual int IsDeleted() const = 0;
  virtual _tagCheckedStatus GetCheckedStatus() const = 0;
  // Callers pass 0 or 2; the state is carried to the subtree and summed up to the root.
  virtual void SetCheck(_tagCheckedStatus status) = 0;
  virtual _tagSearcherType GetSearcheType() const = 0;
  virtual int AddChild(IFileNode* child) = 0;
  virtual int AddNext(IFileNode* node) = 0;
  virtual void SetParentNodeID(long long id) = 0;
  virtual IFileNode* Clone() = 0;
  virtual void Release() = 0;
  virtual void MarkDeleted() = 0;
  // A new compressed-data reader for this node, or null when the node has none.
  virtual IFileReader* CreateCompressFileReader(void* unused) = 0;
  virtual int IsCompressed() const = 0;
  virtual void SetMetaDataSector(long long sector) = 0;
  // Strips leading blanks and dots from the node's own name.
  virtual void FilterFileNameByDot() = 0;
  virtual void UpdateFileSize(long long size) = 0;
  virtual void UpdateNodeInfo() = 0;
  virtual void SetFileName(const char* name) = 0;
  // Null when the node has no runs; owned by the node.
  virtual IDataRunList* GetDataRunList() const = 0;
};

// The static type under which roots and folders made by the tree builder reach the tree sink.
class IFilesystemNode : public IFileNode {
 public:
  virtual const char* GetVolumeName() const = 0;
};
