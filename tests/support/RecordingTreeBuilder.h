#pragma once
// A tree builder for tests: takes every node a searcher hands it, keeps a snapshot of what the node
// said at that moment, and records the searcher announcements and flushes, in order. It owns the
// nodes it took and releases them with itself.

#include <string>
#include <utility>
#include <vector>

#include "include/IDataRunList.h"
#include "include/IFileSystemSearchController.h"

namespace quellsy::test {

class RecordingTreeBuilder : public IDirecotryTreeBuilder {
 public:
  struct Node {
    IFileNode* node = nullptr;
    _tagSearcherType searcher = SEARCHER_NONE;
    long long id = -1;
    long long parentId = -1;
    std::string name;
    long long size = 0;
    bool directory = false;
    bool deleted = false;
    std::vector<DataRun> runs;
  };

  RecordingTreeBuilder() = default;
  ~RecordingTreeBuilder() override;
  RecordingTreeBuilder(const RecordingTreeBuilder&) = delete;
  RecordingTreeBuilder& operator=(const RecordingTreeBuilder&) = delete;

  int Initialize(const char* description, IDrirectoryTree* sink, IRecoveryFilter* filter) override;
  int AddNode(IFileNode* node, _tagSearcherType searcher) override;
  void AddSearcherInfo(_tagSearcherType searcher, long long rootNodeID) override;
  void FlashBuild(_tagSearcherType searcher) override;
  // The test owns the builder: nothing to free here.
  void Release() override {}
  void SetPartitonDevice(CSearchedPartitionInfo* partition, IStorageDevice* device) override;

  // While refusing, AddNode answers 0 and the node stays the caller's (it is not recorded).
  void RefuseNodes(bool refuse) { refuse_ = refuse; }

  const std::vector<Node>& nodes() const { return nodes_; }
  std::vector<Node> NodesOf(_tagSearcherType searcher) const;
  // The first node of that name, or null.
  const Node* Find(const std::string& name) const;
  const std::vector<std::pair<_tagSearcherType, long long>>& searchers() const { return searchers_; }
  const std::vector<_tagSearcherType>& flushes() const { return flushes_; }
  const std::vector<std::pair<CSearchedPartitionInfo*, IStorageDevice*>>& partitionDevices() const {
    return partitionDevices_;
  }
  const std::string& description() const { return description_; }
  int initializeCalls() const { return initializeCalls_; }

 private:
  std::vector<Node> nodes_;
  std::vector<std::pair<_tagSearcherType, long long>> searchers_;
  std::vector<_tagSearcherType> flushes_;
  std::vector<std::pair<CSearchedPartitionInfo*, IStorageDevice*>> partitionDevices_;
  std::string description_;
  int initializeCalls_ = 0;
  bool refuse_ = false;
};

}  // namespace quellsy::test
