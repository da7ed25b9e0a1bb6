#pragma once
// The set of nodes a tree builder owns: pointers in one open-addressed table (linear probing, erased slots
// marked), so that a scan of a hundred thousand nodes costs no allocation per node and a look-up is mostly one
// cache line.

#include <cstddef>
#include <cstdint>
#include <vector>

class IFileNode;

class CNodePointerSet {
 public:
  bool Contains(const IFileNode* node) const;
  // False when node is null or already held.
  bool Insert(IFileNode* node);
  // False when node was not held.
  bool Erase(const IFileNode* node);
  std::size_t Size() const { return m_size; }
  // Every held node, in no particular order; the set is empty afterwards.
  std::vector<IFileNode*> Take();

 private:
  static constexpr std::uintptr_t kEmpty = 0;
  static constexpr std::uintptr_t kErased = 1;  // never a node's address: nodes are aligned

  std::size_t Home(std::uintptr_t key) const;
  // The slot holding key, or the slot past the table's end when it is not held.
  std::size_t Find(std::uintptr_t key) const;
  void Rebuild(std::size_t slots);

  std::vector<std::uintptr_t> m_slots;
  std::size_t m_size = 0;
  std::size_t m_used = 0;  // held and erased slots: what lengthens a probe
};
