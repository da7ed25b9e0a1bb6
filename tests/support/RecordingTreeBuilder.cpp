#include "support/RecordingTreeBuilder.h"

#include "include/IFileNode.h"

namespace quellsy::test {

RecordingTreeBuilder::~RecordingTreeBuilder() {
  for (Node& n : nodes_) n.node->Release();
}

int RecordingTreeBuilder::Initialize(const char* description, IDrirectoryTree*, IRecoveryFilter*) {
  ++initializeCalls_;
  description_ = description ? description : "";
  return 1;
}

int RecordingTreeBuilder::AddNode(IFileNode* node, _tagSearcherType searcher) {
  if (!node || refuse_) return 0;
  Node n;
  n.node = node;
  n.searcher = searcher;
  n.id = node->GetCurrentNodeID();
  n.parentId = node->GetParentNodeID();
  n.name = node->GetFileName() ? node->GetFileName() : "";
  n.size = node->GetFileSize();
  n.directory = node->IsDirectory() != 0;
  n.deleted = node->IsDeleted() != 0;
  if (IDataRunList* runs = node->GetDataRunList())
    for (DataRun* run = runs->GetFirst(); run; run = runs->GetNext()) n.runs.push_back(*run);
  nodes_.push_back(std::move(n));
  return 1;
}

void RecordingTreeBuilder::AddSearcherInfo(_tagSearcherType searcher, long long rootNodeID) {
  searchers_.emplace_back(searcher, rootNodeID);
}

void RecordingTreeBuilder::FlashBuild(_tagSearcherType searcher) { flushes_.push_back(searcher); }

void RecordingTreeBuilder::SetPartitonDevice(CSearchedPartitionInfo* partition, IStorageDevice* device) {
  partitionDevices_.emplace_back(partition, device);
}

std::vector<RecordingTreeBuilder::Node> RecordingTreeBuilder::NodesOf(_tagSearcherType searcher) const {
  std::vector<Node> found;
  for (const Node& n : nodes_)
    if (n.searcher == searcher) found.push_back(n);
  return found;
}

const RecordingTreeBuilder::Node* RecordingTreeBuilder::Find(const std::string& name) const {
  for (const Node& n : nodes_)
    if (n.name == name) return &n;
  return nullptr;
}

}  // namespace quellsy::test
