#pragma once
// Search and walk over one B-tree, through its option object.

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "HFSPlus/HFSPlusLib/IHFSPlusBTreeOption.h"

class IProgress;

// Where a search ended: the leaf node, the record index there, and whether the key was equal.
struct HFSPlusSearchResult {
  std::uint32_t node = 0;
  std::uint16_t index = 0;
  std::uint8_t found = 0;
};

class CHFSPlusBTree {
 public:
  // Index levels deeper than this are taken for a loop in the tree's links.
  static constexpr int kMaxDepth = 16;
  // Bytes of index nodes kept for the searches to come (the scan looks up thousands of keys through the same
  // few hundred).
  static constexpr std::size_t kKeptIndexBytes = 4 << 20;

  explicit CHFSPlusBTree(IHFSPlusBTreeOption* option);

  // Descends from the root to the leaf that holds key. The result code is 0 whenever the tree could be
  // read; found tells an equal key, whose record goes to *record when record is not null.
  quellsy::ResultCode Search(const BTKey& key, HFSPlusSearchResult& result, std::optional<BTRecord>* record);
  // Depth-first over every leaf record, asking progress before every node and record. Without a visitor
  // the records go to the tree's printers. Nothing is walked without progress.
  quellsy::ResultCode Traverse(IHFSPlusLeafVisitor* visitor, IProgress* progress);

  quellsy::ResultCode GetLastError() const { return lastError_; }

 private:
  quellsy::ResultCode Fail(quellsy::ResultCode code);
  // Node `number` for a search: a kept index node, or one read now (and kept when it is an index node).
  // ascending tells a kept node whose keys all read and rise strictly, where halving finds a key.
  CHFSPlusBTNode* SearchNode(std::uint32_t number, std::unique_ptr<CHFSPlusBTNode>& read, bool& ascending);
  bool KeysAscend(CHFSPlusBTNode& node);
  // The first index record whose key does not sort before key (count when none), and how it compares.
  std::optional<std::pair<std::uint16_t, int>> FirstNotBelow(CHFSPlusBTNode& node, const BTKey& key, bool ascending);

  struct KeptNode {
    std::unique_ptr<CHFSPlusBTNode> node;
    bool ascending = false;
  };

  IHFSPlusBTreeOption* option_;
  std::unordered_map<std::uint32_t, KeptNode> indexNodes_;
  std::size_t keptBytes_ = 0;
  quellsy::ResultCode lastError_ = quellsy::kResultOk;
};
