#pragma once
// A fixed-size open-addressing hash table keyed by text, compared without regard to ASCII case. Each slot keeps
// two check hashes instead of the key. The hash is the one-way string hash of the MPQ archive format with its
// own second-seed rule. Used for the extension-to-kind tables.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quellsy {

// The key table (5 rows of 256) and the text hash behind every CKeHashTable.
class KeHashKeys {
 public:
  static constexpr std::size_t kKeyCount = 1280;
  static const std::array<std::uint32_t, kKeyCount>& Keys();
  // hashType 0..4. Bytes are taken unsigned; only ASCII letters are folded to capitals.
  static std::uint32_t GetHashCode(const char* text, unsigned int hashType);
};

}  // namespace quellsy

template <typename T, std::size_t Slots>
class CKeHashTable {
  static_assert(Slots != 0 && (Slots & (Slots - 1)) == 0, "the slot count is a power of two");

 public:
  CKeHashTable() : m_entries(Slots) {}

  // 1 when stored; 0 for null text or a full table (no resizing).
  int InsertNode(const char* text, const T& value) {
    if (text == nullptr) return 0;
    const Hashes h = HashesOf(text);
    std::size_t slot = h.start;
    do {
      Entry& entry = m_entries[slot];
      if (entry.used == 0) {
        entry = Entry{value, 1, h.a, h.b};
        return 1;
      }
      slot = (slot + 1) & (Slots - 1);
    } while (slot != h.start);
    return 0;
  }

  // The slot holding text, or -1. Free slots do not end the probe: a miss walks the whole table.
  long GetHashTablePos(const char* text) const {
    if (text == nullptr) return -1;
    const Hashes h = HashesOf(text);
    std::size_t slot = h.start;
    do {
      const Entry& entry = m_entries[slot];
      if (entry.used != 0 && entry.hashA == h.a && entry.hashB == h.b) return static_cast<long>(slot);
      slot = (slot + 1) & (Slots - 1);
    } while (slot != h.start);
    return -1;
  }

  // The value stored for text, or null.
  const T* FindNode(const char* text) const {
    const long slot = GetHashTablePos(text);
    return slot < 0 ? nullptr : &m_entries[static_cast<std::size_t>(slot)].value;
  }

  std::size_t UsedSlots() const {
    std::size_t used = 0;
    for (const Entry& entry : m_entries) used += entry.used != 0 ? 1 : 0;
    return used;
  }

  void Clear() { m_entries.assign(Slots, Entry{}); }

 private:
  struct Entry {
    T value{};
    std::uint32_t used = 0;
    std::uint32_t hashA = 0;
    std::uint32_t hashB = 0;
  };
  struct Hashes {
    std::size_t start;
    std::uint32_t a;
    std::uint32_t b;
  };

  static Hashes HashesOf(const char* text) {
    return Hashes{quellsy::KeHashKeys::GetHashCode(text, 0) & (Slots - 1), quellsy::KeHashKeys::GetHashCode(text, 1),
                  quellsy::KeHashKeys::GetHashCode(text, 2)};
  }

  std::vector<Entry> m_entries;
};
