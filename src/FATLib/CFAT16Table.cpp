#include "FATLib/CFAT16Table.h"

CFAT16Table::CFAT16Table(IStorageDevice* device, std::int64_t startSector, std::uint32_t sectors)
    : IRealFATTable(device, startSector, sectors, 2) {
  if (SectorsInRange(12, 256)) ReadWholeTable();
}

bool CFAT16Table::CheckFATHeader(quellsy::ByteSpan table) {
  const auto first = quellsy::le32(table, 0);
  return first && (*first & 0x7FFFFFF8) == 0x7FFFFFF8;
}

bool CFAT16Table::IsValidFATTable() {
  return HasBuffer() && CheckFATHeader(Buffer()) && CheckFATBody() && CheckFATIndex();
}

std::uint32_t CFAT16Table::GetNextCluster(std::uint32_t cluster) {
  if (!HasBuffer() || cluster >= m_entryCount) return 0;
  const std::uint32_t value = EntryAt(cluster);
  if (value == 0xFFF7) return 0x0FFFFFF7;
  if (value >= 0xFFF8) return 0x0FFFFFF8;
  return value;
}
