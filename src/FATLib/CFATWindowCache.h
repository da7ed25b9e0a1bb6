#pragma once
// Reads a large on-disk table through a few fixed-size windows instead of holding it whole:
// lookups along a chain mostly stay inside one window.

#include <cstdint>
#include <list>
#include <optional>
#include <vector>

class IStorageDevice;

class CFATWindowCache {
 public:
  static constexpr std::uint32_t kWindowBytes = 1u << 20;
  static constexpr std::size_t kWindows = 4;

  // The table: `sectors` sectors of `sectorSize` bytes from `startSector` of the device.
  CFATWindowCache(IStorageDevice* device, std::int64_t startSector, std::uint64_t sectors, std::uint32_t sectorSize);

  // The u32 at byteOffset of the table; none outside it or when its window could not be read.
  std::optional<std::uint32_t> Le32(std::uint64_t byteOffset);

 private:
  struct Window {
    std::uint64_t index = 0;
    bool readOk = false;
    std::vector<std::uint8_t> bytes;
  };

  Window& Load(std::uint64_t index);

  IStorageDevice* m_device;
  std::int64_t m_startSector;
  std::uint64_t m_sectors;
  std::uint32_t m_sectorSize;
  std::uint32_t m_sectorsPerWindow;
  std::list<Window> m_windows;  // most recently used first
};
