#pragma once
// The volume's allocation bitmap (one bit per cluster from cluster 2), read one 1 MiB window at a time. A
// deleted file's freed chain is followed through it: its clusters are the free ones after its first.

#include <cstdint>
#include <optional>
#include <vector>

#include "include/SalvagingRead.h"

class IStorageDevice;

class CAllocationBitmap {
 public:
  static constexpr std::uint32_t kWindowBytes = 1u << 20;
  // A search for the next free cluster gives up after this many clusters in use.
  static constexpr std::uint32_t kMaxSkippedClusters = 1u << 24;

  // The bitmap lies at firstSector (absolute), contiguous, length bytes long; nothing is read yet.
  void Create(IStorageDevice* device, std::int64_t firstSector, std::uint64_t length);
  bool IsKnown() const { return m_device != nullptr; }
  // The first cluster after `after` and below limit whose bit is clear; 0 when there is none within reach or
  // the bitmap cannot be read.
  std::uint32_t NextFreeCluster(std::uint32_t after, std::uint32_t limit);
  // Whether the cluster's bit is set; nothing when the bitmap is unknown, cannot be read or does not reach it.
  std::optional<bool> IsAllocated(std::uint32_t cluster);

 private:
  // The byte of the bitmap at offset; none when its sector cannot be read.
  bool ByteAt(std::uint64_t offset, std::uint8_t& value);

  IStorageDevice* m_device = nullptr;
  std::int64_t m_firstSector = 0;
  std::uint64_t m_length = 0;
  std::uint32_t m_sectorSize = 512;
  std::uint64_t m_windowStart = 0;
  std::vector<std::uint8_t> m_window;
  // The sectors of the window that could not be read.
  quellsy::SalvagedRead m_windowLost;
};
