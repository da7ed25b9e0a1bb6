#include "DirectoryTreeBuilder/NodePointerSet.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::size_t kMinSlots = 64;
// Nodes made one after another lie close together: their slots should too, so that a scan's look-ups touch few
// cache lines. The low bits of an address (alignment dropped) pick the slot; the bits above a 2 MiB stretch are
// folded in so that far-apart stretches of memory do not all start at slot 0.
constexpr unsigned kAlignmentBits = 4;
constexpr unsigned kStretchBits = 21;
constexpr std::uint64_t kSpread = 0x9E3779B97F4A7C15ull;

}  // namespace

std::size_t CNodePointerSet::Home(std::uintptr_t key) const {
  const auto address = static_cast<std::uint64_t>(key);
  const std::uint64_t stretch = ((address >> kStretchBits) * kSpread) >> kStretchBits;
  return static_cast<std::size_t>(((address >> kAlignmentBits) + stretch) & (m_slots.size() - 1));
}

std::size_t CNodePointerSet::Find(std::uintptr_t key) const {
  if (m_slots.empty()) return 0;
  const std::size_t mask = m_slots.size() - 1;
  // The table is never more than half used, so an empty slot ends every probe.
  for (std::size_t slot = Home(key);; slot = (slot + 1) & mask) {
    if (m_slots[slot] == key) return slot;
    if (m_slots[slot] == kEmpty) return m_slots.size();
  }
}

bool CNodePointerSet::Contains(const IFileNode* node) const {
  const auto key = reinterpret_cast<std::uintptr_t>(node);
  return key > kErased && Find(key) < m_slots.size();
}

bool CNodePointerSet::Insert(IFileNode* node) {
  const auto key = reinterpret_cast<std::uintptr_t>(node);
  if (key <= kErased || Contains(node)) return false;
  if ((m_used + 1) * 2 > m_slots.size()) Rebuild(std::bit_ceil(std::max(kMinSlots, (m_size + 1) * 4)));
  const std::size_t mask = m_slots.size() - 1;
  std::size_t slot = Home(key);
  while (m_slots[slot] != kEmpty && m_slots[slot] != kErased) slot = (slot + 1) & mask;
  if (m_slots[slot] == kEmpty) ++m_used;
  m_slots[slot] = key;
  ++m_size;
  return true;
}

bool CNodePointerSet::Erase(const IFileNode* node) {
  const auto key = reinterpret_cast<std::uintptr_t>(node);
  if (key <= kErased) return false;
  const std::size_t slot = Find(key);
  if (slot >= m_slots.size()) return false;
  m_slots[slot] = kErased;
  --m_size;
  return true;
}

std::vector<IFileNode*> CNodePointerSet::Take() {
  std::vector<IFileNode*> held;
  held.reserve(m_size);
  for (const std::uintptr_t key : m_slots)
    if (key > kErased) held.push_back(reinterpret_cast<IFileNode*>(key));
  m_slots.clear();
  m_size = 0;
  m_used = 0;
  return held;
}

void CNodePointerSet::Rebuild(std::size_t slots) {
  std::vector<std::uintptr_t> old(slots, kEmpty);
  old.swap(m_slots);
  m_used = m_size;
  const std::size_t mask = slots - 1;
  for (const std::uintptr_t key : old) {
    if (key <= kErased) continue;
    std::size_t slot = Home(key);
    while (m_slots[slot] != kEmpty) slot = (slot + 1) & mask;
    m_slots[slot] = key;
  }
}
