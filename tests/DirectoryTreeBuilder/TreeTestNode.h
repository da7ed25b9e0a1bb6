#pragma once
// Nodes, filter and clock for the tree-builder tests: a node that can be deleted, renamed through a property
// record and times, and that logs its own destruction; a filter with a switch for intact files; a clock
// that moves only when told to.

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "DirectoryTreeBuilder/TreeBuilderClock.h"
#include "include/FileNode.h"
#include "include/IFileProperties.h"
#include "include/IRecoveryFilter.h"

namespace quellsy::test {

class TreeTestNode;

// Renames its node, as the FAT and NTFS property records do.
class TestProperties : public IFileProperties {
 public:
  explicit TestProperties(TreeTestNode& node) : node_(node) {}
  unsigned short GetFileNameLength() override { return 0; }
  void SetFileName(const char* name) override;
  const char* GetFileName() override { return ""; }
  long long GetFileSize() override { return 0; }
  unsigned short GetAttribute() override { return 0; }
  std::string GetRawFileCreateTime() override { return {}; }
  unsigned long long GetCreationTime() override { return 0; }
  unsigned long long GetModificationTime() override { return 0; }
  unsigned long long GetLastAccessTime() override { return 0; }
  unsigned short GetState() override { return 0; }
  void SetState(unsigned short) override {}
  IDataRunList* GetDataRunList() override { return nullptr; }
  IFileProperties* Clone() override { return new TestProperties(node_); }

 private:
  TreeTestNode& node_;
};

class TreeTestNode : public CFileNode {
 public:
  // released, when given, receives the node's first name when it is destroyed.
  TreeTestNode(std::string name, bool directory, long long id, long long parentId, long long size,
               std::vector<std::string>* released)
      : name_(std::move(name)), tag_(name_), directory_(directory), size_(size), released_(released),
        properties_(*this) {
    SetCurrentNodeID(id);
    SetParentNodeID(parentId);
  }
  ~TreeTestNode() override {
    if (released_ != nullptr) released_->push_back(tag_);
  }

  const char* GetFileName() const override { return name_.c_str(); }
  long long GetFileSize() const override { return size_; }
  unsigned short GetAttribute() const override { return directory_ ? kFileAttributeDirectory : kFileAttributeArchive; }
  unsigned long long GetCreationTime() const override { return created_; }
  unsigned long long GetModificationTime() const override { return modified_; }
  unsigned long long GetLastAccessTime() const override { return 0; }
  int IsDirectory() const override { return directory_ ? 1 : 0; }
  int IsDeleted() const override { return deleted_ ? 1 : 0; }
  IFileNode* Clone() override { return nullptr; }
  void MarkDeleted() override { deleted_ = true; }
  void FilterFileNameByDot() override { name_ = CFileNode::FilterFileNameByDot(name_); }
  void UpdateFileSize(long long size) override { size_ = size; }
  void SetFileName(const char* name) override { name_ = std::string("own:") + name; }
  _tagSearcherType GetSearcheType() const override { return searcher_; }
  IFileProperties* GetFileProperties() override { return &properties_; }

  const std::string& tag() const { return tag_; }

  std::string name_;
  std::string tag_;
  bool directory_;
  long long size_;
  bool deleted_ = false;
  unsigned long long created_ = 0;
  unsigned long long modified_ = 0;
  _tagSearcherType searcher_ = SEARCHER_NONE;
  std::vector<std::string>* released_;
  TestProperties properties_;
};

inline void TestProperties::SetFileName(const char* name) { node_.name_ = name; }

class TestFilter : public IRecoveryFilter {
 public:
  int ShowNormalFiles() const override { return showNormalFiles ? 1 : 0; }
  void SetScanType(_SCAN_TYPE) override {}
  int IsFileNodeValid(IFileNode* node) override {
    return node != nullptr && rejected.count(node->GetFileName()) == 0 ? 1 : 0;
  }
  void SetFilterTypes(unsigned int) override {}
  _FILTER_TYPE GetNodeFileType(IFileNode*) override { return FILTER_TYPE_OTHER; }
  void Release() override {}

  bool showNormalFiles = true;
  std::set<std::string> rejected;
};

class ManualClock : public ITreeBuilderClock {
 public:
  std::chrono::milliseconds Now() override { return now; }
  void Wait(std::chrono::milliseconds duration) override {
    waits.push_back(duration);
    now += duration;
  }

  std::chrono::milliseconds now{1'000'000};
  std::vector<std::chrono::milliseconds> waits;
};

}  // namespace quellsy::test
