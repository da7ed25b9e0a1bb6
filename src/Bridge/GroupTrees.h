#pragma once
// The type and date trees joined to the result trees: each pass hands the managers only the files the scan
// delivered since the last pass, read from the scan's delivery list by position, never a copy of a whole map.
// Driven under the result trees' lock like every group tree; the windows read the nodes through the facade,
// under the same lock.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Bridge/IGroupTree.h"
#include "Bridge/OpNodeData.h"

namespace quellsy::bridge {

// The files delivered since the last pass; after Clear or SetSearch, every file from the first again.
class FreshFiles {
 public:
  std::vector<IFileNode*> Take(KDUIScan& scan);
  void Restart() { read_ = 0; }

 private:
  std::size_t read_ = 0;
};

// The by-type tree of KDTypeMgr: seven group roots, extension nodes under them, files under those.
class TypeGroupTree final : public IGroupTree {
 public:
  void Clear(std::uint64_t scan) override;
  void SetSearch(bool searching) override;
  void Refresh(KDUIScan& scan) override;
  void SetNeedRefresh() override;
  // The seven roots in the order 1, 2, 4, 8, 16, 32, 64.
  std::vector<std::shared_ptr<OpNodeData>> Roots() const;

 private:
  FreshFiles fresh_;
};

// One by-date tree of KDTimeMgr (creation or modification): a top node of its own, years, months, files. Both
// date trees share the one manager, whose clearing drops both trees' groupings: the result trees clear all
// group trees together.
class DateGroupTree final : public IGroupTree {
 public:
  explicit DateGroupTree(NODE_TREE_TYPE kind);
  void Clear(std::uint64_t scan) override;
  void SetSearch(bool searching) override;
  void Refresh(KDUIScan& scan) override;
  void SetNeedRefresh() override;
  NODE_TREE_TYPE Kind() const { return kind_; }
  // Made anew at every clearing, named by the localised root name of its kind, of the scan cleared for.
  std::shared_ptr<OpNodeData> Top() const { return top_; }

 private:
  std::shared_ptr<OpNodeData> MakeTop() const;

  NODE_TREE_TYPE kind_;
  std::uint64_t scan_ = 0;
  std::shared_ptr<OpNodeData> top_;
  FreshFiles fresh_;
};

}  // namespace quellsy::bridge
