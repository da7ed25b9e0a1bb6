#include "FATLib/IRealFATTable.h"

#include <algorithm>
#include <limits>

#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

IRealFATTable::IRealFATTable(IStorageDevice* device, std::int64_t startSector, std::uint32_t sectors,
                             std::uint32_t entryWidth)
    : m_device(device),
      m_startSector(startSector),
      m_sectors(sectors),
      m_sectorSize(device != nullptr ? device->GetSectorSize() : 512),
      m_entryWidth(entryWidth),
      m_entryCount(static_cast<std::uint32_t>(std::min<std::uint64_t>(
          std::uint64_t{m_sectorSize} * m_sectors / entryWidth, std::numeric_limits<std::uint32_t>::max()))) {}

std::uint32_t IRealFATTable::EntryAt(std::uint32_t index) {
  const std::size_t offset = std::size_t{index} * m_entryWidth;
  if (m_entryWidth == 2) return quellsy::le16(Buffer(), offset).value_or(0);
  return quellsy::le32(Buffer(), offset).value_or(0);
}

bool IRealFATTable::SectorsInRange(std::uint32_t lowAt512, std::uint32_t highAt512) const {
  const std::uint32_t scale = m_sectorSize / 512;
  if (scale == 0) return false;
  return m_sectors >= lowAt512 / scale && m_sectors <= highAt512 / scale;
}

bool IRealFATTable::ReadWholeTable() {
  // A table said to reach past the device is not worth the allocation: its read would fail anyway.
  if (m_device == nullptr || m_startSector < 0 || m_device->GetTotalSectors() - m_startSector < m_sectors) return false;
  m_bufferBytes = static_cast<std::size_t>(m_sectors) * m_sectorSize;
  m_buffer = quellsy::RawReadBuffer(m_bufferBytes);
  quellsy::SalvagedRead read = quellsy::ReadSectorsSalvagingInto(*m_device, m_buffer, m_startSector, m_sectors, 0);
  if (!read.AnyRead(m_startSector, m_sectors)) {
    m_buffer = {};
    m_bufferBytes = 0;
    return false;
  }
  m_unreadable = std::move(read.unreadable);
  return true;
}

void IRealFATTable::FillUnreadableFrom(std::int64_t otherStart) {
  if (m_bufferBytes == 0 || m_device == nullptr || otherStart < 0) return;
  for (const BadSectorRange& range : m_unreadable) {
    const auto offset = static_cast<std::int64_t>(range.first) - m_startSector;
    quellsy::ReadSectorsSalvaging(*m_device, m_buffer.data() + static_cast<std::size_t>(offset) * m_sectorSize,
                                  otherStart + offset, static_cast<long long>(range.count));
  }
  m_unreadable.clear();
}

bool IRealFATTable::CheckBody(std::uint32_t badMark) {
  for (std::uint32_t i = 2; i < m_entryCount; ++i) {
    const std::uint32_t value = EntryAt(i);
    if ((value >= m_entryCount && value < badMark) || value == 1 || value == i) return false;
  }
  return true;
}

bool IRealFATTable::CheckChains(std::uint32_t lastCluster) {
  // predecessor[n]: the cluster whose entry leads to n (0: none seen yet). A walk that comes back to its
  // own start loops; one that reaches a cluster with another predecessor joins a second chain; one that
  // reaches a cluster through the same link again has met the tail of a chain walked before, which
  // needs no second walk (this keeps the test linear in the table size).
  std::vector<std::uint32_t> predecessor(m_entryCount, 0);
  for (std::uint32_t start = 2; start < m_entryCount; ++start) {
    if (predecessor[start] != 0) continue;
    std::uint32_t current = start;
    for (std::uint32_t steps = 0;; ++steps) {
      if (steps >= m_entryCount) return false;
      const std::uint32_t next = EntryAt(current);
      if (next < 2 || next > lastCluster || next >= m_entryCount) break;
      if (next == start) return false;
      if (predecessor[next] == 0)
        predecessor[next] = current;
      else if (predecessor[next] != current)
        return false;
      else
        break;
      current = next;
    }
  }
  return true;
}
