#include "UI/Results/PathTreeMirror.h"

#include "UI/Backend/IFacadeBackend.h"

namespace quellsy::ui {

PathTreeMirror::Update PathTreeMirror::Refresh() {
  const std::size_t from = entries_.size();
  bridge::PathTreeTail tail = Backend().PathTail(from);
  Update update;
  if (tail.generation != generation_) {
    Clear();
    update.restarted = true;
    if (from != 0) tail = Backend().PathTail(0);
    generation_ = tail.generation;
  }
  scan_ = tail.scan;
  update.firstNew = entries_.size();
  for (const bridge::PathTreeEntry& entry : tail.entries) Append(entry);
  return update;
}

void PathTreeMirror::Clear() {
  entries_.clear();
  rootIndex_.clear();
  roots_.clear();
}

void PathTreeMirror::Append(const bridge::PathTreeEntry& entry) {
  const std::size_t id = entries_.size();
  entries_.push_back(entry);
  entries_.back().id = id;
  // A parent always comes before its children; a folder naming no earlier parent starts a root of its own.
  if (entry.parent == bridge::PathTreeEntry::kNoParent || entry.parent >= id) {
    entries_.back().parent = bridge::PathTreeEntry::kNoParent;
    rootIndex_.push_back(roots_.size());
    roots_.push_back(id);
    return;
  }
  rootIndex_.push_back(rootIndex_[entry.parent]);
}

}  // namespace quellsy::ui
