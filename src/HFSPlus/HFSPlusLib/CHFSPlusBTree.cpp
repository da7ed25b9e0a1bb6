#include "HFSPlus/HFSPlusLib/CHFSPlusBTree.h"

#include <memory>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusBTNode.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "Utility/TBitmap.h"
#include "include/IProgress.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {
bool IsUnreadable(ResultCode code) {
  return ErrorOf(code) == hfserror::kShortRead || ErrorOf(code) == hfserror::kDeviceRead;
}
}  // namespace

CHFSPlusBTree::CHFSPlusBTree(IHFSPlusBTreeOption* option) : option_(option) {}

ResultCode CHFSPlusBTree::Fail(ResultCode code) { return lastError_ = code; }

CHFSPlusBTNode* CHFSPlusBTree::SearchNode(std::uint32_t number, std::unique_ptr<CHFSPlusBTNode>& read,
                                          bool& ascending) {
  ascending = false;
  if (const auto kept = indexNodes_.find(number); kept != indexNodes_.end()) {
    ascending = kept->second.ascending;
    return kept->second.node.get();
  }
  read = option_->CreateNode(number);
  if (!read || read->Descriptor()->kind != kIndexNode) return read.get();
  // The tree's file is read-only for the scan, so a kept node never goes stale; past the bound none is kept.
  if (keptBytes_ + read->NodeSize() > kKeptIndexBytes) return read.get();
  keptBytes_ += read->NodeSize();
  const bool rising = KeysAscend(*read);
  return indexNodes_.emplace(number, KeptNode{std::move(read), rising}).first->second.node.get();
}

bool CHFSPlusBTree::KeysAscend(CHFSPlusBTNode& node) {
  std::optional<BTKey> previous;
  for (std::uint16_t i = 0; i < node.GetRecordCount(); ++i) {
    auto key = option_->KeyRead(node, i);
    if (!key || (previous && option_->Compare(*previous, *key) >= 0)) return false;
    previous = std::move(key);
  }
  return true;
}

std::optional<std::pair<std::uint16_t, int>> CHFSPlusBTree::FirstNotBelow(CHFSPlusBTNode& node, const BTKey& key,
                                                                         bool ascending) {
  const std::uint16_t count = node.GetRecordCount();
  std::uint16_t low = 0;
  if (ascending) {
    // Keys that rise strictly: the first one not below key is where the walk from the start would stop.
    std::uint16_t high = count;
    while (low < high) {
      const auto middle = static_cast<std::uint16_t>(low + (high - low) / 2);
      const auto compared = option_->CompareKeyAt(node, middle, key);
      if (!compared) return std::nullopt;
      if (*compared < 0) {
        low = static_cast<std::uint16_t>(middle + 1);
      } else {
        high = middle;
      }
    }
  }
  for (std::uint16_t i = low; i < count; ++i) {
    const auto compared = option_->CompareKeyAt(node, i, key);
    if (!compared) return std::nullopt;
    if (*compared >= 0) return std::pair{i, *compared};
  }
  return std::pair{count, -1};
}

ResultCode CHFSPlusBTree::Search(const BTKey& key, HFSPlusSearchResult& result, std::optional<BTRecord>* record) {
  result = {};
  if (record != nullptr) record->reset();
  std::uint32_t number = option_->GetRoot();
  if (number == 0) return Fail(option_->GetLastError());
  // Each step goes one level down; more steps than levels means the index links loop.
  for (int depth = 0; depth <= kMaxDepth; ++depth) {
    std::unique_ptr<CHFSPlusBTNode> read;
    bool ascending = false;
    CHFSPlusBTNode* node = SearchNode(number, read, ascending);
    if (node == nullptr) return Fail(option_->GetLastError());
    const std::uint16_t count = node->GetRecordCount();
    const auto kind = node->Descriptor()->kind;
    if (kind == kIndexNode) {
      const auto found = FirstNotBelow(*node, key, ascending);
      if (!found) return Fail(option_->GetLastError());
      const auto [i, order] = *found;
      std::uint16_t childIndex = i;
      if (i == count || order > 0) {
        if (i == 0) return Fail(HFS_FAILURE(hfserror::kInvalid));  // sought key sorts before the whole node
        childIndex = static_cast<std::uint16_t>(i - 1);
      }
      number = option_->GetChild(*node, childIndex);
      if (number == 0) return Fail(HFS_FAILURE(hfserror::kInvalid));
      continue;
    }
    if (kind != kLeafNode) return Fail(HFS_FAILURE(hfserror::kInvalid));
    for (std::uint16_t i = 0; i < count; ++i) {
      const auto compared = option_->CompareKeyAt(*node, i, key);
      if (!compared) return Fail(option_->GetLastError());
      const int order = *compared;
      if (order < 0) continue;
      if (order == 0 && record != nullptr) {
        *record = option_->DataRead(*node, i);
        if (!*record) return Fail(IsFailure(option_->GetLastError()) ? option_->GetLastError()
                                                                      : HFS_FAILURE(hfserror::kInvalid));
      }
      result = {number, i, static_cast<std::uint8_t>(order == 0 ? 1 : 0)};
      return Fail(kResultOk);
    }
    return Fail(kResultOk);
  }
  return Fail(HFS_FAILURE(hfserror::kInvalid));
}

ResultCode CHFSPlusBTree::Traverse(IHFSPlusLeafVisitor* visitor, IProgress* progress) {
  if (progress == nullptr) return kResultOk;
  const std::uint32_t root = option_->GetRoot();
  if (root == 0) return Fail(option_->GetLastError());
  // Every node is walked once: a link back to a node already met is a damaged tree, not a second visit.
  TBitmap visited;
  if (visited.CreateBitmap(option_->GetNodeCount(), 1) == 0) return Fail(HFS_FAILURE(hfserror::kInvalid));

  struct Frame {
    std::unique_ptr<CHFSPlusBTNode> node;
    std::uint16_t next = 0;
  };
  std::vector<Frame> stack;
  auto enter = [&](std::uint32_t number) -> ResultCode {
    if (progress->Continued() == 0) return HFS_FAILURE(hfserror::kStopped);
    if (static_cast<int>(stack.size()) >= kMaxDepth || visited.GetBit(number) != 0) return HFS_FAILURE(hfserror::kInvalid);
    visited.SetBit(number, 1, 1);
    auto node = option_->CreateNode(number);
    if (!node) return option_->GetLastError();
    const auto kind = node->Descriptor()->kind;
    if (kind != kIndexNode && kind != kLeafNode) return HFS_FAILURE(hfserror::kInvalid);
    stack.push_back({std::move(node), 0});
    return kResultOk;
  };

  if (const auto code = enter(root); code != kResultOk) return Fail(code);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    CHFSPlusBTNode& node = *frame.node;
    const std::uint16_t count = node.GetRecordCount();
    // A refusal inside a node ends that node quietly; the one before a node ends the walk.
    if (frame.next >= count || progress->Continued() == 0) {
      stack.pop_back();
      continue;
    }
    const std::uint16_t index = frame.next++;
    if (node.Descriptor()->kind == kIndexNode) {
      const std::uint32_t child = option_->GetChild(node, index);
      if (child == 0) return Fail(HFS_FAILURE(hfserror::kInvalid));
      // A node that cannot be read costs the records below it, not the rest of the tree.
      if (const auto code = enter(child); code != kResultOk && !IsUnreadable(code)) return Fail(code);
      continue;
    }
    if (visitor != nullptr && !visitor->WantsThreads() && option_->IsThreadRecord(node, index)) continue;
    const auto key = option_->KeyRead(node, index);
    if (!key) {
      if (IsFailure(option_->GetLastError())) return Fail(option_->GetLastError());
      continue;
    }
    const auto record = option_->DataRead(node, index);
    if (!record) {
      if (IsFailure(option_->GetLastError())) return Fail(option_->GetLastError());
      continue;
    }
    if (visitor == nullptr) {
      option_->KeyPrint(*key);
      option_->DataPrint(*record);
      continue;
    }
    if (const auto code = visitor->VisitLeafRecord(*key, *record); code != kResultOk) return Fail(code);
  }
  return Fail(kResultOk);
}
