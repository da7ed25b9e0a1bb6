#include "ExFat/CFileSet.h"

#include <algorithm>
#include <bit>

#include "ExFat/CExFatFileNode.h"

namespace {

constexpr std::uint32_t kLastCluster = 0xFFFFFFF5;

}  // namespace

void CFileSet::AddRecord(_tagFileBaseInfo record) {
  if (record.inUse == 0) {
    m_deleted.push_back(std::move(record));
    return;
  }
  const std::uint32_t first = record.firstCluster;
  if (first >= 2 && first <= kLastCluster) {
    m_lowestCluster = std::min(m_lowestCluster, first);
    m_highestCluster = std::max(m_highestCluster, first);
  }
  if ((record.attributes & CExFatFileNode::kDirectory) != 0) {
    m_folders.push_back(first);
    const auto length = static_cast<std::uint64_t>(record.dataLength);
    if (length != 0) m_greatestCluster = std::min<std::uint64_t>(m_greatestCluster, length & (~length + 1));
  }
  const auto at = std::upper_bound(m_files.begin(), m_files.end(), first,
                                   [](std::uint32_t cluster, const _tagFileBaseInfo& r) { return cluster < r.firstCluster; });
  m_files.insert(at, std::move(record));
}

void CFileSet::SetBitmap(std::uint32_t firstCluster, std::uint64_t lengthBytes) {
  m_flags |= kBitmap;
  m_clusterCount = lengthBytes * 8;
  m_bitmapCluster = firstCluster;
  m_bitmapLength = lengthBytes;
  m_rootEstimate = std::max(m_rootEstimate, firstCluster + 1);
}

void CFileSet::SetUpcase(std::uint32_t firstCluster, std::uint64_t lengthBytes) {
  m_flags |= kUpcase;
  m_upcaseCluster = firstCluster;
  m_upcaseLength = lengthBytes;
  m_rootEstimate = std::max(m_rootEstimate, firstCluster + 1);
}

void CFileSet::SetLabel(std::string label) {
  m_flags |= kLabel;
  m_label = std::move(label);
}

void CFileSet::CalculateClusterSize(std::uint32_t sectorSize) {
  for (std::size_t i = 0; i + 1 < m_files.size(); ++i) {
    const _tagFileBaseInfo& file = m_files[i];
    const std::uint32_t next = m_files[i + 1].firstCluster;
    if (file.noFatChain == 0 || file.firstCluster < 2 || next <= file.firstCluster || next > kLastCluster) continue;
    const auto length = static_cast<std::uint64_t>(std::max<std::int64_t>(file.dataLength, 0));
    const std::uint64_t gap = next - file.firstCluster;
    // Clusters of more than 32 MiB do not exist: the bound stays within what a u64 rounds up.
    const std::uint64_t perCluster = std::min<std::uint64_t>((length + gap - 1) / gap, kGreatestClusterBytes << 1);
    m_leastCluster = std::max(m_leastCluster, std::bit_ceil(std::max<std::uint64_t>(perCluster, 1)));
  }
  const std::uint64_t bytes = sectorSize != 0 ? sectorSize : 512;
  m_leastCluster = std::max<std::uint64_t>(m_leastCluster / bytes, 1);
  m_greatestCluster /= bytes;
}

void CFileSet::MergeClusterBounds(CFileSet& other) {
  const std::uint64_t least = std::max(m_leastCluster, other.m_leastCluster);
  const std::uint64_t greatest = std::min(m_greatestCluster, other.m_greatestCluster);
  m_leastCluster = other.m_leastCluster = least;
  m_greatestCluster = other.m_greatestCluster = greatest;
}
