#pragma once
// Unique node IDs for empty files, which have no first cluster: numbers from 2^32 up, above every real
// cluster. One counter for the process; each folder walk resets it.

#include <atomic>
#include <cstdint>

class CEmptyFileVirtualClusterNum {
 public:
  static constexpr std::uint64_t kFirst = 0x100000000ull;

  void ResetVirtualClusterNum() { m_next.store(kFirst); }
  // The next number; the counter moves on.
  std::uint64_t GetVirtualClusterNum() { return m_next.fetch_add(1); }

 private:
  std::atomic<std::uint64_t> m_next{kFirst};
};

CEmptyFileVirtualClusterNum& GetEmptyFileVirtualClusterNumObject();
