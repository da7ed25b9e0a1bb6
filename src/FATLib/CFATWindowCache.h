#pragma once
// Reads a large on-disk table through a few fixed-size windows instead of holding it whole:
// lookups along a chain mostly stay inside one window. Also reads scattered sectors that tend to lie near each
// other with one read per window rather than one per sector.

#include <cstdint>
#include <list>
#include <optional>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Utility/RawRead.h"

class IStorageDevice;

class CFATWindowCache {
 public:
  static constexpr std::uint32_t kWindowBytes = 1u << 20;
  static constexpr std::size_t kWindows = 4;

  // The table: `sectors` sectors of `sectorSize` bytes from `startSector` of the device, read in windows of
  // windowBytes (at least a sector), at most `windows` of them held.
  CFATWindowCache(IStorageDevice* device, std::int64_t startSector, std::uint64_t sectors, std::uint32_t sectorSize,
                  std::uint32_t windowBytes = kWindowBytes, std::size_t windows = kWindows);

  // Sectors that cannot be read are taken from this copy of the table instead (a volume's other FAT).
  void SetOtherCopy(std::int64_t startSector) { m_otherCopy = startSector; }

  // The u32 at byteOffset of the table; none outside it or when nothing of its window could be read. A sector
  // that alone could not be read (in neither copy) holds zeros: free entries.
  std::optional<std::uint32_t> Le32(std::uint64_t byteOffset);
  // Copies out.size() bytes from byteOffset; false (out untouched) when they are not all inside the table and
  // one window, or a sector of them could not be read.
  bool Read(std::uint64_t byteOffset, std::span<std::uint8_t> out);

 private:
  // Its bytes are read in place into its own storage, which the least recently used window hands on.
  struct Window {
    std::uint64_t index = 0;
    bool readOk = false;
    // Sectors of the window (counted from its first) that could not be read.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> lost;
    quellsy::RawReadBuffer storage;
    std::size_t size = 0;

    std::span<const std::uint8_t> Bytes() const { return {storage.data(), size}; }
  };

  Window& Load(std::uint64_t index);

  IStorageDevice* m_device;
  std::int64_t m_startSector;
  std::int64_t m_otherCopy = -1;
  std::uint64_t m_sectors;
  std::uint32_t m_sectorSize;
  std::uint32_t m_sectorsPerWindow;
  std::size_t m_maxWindows;
  std::list<Window> m_windows;  // most recently used first
  // Where each held window lies in m_windows: a look-up costs the same with hundreds of windows held.
  std::unordered_map<std::uint64_t, std::list<Window>::iterator> m_held;
};
