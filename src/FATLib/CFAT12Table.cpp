#include "FATLib/CFAT12Table.h"

CFAT12Table::CFAT12Table(IStorageDevice* device, std::int64_t startSector, std::uint32_t sectors)
    : IRealFATTable(device, startSector, sectors, 4) {
  if (m_sectorSize >= 512 && m_sectors >= 1 && m_sectors <= 12) ReadWholeTable();
}

bool CFAT12Table::CheckFATHeader(quellsy::ByteSpan table) {
  const auto first = quellsy::le32(table, 0);
  return first && (*first & 0x00FFFFF0) == 0x00FFFFF0;
}

bool CFAT12Table::IsValidFATTable() { return HasBuffer() && CheckFATHeader(Buffer()); }

std::uint32_t CFAT12Table::GetNextCluster(std::uint32_t cluster) {
  // Entries are 12 bits: two share three bytes. The u16 holding the entry must lie wholly in the table.
  const std::uint64_t offset = std::uint64_t{cluster} * 3 / 2;
  const auto pair = quellsy::le16(Buffer(), offset);
  if (!pair) return 0;
  const std::uint32_t value = (cluster & 1) ? (*pair >> 4) : (*pair & 0x0FFF);
  if (value == 0x0FFF) return 0xFFFFFFFF;
  if (value >= 0x0FF8) return 0x0FFFFFF8;
  return value;
}
