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
  // Copies every field; links are copied as they stand, the run list is cloned (a list has one owner).
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
  // Prepends child; 0 for null, a foreign node, the node itself, a child already linked here, or an ancestor.
  int AddChild(IFileNode* child) override;
  // Inserts node (with its own sibling chain) directly behind this node; 0 when that would make a loop.
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
  // 0 when child is null, there are no children or child is not in this node's chain.
  int RemoveChild(CFileNode* child);
  // 1 when child is parent or one of parent's ancestors.
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
  // Adds delta to the children's check sum and re-derives the status up to the root.
  void ChangeChildrenCheckSum(long long delta);
  // Carries a shown-children count change up to the root.
  void ChangeShownChildren(int delta);
  // Sets status on every shown node of the subtree below this node.
  void SetSubtreeStatus(int status);
  void LinkChild(CFileNode* child);

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
};
