#pragma once
// The exFAT file allocation table, read through up to nine 1 MiB windows: a chain mostly stays inside one
// window, and a volume's whole FAT is never held.

#include <cstdint>
#include <map>
#include <vector>

class IStorageDevice;

class CFatTable {
 public:
  static constexpr std::uint32_t kWindowBytes = 1u << 20;
  static constexpr std::uint32_t kEntriesPerWindow = kWindowBytes / 4;
  static constexpr std::size_t kMaxWindows = 9;
  static constexpr std::uint32_t kNoCluster = 0xFFFFFFFF;

  CFatTable() = default;
  CFatTable(const CFatTable&) = delete;
  CFatTable& operator=(const CFatTable&) = delete;
  virtual ~CFatTable() = default;

  // Keeps the device and the FAT's place (absolute sectors) and loads the first window. Nothing happens without
  // a device, with a length of 0, a negative start, or a FAT that does not end before the device's last
  // sector; a failed read leaves the table invalid.
  void CreateFatTable(IStorageDevice* device, std::int64_t fatStart, std::uint32_t fatSectors,
                      std::uint32_t clusterCount);
  // At least one window is cached.
  bool IsValid() const { return !m_windows.empty(); }
  // The FAT entry of cluster; kNoCluster without a cached window, beyond the FAT, or when its sector cannot be
  // read (which ends every chain through it).
  std::uint32_t GetNextCluster(std::uint32_t cluster);
  void ClearFatData() { m_windows.clear(); }
  std::size_t CachedWindows() const { return m_windows.size(); }

 private:
  // Reads the window that starts at that sector offset of the FAT; false when it cannot be read.
  bool LoadWindow(std::uint64_t sectorOffset, std::vector<std::uint8_t>& bytes);

  IStorageDevice* m_device = nullptr;
  std::int64_t m_fatStart = 0;
  std::uint32_t m_fatSectors = 0;
  std::uint32_t m_sectorsPerWindow = 0;
  std::uint32_t m_sectorSize = 0;
  // Window start (absolute sector) to its bytes; the lowest start is dropped first when full.
  std::map<std::int64_t, std::vector<std::uint8_t>> m_windows;
};
