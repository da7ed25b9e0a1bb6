#include "DirectoryTreeBuilder/NodeIdTable.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::size_t kMinSlots = 64;
// Multiplicative hashing: the high bits of id times this odd constant spread runs of IDs, and IDs that are all
// multiples of one stride (byte offsets of directory entries), over the whole table.
constexpr std::uint64_t kSpread = 0x9E3779B97F4A7C15ull;

}  // namespace

std::size_t CNodeIdTable::Home(long long id) const {
  return static_cast<std::size_t>((static_cast<std::uint64_t>(id) * kSpread) >> m_shift);
}

std::span<IFileNode* const> CNodeIdTable::Nodes(const Slot& slot) const {
  if (HasList(slot)) return m_lists[ListOf(slot)];
  return {&slot.node, 1};
}

std::size_t CNodeIdTable::FindSlot(long long id) const {
  if (m_slots.empty()) return 0;
  const std::size_t mask = m_slots.size() - 1;
  // The table is never more than four fifths full, so a free slot ends every probe.
  for (std::size_t slot = Home(id);; slot = (slot + 1) & mask) {
    if (IsFree(m_slots[slot])) return m_slots.size();
    if (m_slots[slot].id == id) return slot;
  }
}

std::span<IFileNode* const> CNodeIdTable::Find(long long id) const {
  const std::size_t slot = FindSlot(id);
  if (slot >= m_slots.size()) return {};
  return Nodes(m_slots[slot]);
}

void CNodeIdTable::Add(long long id, IFileNode* node) {
  if (node == nullptr || (reinterpret_cast<std::uintptr_t>(node) & 1u) != 0) return;
  if (const std::size_t found = FindSlot(id); found < m_slots.size()) {
    Slot& slot = m_slots[found];
    if (!HasList(slot)) {
      m_lists.push_back({slot.node});
      slot.node = reinterpret_cast<IFileNode*>(((m_lists.size() - 1) << 1) | 1u);
    }
    m_lists[ListOf(slot)].push_back(node);
    return;
  }
  if ((m_size + 1) * 5 > m_slots.size() * 4) Rebuild(std::max(kMinSlots, m_slots.size() * 2));
  const std::size_t mask = m_slots.size() - 1;
  std::size_t slot = Home(id);
  while (!IsFree(m_slots[slot])) slot = (slot + 1) & mask;
  m_slots[slot] = Slot{id, node};
  ++m_size;
}

bool CNodeIdTable::Remove(long long id, const IFileNode* node) {
  const std::size_t found = FindSlot(id);
  if (found >= m_slots.size()) return false;
  Slot& slot = m_slots[found];
  if (!HasList(slot)) {
    if (slot.node != node) return false;
    FreeSlot(found);
    return true;
  }
  std::vector<IFileNode*>& nodes = m_lists[ListOf(slot)];
  const auto at = std::find(nodes.begin(), nodes.end(), node);
  if (at == nodes.end()) return false;
  nodes.erase(at);
  if (nodes.empty()) FreeSlot(found);
  return true;
}

void CNodeIdTable::FreeSlot(std::size_t slot) {
  const std::size_t mask = m_slots.size() - 1;
  // Moves back every later slot of the probe run whose home lies at or before the gap, so that no probe for it
  // stops at the gap.
  for (std::size_t next = (slot + 1) & mask; !IsFree(m_slots[next]); next = (next + 1) & mask) {
    const std::size_t home = Home(m_slots[next].id);
    const bool homeReachesGap = ((next - home) & mask) >= ((next - slot) & mask);
    if (!homeReachesGap) continue;
    m_slots[slot] = m_slots[next];
    slot = next;
  }
  m_slots[slot] = Slot{};
  --m_size;
}

void CNodeIdTable::Clear() {
  std::vector<Slot>().swap(m_slots);
  std::vector<std::vector<IFileNode*>>().swap(m_lists);
  m_size = 0;
  m_shift = 64;
}

void CNodeIdTable::Rebuild(std::size_t slots) {
  std::vector<Slot> old(slots);
  old.swap(m_slots);
  m_shift = 64 - static_cast<unsigned>(std::countr_zero(slots));
  const std::size_t mask = slots - 1;
  for (const Slot& held : old) {
    if (IsFree(held)) continue;
    std::size_t slot = Home(held.id);
    while (!IsFree(m_slots[slot])) slot = (slot + 1) & mask;
    m_slots[slot] = held;
  }
}
