#include "FATSearch/CFATSearchedPartitionInfo.h"

#include <new>

CSearchedPartitionInfo* CFATSearchedPartitionInfo::Clone() const {
  auto* copy = new (std::nothrow) CFATSearchedPartitionInfo(GetBytesPerSector());
  if (copy == nullptr) return nullptr;
  copy->SetPartitionIndex(GetPartitionIndex());
  copy->SetFileSystemType(GetFileSystemType());
  copy->SetSectorsPerCluster(GetSectorsPerCluster());
  copy->SetClusterOrigin(GetClusterOrigin());
  copy->SetStartSector(GetStartSector());
  copy->SetTotalSectors(GetTotalSectors());
  copy->m_reservedSectors = m_reservedSectors;
  copy->m_sectorsPerFat = m_sectorsPerFat;
  copy->m_totalClusters = m_totalClusters;
  copy->m_rootInfo = m_rootInfo;
  copy->m_flags = m_flags;
  return copy;
}

CFATSearchedPartitionInfo* CreateFATSearchedPartitionInfo(std::uint32_t bytesPerSector) {
  return new (std::nothrow) CFATSearchedPartitionInfo(bytesPerSector);
}

void DestroyFATSearchedPartitionInfo(CFATSearchedPartitionInfo* info) { delete info; }
