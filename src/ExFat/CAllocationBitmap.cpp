#include "ExFat/CAllocationBitmap.h"

#include <algorithm>

#include "include/IStorageDevice.h"

void CAllocationBitmap::Create(IStorageDevice* device, std::int64_t firstSector, std::uint64_t length) {
  m_window.clear();
  m_device = nullptr;
  if (device == nullptr || firstSector <= 0 || length == 0) return;
  m_device = device;
  m_firstSector = firstSector;
  m_length = length;
  m_sectorSize = device->GetSectorSize() != 0 ? device->GetSectorSize() : 512;
}

bool CAllocationBitmap::ByteAt(std::uint64_t offset, std::uint8_t& value) {
  if (offset >= m_length) return false;
  if (m_window.empty() || offset < m_windowStart || offset - m_windowStart >= m_window.size()) {
    m_windowStart = offset / kWindowBytes * kWindowBytes;
    const std::uint64_t bytes = std::min<std::uint64_t>(kWindowBytes, m_length - m_windowStart);
    const std::uint64_t sectors = (bytes + m_sectorSize - 1) / m_sectorSize;
    m_window.assign(static_cast<std::size_t>(sectors * m_sectorSize), 0);
    const std::int64_t first = m_firstSector + static_cast<std::int64_t>(m_windowStart / m_sectorSize);
    quellsy::SalvagedRead read = quellsy::ReadSectorsSalvaging(*m_device, m_window.data(), first,
                                                                static_cast<long long>(sectors));
    if (!read.AnyRead(first, static_cast<long long>(sectors))) {
      m_window.clear();
      return false;
    }
    m_windowLost = std::move(read);
  }
  // A byte of an unreadable sector says nothing: neither free nor in use.
  if (m_windowLost.Lost(m_firstSector + static_cast<std::int64_t>(offset / m_sectorSize), 1)) return false;
  value = m_window[static_cast<std::size_t>(offset - m_windowStart)];
  return true;
}

std::uint32_t CAllocationBitmap::NextFreeCluster(std::uint32_t after, std::uint32_t limit) {
  if (!IsKnown()) return 0;
  std::uint32_t skipped = 0;
  for (std::uint64_t cluster = std::uint64_t{after} + 1; cluster < limit && skipped < kMaxSkippedClusters;
       ++cluster, ++skipped) {
    const std::uint64_t bit = cluster - 2;
    std::uint8_t byte = 0;
    if (!ByteAt(bit / 8, byte)) return 0;
    if ((byte & (1u << (bit % 8))) == 0) return static_cast<std::uint32_t>(cluster);
  }
  return 0;
}

std::optional<bool> CAllocationBitmap::IsAllocated(std::uint32_t cluster) {
  std::uint8_t byte = 0;
  if (!IsKnown() || cluster < 2 || !ByteAt((cluster - 2) / 8, byte)) return std::nullopt;
  return (byte & (1u << ((cluster - 2) % 8))) != 0;
}
