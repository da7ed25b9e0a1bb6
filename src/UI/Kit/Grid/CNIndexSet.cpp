#include "UI/Kit/Grid/CNIndexSet.h"

#include <algorithm>
#include <iterator>

namespace quellsy::ui {

CNIndexSet::CNIndexSet(std::initializer_list<std::int64_t> indexes) {
  for (const std::int64_t index : indexes) add(index);
}

CNIndexSet CNIndexSet::Range(std::int64_t first, std::int64_t count) {
  CNIndexSet set;
  set.addRange(first, count);
  return set;
}

std::uint64_t CNIndexSet::count() const {
  std::uint64_t total = 0;
  for (const auto& [first, last] : ranges_) total += static_cast<std::uint64_t>(last - first + 1);
  return total;
}

bool CNIndexSet::contains(std::int64_t index) const {
  auto it = ranges_.upper_bound(index);
  if (it == ranges_.begin()) return false;
  --it;
  return index <= it->second;
}

void CNIndexSet::addRange(std::int64_t first, std::int64_t count) {
  if (count <= 0) return;
  std::int64_t last = first + count - 1;
  // Join every range that overlaps or touches [first, last].
  auto it = ranges_.upper_bound(first);
  if (it != ranges_.begin() && std::prev(it)->second >= first - 1) --it;
  while (it != ranges_.end() && it->first <= last + 1) {
    first = std::min(first, it->first);
    last = std::max(last, it->second);
    it = ranges_.erase(it);
  }
  ranges_.emplace(first, last);
}

void CNIndexSet::removeRange(std::int64_t first, std::int64_t count) {
  if (count <= 0) return;
  const std::int64_t last = first + count - 1;
  auto it = ranges_.upper_bound(first);
  if (it != ranges_.begin()) --it;
  std::vector<std::pair<std::int64_t, std::int64_t>> keep;
  while (it != ranges_.end() && it->first <= last) {
    if (it->second < first) {
      ++it;
      continue;
    }
    if (it->first < first) keep.emplace_back(it->first, first - 1);
    if (it->second > last) keep.emplace_back(last + 1, it->second);
    it = ranges_.erase(it);
  }
  for (const auto& [from, to] : keep) ranges_.emplace(from, to);
}

void CNIndexSet::shiftIndexesStartingAtIndex(std::int64_t start, std::int64_t delta) {
  if (delta == 0) return;
  if (delta < 0) removeRange(std::max<std::int64_t>(start + delta, 0), std::min(-delta, start));
  CNIndexSet moved;
  for (const auto& [first, last] : ranges_) {
    if (last < start) {
      moved.ranges_.emplace(first, last);
    } else if (first >= start) {
      moved.addRange(first + delta, last - first + 1);
    } else {
      moved.addRange(first, start - first);
      moved.addRange(start + delta, last - start + 1);
    }
  }
  ranges_ = std::move(moved.ranges_);
}

std::uint64_t CNIndexSet::countOfIndexesBelow(std::int64_t index) const {
  std::uint64_t total = 0;
  for (const auto& [first, last] : ranges_) {
    if (first >= index) break;
    total += static_cast<std::uint64_t>(std::min(last, index - 1) - first + 1);
  }
  return total;
}

std::vector<std::int64_t> CNIndexSet::indexes() const {
  std::vector<std::int64_t> all;
  for (const auto& [first, last] : ranges_)
    for (std::int64_t index = first; index <= last; ++index) all.push_back(index);
  return all;
}

}  // namespace quellsy::ui
