#pragma once
// The directory sectors a complete search met, in ascending sector order: a folder's first sector ("." and
// "..") with its own and its parent's first cluster, or a plain directory sector without either.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct FIRSTFOLDERSECTOR {
  static constexpr std::uint32_t kNoCluster = 0xFFFFFFFF;

  long long sector = 0;
  std::uint32_t currentCluster = kNoCluster;
  std::uint32_t parentCluster = kNoCluster;

  bool IsFolderFirstSector() const { return currentCluster != kNoCluster; }
};

class CFATFolderSectorSet {
 public:
  // A disk full of directory-like sectors must not exhaust memory: beyond this many the rest are dropped.
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 24;

  explicit CFATFolderSectorSet(std::size_t capacity = kDefaultCapacity) : m_capacity(capacity) {}

  // Keeps the first record of a sector. Records normally come in ascending order and are appended; others
  // are put in their place. False when the sector was there already or the set is full.
  bool Add(const FIRSTFOLDERSECTOR& record);
  // The records with first <= sector <= last, in ascending order.
  std::span<const FIRSTFOLDERSECTOR> Range(long long first, long long last) const;
  std::size_t Size() const { return m_records.size(); }
  bool IsFull() const { return m_records.size() >= m_capacity; }
  void Clear() { m_records.clear(); }

 private:
  std::size_t m_capacity;
  std::vector<FIRSTFOLDERSECTOR> m_records;
};
