#pragma once
// The nodes of a restored scan: everything the browser, the filter and recovery ask of a node comes from the
// saved record. The root record adds its searcher type and volume name.

#include <string>

#include "include/FileNode.h"

namespace SaveRestoreResult {

class RestoreFileNode : public CFileNode {
 public:
  RestoreFileNode() = default;
  RestoreFileNode(const RestoreFileNode& other) = default;
  RestoreFileNode& operator=(const RestoreFileNode&) = delete;
  ~RestoreFileNode() override = default;

  const char* GetFileName() const override { return name_.c_str(); }
  long long GetFileSize() const override { return size_; }
  unsigned short GetAttribute() const override { return attributes_; }
  unsigned long long GetCreationTime() const override { return created_; }
  unsigned long long GetModificationTime() const override { return modified_; }
  unsigned long long GetLastAccessTime() const override { return accessed_; }
  int IsDirectory() const override { return directory_; }
  int IsDeleted() const override { return deleted_; }
  IFileNode* Clone() override;
  void MarkDeleted() override { deleted_ = 1; }
  // The reader of the node's file system, found through the searcher type of its topmost node and the partition
  // the node belongs to; null for other file systems and when nothing is open for that partition.
  IFileReader* CreateCompressFileReader(void* unused) override;
  void FilterFileNameByDot() override {}

  void SetName(std::string name) { name_ = std::move(name); }
  void SetFileSize(long long size) { size_ = size; }
  void SetAttribute(unsigned short attributes) { attributes_ = attributes; }
  void SetTimes(unsigned long long created, unsigned long long modified, unsigned long long accessed);
  void SetDirectory(int directory) { directory_ = directory; }
  void SetDeleted(int deleted) { deleted_ = deleted; }

 private:
  std::string name_;
  long long size_ = 0;
  unsigned short attributes_ = 0;
  unsigned long long created_ = 0;
  unsigned long long modified_ = 0;
  unsigned long long accessed_ = 0;
  int directory_ = 0;
  int deleted_ = 0;
};

class RestoreSystemNode final : public RestoreFileNode {
 public:
  _tagSearcherType GetSearcheType() const override { return searcher_; }
  const char* GetVolumeName() const override { return volumeName_.c_str(); }
  IFileNode* Clone() override;

  void SetSearcheType(_tagSearcherType searcher) { searcher_ = searcher; }
  void SetVolumeName(std::string name) { volumeName_ = std::move(name); }

 private:
  _tagSearcherType searcher_ = SEARCHER_NONE;
  std::string volumeName_;
};

}  // namespace SaveRestoreResult
