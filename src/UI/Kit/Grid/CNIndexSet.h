#pragma once
// A set of item indexes kept as ranges, so that "every item of a million" costs one entry: the grid's
// selection, the indexes a context menu acts on, and the items an incremental update touches.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <vector>

namespace quellsy::ui {

class CNIndexSet {
 public:
  CNIndexSet() = default;
  CNIndexSet(std::initializer_list<std::int64_t> indexes);
  static CNIndexSet Range(std::int64_t first, std::int64_t count);

  bool empty() const { return ranges_.empty(); }
  std::uint64_t count() const;
  bool contains(std::int64_t index) const;
  // The lowest and highest index; meaningless for an empty set.
  std::int64_t firstIndex() const { return ranges_.begin()->first; }
  std::int64_t lastIndex() const { return ranges_.rbegin()->second; }

  void add(std::int64_t index) { addRange(index, 1); }
  void addRange(std::int64_t first, std::int64_t count);
  void remove(std::int64_t index) { removeRange(index, 1); }
  void removeRange(std::int64_t first, std::int64_t count);
  void clear() { ranges_.clear(); }

  // Indexes from `start` on move by delta; for a negative delta the indexes in [start + delta, start) go.
  void shiftIndexesStartingAtIndex(std::int64_t start, std::int64_t delta);
  // How many indexes lie below `index`.
  std::uint64_t countOfIndexesBelow(std::int64_t index) const;

  // Every index, ascending (for small sets).
  std::vector<std::int64_t> indexes() const;
  // The ranges as (first, last), ascending.
  const std::map<std::int64_t, std::int64_t>& ranges() const { return ranges_; }

  bool operator==(const CNIndexSet&) const = default;

 private:
  std::map<std::int64_t, std::int64_t> ranges_;  // first -> last, disjoint and not touching
};

}  // namespace quellsy::ui
