#include "FATLib/CDoubleFATTable.h"

CDoubleFATTable::CDoubleFATTable(std::unique_ptr<IRealFATTable> first, std::unique_ptr<IRealFATTable> second)
    : m_first(std::move(first)), m_second(std::move(second)) {}

std::uint32_t CDoubleFATTable::GetNextCluster(std::uint32_t cluster) {
  if (m_first) return m_first->GetNextCluster(cluster);
  if (m_second) return m_second->GetNextCluster(cluster);
  return 0;
}
