#include "FATLib/CFATClusterSet.h"

#include <algorithm>

std::uint64_t CFATClusterSet::ClusterLimit(const FATBuildGeometry& geometry) {
  if (geometry.sectorsPerCluster == 0) return 0;
  return std::min(geometry.totalSectors / geometry.sectorsPerCluster + 2, kMaxClusterLimit);
}

void CFATClusterSet::SizeFor(std::uint64_t limit) {
  if (m_limit != 0 || limit == 0) return;
  limit = std::min(limit, kMaxClusterLimit);
  if (m_bits.CreateBitmap(static_cast<long long>(limit), 1) != 0) m_limit = limit;
}

bool CFATClusterSet::Contains(std::uint64_t cluster) const {
  return cluster >= m_limit || m_bits.GetBit(static_cast<long long>(cluster)) != 0;
}

bool CFATClusterSet::Insert(std::uint64_t cluster) {
  if (Contains(cluster)) return false;
  m_bits.SetBit(static_cast<long long>(cluster), 1, 1);
  return true;
}
