#include "ExFat/CFatTable.h"

#include <algorithm>

#include "Utility/ByteReader.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

namespace {
constexpr std::uint32_t kDefaultSectorSize = 512;
}

void CFatTable::CreateFatTable(IStorageDevice* device, std::int64_t fatStart, std::uint32_t fatSectors,
                               std::uint32_t /*clusterCount*/) {
  if (device == nullptr || fatSectors == 0 || fatStart < 0) return;
  if (fatStart + std::int64_t{fatSectors} >= device->GetTotalSectors()) return;
  ClearFatData();
  m_device = device;
  m_fatStart = fatStart;
  m_fatSectors = fatSectors;
  m_sectorSize = device->GetSectorSize() != 0 ? device->GetSectorSize() : kDefaultSectorSize;
  m_sectorsPerWindow = std::max<std::uint32_t>(1, kWindowBytes / m_sectorSize);
  std::vector<std::uint8_t> bytes;
  if (LoadWindow(0, bytes)) m_windows.emplace(fatStart, std::move(bytes));
}

bool CFatTable::LoadWindow(std::uint64_t sectorOffset, std::vector<std::uint8_t>& bytes) {
  // The last window holds only what is left of the FAT; entries past it are not clusters.
  const std::uint64_t count = std::min<std::uint64_t>(m_sectorsPerWindow, m_fatSectors - sectorOffset);
  bytes.assign(static_cast<std::size_t>(count * m_sectorSize), 0);
  const std::int64_t first = m_fatStart + static_cast<std::int64_t>(sectorOffset);
  const quellsy::SalvagedRead read =
      quellsy::ReadSectorsSalvaging(*m_device, bytes.data(), first, static_cast<long long>(count));
  if (read.AnyRead(first, static_cast<long long>(count))) {
    // The entries of a sector that cannot be read end their chains (all bits set): only the chains through it
    // are cut.
    for (const BadSectorRange& range : read.unreadable) {
      const auto at = static_cast<std::ptrdiff_t>((range.first - static_cast<std::uint64_t>(first)) * m_sectorSize);
      std::fill_n(bytes.begin() + at, range.count * m_sectorSize, std::uint8_t{0xFF});
    }
    return true;
  }
  bytes.clear();
  return false;
}

std::uint32_t CFatTable::GetNextCluster(std::uint32_t cluster) {
  if (m_windows.empty()) return kNoCluster;
  const std::uint64_t entrySector = std::uint64_t{cluster} * 4 / m_sectorSize;
  if (entrySector >= m_fatSectors) return kNoCluster;
  const std::uint64_t windowOffset = entrySector / m_sectorsPerWindow * m_sectorsPerWindow;
  const std::int64_t key = m_fatStart + static_cast<std::int64_t>(windowOffset);
  auto window = m_windows.find(key);
  if (window == m_windows.end()) {
    std::vector<std::uint8_t> bytes;
    if (m_windows.size() >= kMaxWindows) {
      // Reuse the buffer of the window with the lowest start.
      bytes = std::move(m_windows.begin()->second);
      m_windows.erase(m_windows.begin());
    }
    if (!LoadWindow(windowOffset, bytes)) return kNoCluster;
    window = m_windows.emplace(key, std::move(bytes)).first;
  }
  const std::uint64_t byteInWindow = std::uint64_t{cluster} * 4 - windowOffset * m_sectorSize;
  return quellsy::le32(window->second, static_cast<std::size_t>(byteInWindow)).value_or(kNoCluster);
}
