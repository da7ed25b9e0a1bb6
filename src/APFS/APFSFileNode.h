#pragma once
// A file or folder found in an APFS container. Besides the common node it carries what the container parser
// needs while it joins inode, directory-record and extent records: key, found block, parent key, search-time
// links and an extent map that the data-run list mirrors. The parser owns it, and Release does nothing, until the
// node is given to the tree builder for good (FreeOnRelease); copies made by Clone belong to their caller.

#include <cstdint>
#include <map>
#include <string>

#include "include/DataRunList.h"
#include "include/FileNode.h"

class APFSFileNode : public CFileNode {
 public:
  enum Flag : std::uint8_t {
    kDirectory = 1,
    kDeleted = 2,
    kHanded = 4,
    kCovered = 8,
    kTypeSet = 16,
    kMerged = 32,
    kParentSet = 64,
  };

  APFSFileNode() = default;
  APFSFileNode(const APFSFileNode&) = delete;
  APFSFileNode& operator=(const APFSFileNode&) = delete;
  ~APFSFileNode() override = default;

  const char* GetFileName() const override { return m_name.c_str(); }
  long long GetFileSize() const override { return static_cast<long long>(m_size); }
  unsigned short GetAttribute() const override { return IsDirectory() ? 16 : 32; }
  unsigned long long GetCreationTime() const override;
  unsigned long long GetModificationTime() const override;
  unsigned long long GetLastAccessTime() const override;
  int IsDirectory() const override { return (m_flags & kDirectory) != 0 ? 1 : 0; }
  int IsDeleted() const override { return (m_flags & kDeleted) != 0 ? 1 : 0; }
  // Ignored once handed to the tree builder; the parent of a volume's root (x...x00000001) becomes this
  // partition's root (partition << 32 | 2).
  void SetParentNodeID(long long id) override;
  // A detached copy; the search links move to it.
  IFileNode* Clone() override;
  void Release() override {
    if (m_freeOnRelease) delete this;
  }
  // From now on Release frees the node: whoever holds it owns it.
  void FreeOnRelease() { m_freeOnRelease = true; }
  void MarkDeleted() override { m_flags |= kDeleted; }
  void FilterFileNameByDot() override {}
  _tagSearcherType GetOwnSearcherType() const { return SEARCHER_APFS; }

  void SetNodeID(std::uint64_t id) { SetCurrentNodeID(static_cast<long long>(id)); }
  // Only the first call counts.
  void SetNodeType(bool directory);
  // ".DS_Store" (any case, with its NUL) becomes empty; otherwise a leading dot of a name of two or more is
  // dropped.
  static std::string FixName(const std::string& name);
  // ".Trashes" also makes the node a deleted directory.
  void SetNodeName(const std::string& name);
  static bool IsNameAccepted(const std::string& name);
  // Taken when the node has no size yet or is deleted.
  void SetSize(std::uint64_t size);
  // Adds one extent (start and length in sectors from the container's start); true when the extents now cover
  // the size.
  bool AddExtent(std::uint64_t startSector, std::uint64_t sectors, std::uint32_t sectorSize,
                 std::uint64_t logicalOffset);
  static void AttachToParent(APFSFileNode* directory, APFSFileNode* node);
  bool IsReadyToAdd(bool final);

  const std::string& Name() const { return m_name; }
  std::uint64_t Size() const { return m_size; }
  std::uint8_t Flags() const { return m_flags; }
  void SetFlag(Flag flag) { m_flags = static_cast<std::uint8_t>(m_flags | flag); }
  bool Has(Flag flag) const { return (m_flags & flag) != 0; }
  std::uint64_t Key() const { return m_key; }
  void SetKey(std::uint64_t key) { m_key = key; }
  std::uint64_t ParentKey() const { return m_parentKey; }
  void SetParentKey(std::uint64_t key) { m_parentKey = key; }
  std::uint64_t FoundBlock() const { return m_foundBlock; }
  void SetFoundBlock(std::uint64_t block) { m_foundBlock = block; }
  std::uint64_t Created() const { return m_created; }
  void SetTimes(std::uint64_t created, std::uint64_t modified, std::uint64_t accessed);
  APFSFileNode* SearchParent() const { return m_searchParent; }
  APFSFileNode* SearchFirstChild() const { return m_searchChild; }
  APFSFileNode* SearchNextSibling() const { return m_searchNext; }
  APFSFileNode* Duplicate() const { return m_duplicate; }
  const std::map<std::uint64_t, DataRun>& Extents() const { return m_extents; }
  // A copy of other's run list (the extent map stays as it is).
  void CopyRunsFrom(const IFileNode& other);

 private:
  std::uint64_t CoveredTotal(std::uint32_t sectorSize) const;
  // Grows the size past its 4096 rounding and sets the covered flag; answers it.
  bool RecomputeCovered(std::uint32_t sectorSize);
  void RebuildRuns();

  std::string m_name;
  std::uint64_t m_size = 0;
  std::uint64_t m_created = 0;
  std::uint64_t m_modified = 0;
  std::uint64_t m_accessed = 0;
  std::uint64_t m_foundBlock = 0;
  std::uint64_t m_key = 0;
  std::uint64_t m_parentKey = ~std::uint64_t{0};
  APFSFileNode* m_searchParent = nullptr;
  APFSFileNode* m_searchChild = nullptr;
  APFSFileNode* m_searchNext = nullptr;
  APFSFileNode* m_duplicate = nullptr;
  std::uint8_t m_flags = 0;
  bool m_freeOnRelease = false;
  std::map<std::uint64_t, DataRun> m_extents;
};
