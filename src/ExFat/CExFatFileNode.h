#pragma once
// A file or folder found by the exFAT searches (searcher 33): what its entry set gives.

#include <cstdint>
#include <string>

#include "include/FileNode.h"

class CExFatFileNode : public CFileNode {
 public:
  static constexpr std::uint32_t kAttributeMask = 0xFFFF;
  static constexpr std::uint32_t kFatInvalid = 1u << 30;
  static constexpr std::uint32_t kDeleted = 1u << 31;
  static constexpr std::uint16_t kDirectory = 0x10;

  CExFatFileNode() = default;
  CExFatFileNode& operator=(const CExFatFileNode&) = delete;
  ~CExFatFileNode() override = default;

  const char* GetFileName() const override { return m_name.c_str(); }
  long long GetFileSize() const override { return m_size; }
  unsigned short GetAttribute() const override { return static_cast<unsigned short>(m_attributes & kAttributeMask); }
  unsigned long long GetCreationTime() const override { return m_creation; }
  unsigned long long GetModificationTime() const override { return m_modification; }
  unsigned long long GetLastAccessTime() const override { return m_lastAccess; }
  int IsDirectory() const override { return (m_attributes & kDirectory) != 0 ? 1 : 0; }
  int IsDeleted() const override { return (m_attributes & kDeleted) != 0 ? 1 : 0; }
  _tagSearcherType GetSearcheType() const override { return SEARCHER_EXFAT; }
  // A new node with the attributes, times, name, size and a clone of the runs; IDs, first cluster, metadata
  // sector and links are those of a new node. Null when memory is short.
  IFileNode* Clone() override;
  void MarkDeleted() override { SetFileDeleted(); }
  // A null name is ignored.
  void SetFileName(const char* name) override;
  // Leading blanks and dots removed.
  void FilterFileNameByDot() override;

  void SetFileSize(std::int64_t size) { m_size = size; }
  void SetFileTime(std::uint64_t creation, std::uint64_t modification, std::uint64_t lastAccess);
  void SetID(std::int64_t id) { SetCurrentNodeID(id); }
  void SetParentID(std::int64_t id) { SetParentNodeID(id); }
  // Adds the bits; never clears any.
  void SetFileAttributes(std::uint16_t attributes) { m_attributes |= attributes; }
  void SetFileDeleted() { m_attributes |= kDeleted; }
  // The file's clusters are contiguous and its FAT entries say nothing.
  void SetFileFatInvalid() { m_attributes |= kFatInvalid; }
  bool IsFatInvalid() const { return (m_attributes & kFatInvalid) != 0; }
  void SetFirstCluster(std::int64_t cluster) { m_firstCluster = cluster; }
  std::int64_t GetFirstCluster() const { return m_firstCluster; }

 private:
  std::string m_name;
  std::int64_t m_size = 0;
  std::uint32_t m_attributes = 0;
  std::uint64_t m_creation = 0;
  std::uint64_t m_modification = 0;
  std::uint64_t m_lastAccess = 0;
  std::int64_t m_firstCluster = -1;
};
