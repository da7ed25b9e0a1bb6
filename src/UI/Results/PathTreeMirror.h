#pragma once
// The results window's own copy of the path tree's folders, read through the facade a tail at a time: each look
// takes only what the bridge added since the last one, under the bridge's lock, on the GUI thread. When the
// bridge's tree is of another generation (a new scan or a search emptied it in between) the copy starts over.
// The views of the found files read the folders from here; the files inside a folder come from the facade when
// a view needs them.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Bridge/ResultTrees.h"

namespace quellsy::ui {

class PathTreeMirror {
 public:
  struct Update {
    bool restarted = false;   // the copy was emptied first: views drop what they showed
    std::size_t firstNew = 0;  // the id of the first folder added by this look
  };

  // One look at the bridge's path tree.
  Update Refresh();
  // Forgets everything (the window starts another scan); the next look reads the tree from its start.
  void Clear();

  std::size_t Size() const { return entries_.size(); }
  const bridge::PathTreeEntry& Entry(std::size_t id) const { return entries_[id]; }
  // The ids of the file-system roots, in the order they came.
  const std::vector<std::size_t>& Roots() const { return roots_; }
  // The scan the copied folders belong to.
  std::uint64_t Scan() const { return scan_; }
  // The position in Roots() of the root folder id lies under.
  std::size_t RootIndexOf(std::size_t id) const { return rootIndex_[id]; }

 private:
  void Append(const bridge::PathTreeEntry& entry);

  std::uint64_t generation_ = 0;
  std::uint64_t scan_ = 0;
  std::vector<bridge::PathTreeEntry> entries_;
  std::vector<std::size_t> rootIndex_;
  std::vector<std::size_t> roots_;
};

}  // namespace quellsy::ui
