#pragma once
// The common node every engine's node class derives from: tree links, IDs, the packed word with check state,
// shown flag, partition index and metadata sector, and the check and shown propagation through the tree.

#include <cstdint>
#include <string>

#include "include/IFileNode.h"

class IFileProperties;

class CFileNode : public IFilesystemNode {
 public:
  CFileNode();
  // A copy carries the other node's IDs, packed word and compressed flag and a clone of its run list (a list
  // has one owner); it is not linked into any tree. Assignment keeps the target's own links and carries a
  // change of its check or shown state to its parent.
  CFileNode(const CFileNode& other);
  CFileNode& operator=(const CFileNode& other);
  // Clears the links and releases the run list; children and siblings belong to whoever owns the tree.
  ~CFileNode() override;

  int IsNodeShow() const override;
  void ShowNode(int show) override;
  long long GetCurrentNodeID() const override { return m_nodeID; }
  long long GetParentNodeID() const override { return m_parentNodeID; }
  CFileNode* GetParent() const override { return m_parent; }
  CFileNode* GetFirstChild() override { return m_firstChild; }
  CFileNode* GetNextNode() override { return m_next; }
  _tagCheckedStatus GetCheckedStatus() const override;
  void SetCheck(_tagCheckedStatus status) override;
  _tagSearcherType GetSearcheType() const override { return SEARCHER_NONE; }
  const char* GetVolumeName() const override { return nullptr; }
  // Prepends child; 0 for null, a foreign node, this node or one of its ancestors, and a node that is still
  // linked somewhere (parent, predecessor or next sibling): unlink it first.
  int AddChild(IFileNode* child) override;
  // Inserts node with its own sibling chain directly behind this node, under this node's parent; 0 for null, a
  // foreign node, a node that is already linked, and a chain that holds this node or its topmost ancestor.
  int AddNext(IFileNode* node) override;
  void SetParentNodeID(long long id) override { m_parentNodeID = id; }
  void Release() override;
  IFileReader* CreateCompressFileReader(void* unused) override;
  int IsCompressed() const override { return static_cast<int>(m_compressed); }
  void SetMetaDataSector(long long sector) override;
  void UpdateFileSize(long long /*size*/) override {}
  void UpdateNodeInfo() override {}
  void SetFileName(const char* /*name*/) override {}
  IDataRunList* GetDataRunList() const override { return m_dataRuns; }

  // Hooks for node classes whose behaviour the core needs without knowing the engine.
  // The property record, or null for node classes without one.
  virtual IFileProperties* GetFileProperties() { return nullptr; }
  // Called by operator== when a FAT directory entry met again is newer than this one; the FAT node copies
  // newer's property record over its own.
  virtual void AdoptNewerEntry(CFileNode& /*newer*/) {}

  using IFileNode::FilterFileNameByDot;
  // name without its leading blanks and dots.
  static std::string FilterFileNameByDot(const std::string& name);

  void SetCurrentNodeID(long long id) { m_nodeID = id; }
  // Unlinks child (keeping its own subtree); 0 when child is null or not in this node's chain.
  int RemoveChild(CFileNode* child);
  // 1 when child is parent or one of parent's ancestors (linking it below parent would make a loop).
  static int IsLoopedToSelf(IFileNode* parent, IFileNode* child);

  void SetBelongedPartition(std::uint16_t index);
  std::uint16_t GetBelongedPartition() const;
  long long GetMetadataStartPosition() const;
  // Takes ownership of runs, releasing the previous list.
  void SetDataRunList(IDataRunList* runs);
  void SetCompressed(bool compressed) { m_compressed = compressed ? 1u : 0u; }
  unsigned int GetShownChildrenCount() const { return m_shownChildren; }
  unsigned int GetChildrenCheckSum() const { return m_childrenCheckSum; }

  // The tree builder's test for a node found twice; may let a newer FAT entry replace this one's properties.
  bool operator==(CFileNode& other);

 private:
  int StatusField() const;
  int ShownField() const;
  void SetStatusField(int status);
  void SetShownField(int shown);
  // One child of this node went from (wasShown, oldStatus) to (isShown, newStatus): fixes the shown-children
  // count and the check sum, re-derives status and shown, and climbs while anything changes.
  void ChildChanged(bool wasShown, int oldStatus, bool isShown, int newStatus);
  // Sets status on every shown node below this one; hidden nodes and their subtrees are left alone.
  void SetSubtreeStatus(int status);

  CFileNode* m_firstChild = nullptr;
  CFileNode* m_next = nullptr;
  unsigned int m_shownChildren = 0;
  IDataRunList* m_dataRuns = nullptr;
  long long m_nodeID = -1;
  long long m_parentNodeID = -1;
  std::uint64_t m_packed = 0xFFFFFFFFFFFFFF10ull;
  CFileNode* m_parent = nullptr;
  unsigned int m_childrenCheckSum = 0;
  unsigned int m_compressed = 0;
  bool m_hasPredecessor = false;  // some node's first child or next sibling points here
};
