#pragma once
// A tree builder wired to a recording sink, a test filter and a manual clock, with node makers. Nodes the
// builder refuses go back to the test, which releases them at once unless it asks to keep them.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DirectoryTreeBuilder/DirectoryTreeBuilder.h"
#include "DirectoryTreeBuilder/TreeTestNode.h"
#include "support/RecordingTreeSink.h"

namespace quellsy::test {

class TreeBuilderFixture : public testing::Test {
 protected:
  void SetUp() override { Reset(); }

  void Reset(const char* description = "Disk1", bool restore = false) {
    builder.reset();
    sink = std::make_unique<RecordingTreeSink>();
    builder = std::make_unique<CDirectoryTreeBuilder>(restore, clock, [this] { return home; });
    ASSERT_EQ(1, builder->Initialize(description, sink.get(), &filter));
  }

  TreeTestNode* Dir(const std::string& name, long long id, long long parent) {
    return new TreeTestNode(name, true, id, parent, 0, &released);
  }
  TreeTestNode* File(const std::string& name, long long id, long long parent, long long size = 100) {
    return new TreeTestNode(name, false, id, parent, size, &released);
  }
  TreeTestNode* Deleted(TreeTestNode* node) {
    node->deleted_ = true;
    return node;
  }

  // AddNode; a refused node is released as its searcher would.
  int Offer(TreeTestNode* node, _tagSearcherType searcher = SEARCHER_NTFS) {
    const int taken = builder->AddNode(node, searcher);
    if (taken == 0) node->Release();
    return taken;
  }

  bool WasReleased(const std::string& tag) const {
    return std::count(released.begin(), released.end(), tag) > 0;
  }

  std::vector<std::string> DeliveredNames() const {
    std::vector<std::string> names;
    for (IFileNode* node : sink->Delivered()) names.emplace_back(node->GetFileName());
    return names;
  }

  ManualClock clock;
  TestFilter filter;
  std::optional<std::string> home;
  std::vector<std::string> released;
  std::unique_ptr<RecordingTreeSink> sink;
  std::unique_ptr<CDirectoryTreeBuilder> builder;
};

}  // namespace quellsy::test
