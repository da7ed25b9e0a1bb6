#pragma once
// A tree builder for fuzz targets: takes every node (after Check, which may abort on a bad one) and releases
// them all with itself.

#include <vector>

#include "include/IFileNode.h"
#include "include/IFileSystemSearchController.h"

class FuzzKeepingBuilder : public IDirecotryTreeBuilder {
 public:
  ~FuzzKeepingBuilder() override {
    for (IFileNode* node : m_nodes) node->Release();
  }
  int Initialize(const char*, IDrirectoryTree*, IRecoveryFilter*) override { return 1; }
  int AddNode(IFileNode* node, _tagSearcherType) override {
    Check(*node);
    m_nodes.push_back(node);
    return 1;
  }
  void AddSearcherInfo(_tagSearcherType, long long) override {}
  void FlashBuild(_tagSearcherType) override {}
  void Release() override {}
  void SetPartitonDevice(CSearchedPartitionInfo*, IStorageDevice*) override {}

  const std::vector<IFileNode*>& nodes() const { return m_nodes; }

 protected:
  virtual void Check(IFileNode&) {}

 private:
  std::vector<IFileNode*> m_nodes;
};
