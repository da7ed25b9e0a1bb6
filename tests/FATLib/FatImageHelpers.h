#pragma once
// Opening the generated FAT images as in-memory devices, and finding a file's first cluster by its 8.3 path
// (test-side: the engine's own directory walk is built elsewhere).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FATLib/CTempFATDBR.h"
#include "FATLib/CTempFATDirEntry.h"
#include "FATLib/IFATTable.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"
#include "support/fixtures/FatImages.h"

namespace quellsy::test {

inline std::unique_ptr<MemoryDevice> OpenImage(const std::filesystem::path& path, unsigned sectorSize = 512) {
  return std::make_unique<MemoryDevice>(ReadFile(path), sectorSize);
}

inline std::vector<std::uint8_t> ReadSectors(MemoryDevice& device, std::uint64_t first, std::uint32_t count) {
  std::vector<std::uint8_t> bytes(std::size_t{count} * device.GetSectorSize());
  device.ReadSector(bytes.data(), static_cast<long long>(first), count);
  return bytes;
}

inline std::vector<std::uint8_t> BootSectorOf(MemoryDevice& device) { return ReadSectors(device, 0, 1); }

struct FoundEntry {
  std::uint32_t firstCluster = 0;
  std::uint32_t size = 0;
};

// Follows names11 (each an 11-byte 8.3 name) from the root folder; the table gives folder cluster chains.
inline std::optional<FoundEntry> FindByShortPath(MemoryDevice& device, const CTempFATDBR& dbr, IFATTable& table,
                                                 const std::vector<std::string>& names11) {
  const std::uint32_t sectorSize = device.GetSectorSize();
  const std::uint32_t clusterSectors = dbr.GetSectorsperCluster();
  const std::uint64_t fatArea = std::uint64_t{dbr.GetReservedSector()} + 2ull * dbr.GetSectorsPerFat();
  const std::uint64_t rootSectors = std::uint64_t{dbr.GetRootEntries()} * 32 / sectorSize;
  const std::uint64_t dataStart = fatArea + rootSectors;
  auto readFolder = [&](std::uint32_t cluster) {
    if (cluster == 0 && dbr.GetFileSystemType() != FILE_SYSTEM_FAT32)
      return ReadSectors(device, fatArea, static_cast<std::uint32_t>(rootSectors));
    if (cluster == 0) cluster = dbr.GetRootDirStartCluster();
    std::vector<std::uint8_t> bytes;
    for (int steps = 0; cluster >= 2 && cluster < 0x0FFFFFF7 && steps < 100000; ++steps) {
      const auto part = ReadSectors(device, dataStart + std::uint64_t{cluster - 2} * clusterSectors, clusterSectors);
      bytes.insert(bytes.end(), part.begin(), part.end());
      cluster = table.GetNextCluster(cluster);
    }
    return bytes;
  };
  std::uint32_t folder = 0;
  std::optional<FoundEntry> found;
  for (const auto& name : names11) {
    auto bytes = readFolder(folder);
    found.reset();
    for (std::size_t off = 0; off + 32 <= bytes.size(); off += 32) {
      const CTempFATDirEntry entry(MutableByteSpan(bytes).subspan(off, 32));
      if (!entry.IsLongFileNameEntry() && entry.IsFilenameEqual(name.substr(0, 8), name.substr(8, 3))) {
        found = FoundEntry{static_cast<std::uint32_t>(entry.GetFirstClusterNO()), entry.GetSize()};
        break;
      }
    }
    if (!found) return std::nullopt;
    folder = found->firstCluster;
  }
  return found;
}

// Clusters in the chain from `first` up to an end mark (bounded).
inline std::vector<std::uint32_t> Chain(IFATTable& table, std::uint32_t first) {
  std::vector<std::uint32_t> chain;
  for (std::uint32_t c = first; c >= 2 && c < 0x0FFFFFF7 && chain.size() < 1000000; c = table.GetNextCluster(c))
    chain.push_back(c);
  return chain;
}

}  // namespace quellsy::test
