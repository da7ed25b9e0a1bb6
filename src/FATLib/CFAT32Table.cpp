#include "FATLib/CFAT32Table.h"

#include "Utility/CatchExeception.h"
#include "include/IStorageDevice.h"

namespace {
bool HeaderHolds(std::uint32_t entry0, std::uint32_t entry1) {
  return (entry0 & 0x0FFFFFF0) == 0x0FFFFFF0 && (entry1 & 0x07FFFFF8) == 0x07FFFFF8;
}
}  // namespace

CFAT32Table::CFAT32Table(IStorageDevice* device, std::int64_t startSector, std::uint32_t sectors,
                         std::uint32_t wholeReadSectorsAt512)
    : IRealFATTable(device, startSector, sectors, 4) {
  if (SectorsInRange(256, wholeReadSectorsAt512)) {
    ReadWholeTable();
    return;
  }
  const std::uint32_t scale = m_sectorSize / 512;
  const bool beyondWholeRead = scale != 0 && m_sectors > wholeReadSectorsAt512 / scale;
  if (beyondWholeRead && m_device != nullptr && m_entryCount <= kMaxEntries) {
    m_window = std::make_unique<CFATWindowCache>(m_device, m_startSector, m_sectors, m_sectorSize);
    CatchExeception::WriteLog("FAT32 table at sector %lld has %u sectors: read through a window\r\n",
                              static_cast<long long>(m_startSector), m_sectors);
  }
}

void CFAT32Table::FillUnreadableFrom(std::int64_t otherStart) {
  IRealFATTable::FillUnreadableFrom(otherStart);
  if (m_window) m_window->SetOtherCopy(otherStart);
}

bool CFAT32Table::CheckFATHeader(quellsy::ByteSpan table) {
  const auto entry0 = quellsy::le32(table, 0);
  const auto entry1 = quellsy::le32(table, 4);
  return entry0 && entry1 && HeaderHolds(*entry0, *entry1);
}

std::uint32_t CFAT32Table::EntryAt(std::uint32_t index) {
  if (!m_window) return IRealFATTable::EntryAt(index);
  const auto value = m_window->Le32(std::uint64_t{index} * 4);
  if (!value) m_windowReadFailed = true;
  return value.value_or(0);
}

bool CFAT32Table::IsValidFATTable() {
  if (HasBuffer()) return CheckFATHeader(Buffer()) && CheckFATBody() && CheckFATIndex();
  if (!m_window) return false;
  const auto entry0 = m_window->Le32(0);
  const auto entry1 = m_window->Le32(4);
  if (!entry0 || !entry1 || !HeaderHolds(*entry0, *entry1)) return false;
  // The chain test needs a word per entry; beyond the read-whole size that memory is not spent.
  m_windowReadFailed = false;
  return CheckFATBody() && !m_windowReadFailed;
}

std::uint32_t CFAT32Table::GetNextCluster(std::uint32_t cluster) {
  if ((!HasBuffer() && !m_window) || cluster >= m_entryCount) return 0;
  return EntryAt(cluster);
}
