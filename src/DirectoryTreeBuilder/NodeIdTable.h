#pragma once
// Node IDs to the nodes found under them, in one open-addressed table (linear probing, no erased markers: a
// removal shifts the probe run back). Nearly every ID has one node, kept in its slot; the few found more than
// once get a list of their own. A scan of a hundred thousand nodes thus costs no allocation per node.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class IFileNode;

class CNodeIdTable {
 public:
  // The nodes recorded under id, in the order they came; empty when none.
  std::span<IFileNode* const> Find(long long id) const;
  // Records node under id, behind the nodes already there; a null node, or one at an odd address, is ignored.
  void Add(long long id, IFileNode* node);
  // Forgets node under id (the ID with it once it has no node left); false when it was not recorded there.
  bool Remove(long long id, const IFileNode* node);
  // How many IDs have nodes.
  std::size_t Size() const { return m_size; }
  // visit(id, nodes) for every ID, in no particular order; visit must not change the table.
  template <class Visit>
  void ForEach(Visit&& visit) const {
    for (const Slot& slot : m_slots)
      if (slot.node != nullptr) visit(slot.id, Nodes(slot));
  }
  // Empties the table and gives its memory back.
  void Clear();

 private:
  // 16 bytes, so that a table of a hundred thousand IDs touches 2 MiB. Free: node null. One node: node. Several:
  // node holds (index in m_lists << 1) | 1, never a node's address, as nodes are aligned.
  struct Slot {
    long long id = 0;
    IFileNode* node = nullptr;
  };

  static bool IsFree(const Slot& slot) { return slot.node == nullptr; }
  static bool HasList(const Slot& slot) { return (reinterpret_cast<std::uintptr_t>(slot.node) & 1u) != 0; }
  static std::size_t ListOf(const Slot& slot) { return reinterpret_cast<std::uintptr_t>(slot.node) >> 1; }
  std::span<IFileNode* const> Nodes(const Slot& slot) const;
  std::size_t Home(long long id) const;
  // The slot holding id, or the slot past the table's end when it is not held.
  std::size_t FindSlot(long long id) const;
  void FreeSlot(std::size_t slot);
  void Rebuild(std::size_t slots);

  std::vector<Slot> m_slots;
  std::vector<std::vector<IFileNode*>> m_lists;  // emptied lists stay until Clear: IDs met twice are few
  std::size_t m_size = 0;
  unsigned m_shift = 64;  // 64 - log2(slots)
};
