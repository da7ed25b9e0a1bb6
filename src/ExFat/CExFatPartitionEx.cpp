#include "ExFat/CExFatPartitionEx.h"

#include <algorithm>
#include <utility>

#include "ExFat/CFileSet.h"

bool CExFatPartitionEx::CheckFatSector(std::int64_t sector) {
  if (m_flags < kBackupBoot) return false;
  const auto first = static_cast<std::int64_t>(m_partitionStart + m_fatOffset);
  if (sector == first) {
    m_flags |= kFirstFat;
    return true;
  }
  if (m_numberOfFats == 2 && sector == first + m_fatLength) {
    m_flags |= kSecondFat;
    return true;
  }
  return false;
}

bool CExFatPartitionEx::IsClusterFisrtSector(std::int64_t sector) const {
  return m_sectorsPerCluster != 0 && sector > m_heapStart && (sector - m_heapStart) % m_sectorsPerCluster == 0;
}

bool CExFatPartitionEx::IsFileSetInPartition(const CFileSet& set) const {
  const std::int64_t c = m_sectorsPerCluster;
  return set.m_firstSector >= m_heapStart + 2 * c &&
         static_cast<std::uint64_t>(set.m_firstSector) + set.m_sectorCount <=
             static_cast<std::uint64_t>(m_heapStart) + m_totalSectors;
}

bool CExFatPartitionEx::IsClusterSizeConflicted(const CFileSet& set) const {
  return !set.AdmitsClusterSize(m_sectorsPerCluster);
}

std::uint32_t CExFatPartitionEx::ClusterOf(std::int64_t sector) const {
  if (m_sectorsPerCluster == 0 || sector < m_heapStart) return 0;
  return static_cast<std::uint32_t>(std::min<std::int64_t>((sector - m_heapStart) / m_sectorsPerCluster + 2, kNoRoot));
}

void CExFatPartitionEx::AddDataSector(std::int64_t sector) {
  (IsClusterFisrtSector(sector) ? m_alignedData : m_otherData).push_back(sector);
}

bool CExFatPartitionEx::SimpleCheck(const CFileSet& set) const {
  return set.m_lowestCluster != CFileSet::kNoLowest && ClusterOf(set.m_firstSector) + 1 == set.m_lowestCluster &&
         !ClustersCollide(set, m_sectorsPerCluster * m_bytesPerSector);
}

void CExFatPartitionEx::CalcPartitionParam(std::uint32_t sectorSize) {
  m_bytesPerSector = sectorSize;
  m_bytesPerCluster = sectorSize * m_sectorsPerCluster;
  std::sort(m_alignedData.begin(), m_alignedData.end());
  const bool booted = (m_flags & (kMainBoot | kBackupBoot)) != 0;
  const std::int64_t end = booted ? m_heapStart + static_cast<std::int64_t>(m_totalSectors)
                                  : (m_alignedData.empty() ? m_heapStart : m_alignedData.front());
  m_dataSectors = m_alignedData;
  for (const std::int64_t sector : m_otherData)
    if (sector < end || !booted) m_dataSectors.push_back(sector);
  std::sort(m_dataSectors.begin(), m_dataSectors.end());
  m_dataSectors.erase(std::unique(m_dataSectors.begin(), m_dataSectors.end()), m_dataSectors.end());
}

void CExFatPartitionEx::InsertMathedFileSet(CFileSet* set, std::uint32_t mark) {
  m_matched.insert(set);
  auto& kept = m_marks[set->m_firstSector];
  kept = std::max(kept, mark);
}

void CExFatPartitionEx::ClearMatches() {
  m_matched.clear();
  m_marks.clear();
  m_alignedData.clear();
  m_otherData.clear();
}

bool ClustersCollide(const CFileSet& set, std::uint32_t bytesPerCluster) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
  const std::uint64_t perCluster = bytesPerCluster != 0 ? bytesPerCluster : 512;
  for (const _tagFileBaseInfo& file : set.m_files) {
    if (file.firstCluster < 2 || file.firstCluster > 0xFFFFFFF5) continue;
    std::uint64_t count = 1;
    if (file.noFatChain != 0 && file.dataLength > 0)
      count = std::max<std::uint64_t>((static_cast<std::uint64_t>(file.dataLength) + perCluster - 1) / perCluster, 1);
    if (file.firstCluster + count - 1 > 0xFFFFFFF5) return true;
    spans.emplace_back(file.firstCluster, file.firstCluster + count);
  }
  std::sort(spans.begin(), spans.end());
  for (std::size_t i = 1; i < spans.size(); ++i)
    if (spans[i].first < spans[i - 1].second) return true;
  return false;
}

bool CExFatPartitionGreater(const CExFatPartitionEx* a, const CExFatPartitionEx* b) {
  if (a->m_flags != b->m_flags) return a->m_flags > b->m_flags;
  return a->m_matched.size() > b->m_matched.size();
}

bool IsCover(const std::map<std::int64_t, std::uint32_t>& a, const std::map<std::int64_t, std::uint32_t>& b) {
  if (b.size() > a.size()) return false;
  return std::all_of(b.begin(), b.end(), [&a](const auto& entry) {
    const auto found = a.find(entry.first);
    return found != a.end() && found->second >= entry.second;
  });
}
