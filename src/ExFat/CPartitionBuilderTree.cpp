// Building one settled partition's nodes from the directory sets it holds.

#include <algorithm>
#include <new>
#include <set>
#include <string>
#include <unordered_set>

#include "ExFat/CExFatFileNode.h"
#include "ExFat/CPartitionBuilder.h"

namespace {

constexpr std::int64_t kMaxFolderLength = 0x0FFFFFFF;
constexpr std::int64_t kRootParent = -1;
constexpr std::uint32_t kMaxRootClusters = 0x10000;

}  // namespace

void CPartitionBuilder::BuildFileTree(CExFatPartitionEx& partition, std::vector<CExFatFileNode*>& nodes) {
  m_folderSectors.clear();
  const std::int64_t root = partition.m_rootCluster != CExFatPartitionEx::kNoRoot
                                ? partition.ConvertClusterNumToSector(partition.m_rootCluster)
                                : -1;
  const auto parentOf = [root](const CFileSet& set) { return set.m_firstSector == root ? kRootParent : set.m_firstSector; };
  // The root's later clusters, where its FAT is known, hold more of the root.
  std::uint32_t cluster = partition.m_rootCluster;
  for (std::uint32_t step = 0; root >= 0 && partition.IsValid() && step < kMaxRootClusters && cluster >= 2 &&
                               cluster <= CExFatPartition::kLastCluster;
       ++step, cluster = partition.GetNextCluster(cluster, 0)) {
    const std::int64_t start = partition.ConvertClusterNumToSector(cluster);
    m_folderSectors[start] = {start + partition.m_sectorsPerCluster, kRootParent};
  }
  const auto matchedElsewhere = [this, &partition](const CFileSet& set) {
    return !partition.HasMatched(&set) &&
           std::any_of(m_settled.begin(), m_settled.end(), [&partition, &set](const CExFatPartitionEx* other) {
             return other != &partition && other->HasMatched(&set);
           });
  };
  std::unordered_set<const CFileSet*> built;
  std::vector<CFileSet*> aside;
  for (const std::int64_t sector : partition.m_dataSectors) {
    CFileSet* set = FindFileSet(sector);
    if (set == nullptr || matchedElsewhere(*set)) continue;
    if (set->m_last != nullptr) {
      aside.push_back(set);
      continue;
    }
    std::int64_t parent = parentOf(*set);
    const auto folder = m_folderSectors.upper_bound(set->m_firstSector);
    if (folder != m_folderSectors.begin()) {
      const auto& [start, range] = *std::prev(folder);
      if (set->m_firstSector >= start && set->m_firstSector < range.first) parent = range.second;
    }
    for (CFileSet* member = set; member != nullptr && built.insert(member).second; member = member->m_next)
      BuildSet(partition, *member, parent, nodes);
  }
  for (CFileSet* set : aside)
    if (built.insert(set).second) BuildSet(partition, *set, parentOf(*set), nodes);
  AddPlaceholders(nodes);
}

void CPartitionBuilder::AddPlaceholders(std::vector<CExFatFileNode*>& nodes) {
  std::unordered_set<long long> ids;
  for (const CExFatFileNode* node : nodes) ids.insert(node->GetCurrentNodeID());
  std::set<long long> missing;
  for (const CExFatFileNode* node : nodes)
    if (node->GetParentNodeID() != kRootParent && ids.count(node->GetParentNodeID()) == 0)
      missing.insert(node->GetParentNodeID());
  for (const long long id : missing) {
    auto* folder = new (std::nothrow) CExFatFileNode();
    if (folder == nullptr) continue;
    const std::string name = "DIR" + std::to_string(m_placeholders++);
    folder->SetFileName(name.c_str());
    folder->SetFileAttributes(CExFatFileNode::kDirectory);
    folder->SetFileDeleted();
    folder->SetID(id);
    folder->SetParentID(kRootParent);
    nodes.push_back(folder);
  }
}

void CPartitionBuilder::BuildSet(CExFatPartitionEx& partition, CFileSet& set, std::int64_t parentID,
                                 std::vector<CExFatFileNode*>& nodes) {
  const std::int64_t perCluster = partition.m_sectorsPerCluster;
  const std::int64_t clusterBytes = partition.m_bytesPerCluster != 0 ? partition.m_bytesPerCluster : 512;
  for (const auto* records : {&set.m_files, &set.m_deleted}) {
    for (const _tagFileBaseInfo& record : *records) {
      CExFatFileNode* node = partition.BuildFile(record);
      if (node == nullptr) continue;
      const std::int64_t id = partition.ConvertClusterNumToSector(record.firstCluster);
      node->SetID(id);
      node->SetParentID(parentID);
      nodes.push_back(node);
      if (node->IsDirectory() == 0 || record.dataLength > kMaxFolderLength) continue;
      // A folder owns its clusters: a piece of it met apart from its first cluster is filed under it. A folder
      // without a FAT chain lies in consecutive clusters.
      std::int64_t left = record.dataLength;
      for (std::uint32_t cluster = record.firstCluster; cluster >= 2 && cluster <= CExFatPartition::kLastCluster && left > 0;
           cluster = partition.GetNextCluster(cluster, record.noFatChain)) {
        const std::int64_t start = partition.ConvertClusterNumToSector(cluster);
        m_folderSectors[start] = {start + perCluster, id};
        left -= clusterBytes;
      }
    }
  }
}
