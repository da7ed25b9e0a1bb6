#include "ExFat/CExFatPartition.h"

#include <new>

#include "ExFat/CExFatFileNode.h"
#include "ExFat/ExFatTime.h"
#include "include/IDataRunList.h"

std::int64_t CExFatPartition::ConvertClusterNumToSector(std::uint32_t cluster) const {
  if (cluster < 2) return 0;
  return m_heapStart + static_cast<std::int64_t>(std::uint64_t{m_sectorsPerCluster} * (cluster - 2));
}

std::uint32_t CExFatPartition::ConvertSectorToClusterNum(std::int64_t sector) const {
  if (m_sectorsPerCluster == 0) return 0;
  const std::int64_t perCluster = m_sectorsPerCluster;
  return static_cast<std::uint32_t>((sector + perCluster - 1 - m_heapStart) / perCluster + 2);
}

std::uint32_t CExFatPartition::GetNextCluster(std::uint32_t cluster, int keepWithoutFat) {
  const std::uint64_t candidate = keepWithoutFat != 0 ? std::uint64_t{cluster} + 1 : CFatTable::GetNextCluster(cluster);
  return candidate >= m_clusterLimit ? kNoCluster : static_cast<std::uint32_t>(candidate);
}

CExFatFileNode* CExFatPartition::BuildFile(const _tagFileBaseInfo& info) {
  auto* node = new (std::nothrow) CExFatFileNode();
  if (node == nullptr) return nullptr;
  IDataRunList* runs = BuildFileDataRun(info);
  if (runs == nullptr) {
    node->Release();
    return nullptr;
  }
  node->SetFirstCluster(info.firstCluster);
  node->SetFileAttributes(info.attributes);
  node->SetFileTime(DosTime2FileTime(_tagDOSTime::FromStamp(info.creationTime)),
                    DosTime2FileTime(_tagDOSTime::FromStamp(info.modificationTime)),
                    DosTime2FileTime(_tagDOSTime::FromStamp(info.lastAccessTime)));
  node->SetFileName(info.name.c_str());
  node->SetFileSize(info.dataLength);
  node->SetMetaDataSector(info.metadataSector);
  if (info.inUse == 0) node->SetFileDeleted();
  if (info.noFatChain != 0) node->SetFileFatInvalid();
  node->SetDataRunList(runs);
  return node;
}

IDataRunList* CExFatPartition::BuildFileDataRun(const _tagFileBaseInfo& info) {
  IDataRunList* runs = CreateDataRunList();
  if (runs == nullptr) return nullptr;
  const bool directory = (info.attributes & CExFatFileNode::kDirectory) != 0;
  if (directory || info.dataLength <= 0 || info.firstCluster < 2 || info.firstCluster > kLastCluster) return runs;
  const std::int64_t bytesPerCluster = m_bytesPerCluster != 0 ? m_bytesPerCluster : 512;
  if (info.noFatChain != 0) {
    const DataRun run{std::int64_t{info.firstCluster} - 2, (info.dataLength + bytesPerCluster - 1) / bytesPerCluster};
    runs->AddDataRun(&run);
    return runs;
  }
  // The length bounds the walk, so a looping chain ends too.
  std::int64_t left = info.dataLength;
  for (std::uint32_t cluster = info.firstCluster; cluster >= 2 && cluster <= kLastCluster && left >= 1;) {
    const DataRun run{std::int64_t{cluster} - 2, 1};
    runs->AddDataRun(&run);
    left -= bytesPerCluster;
    std::uint32_t next = GetNextCluster(cluster, 0);
    // Deleting a file frees its FAT entries: the free clusters that follow are the best guess.
    if (next == kFreeCluster && info.inUse == 0)
      next = m_bitmap.IsKnown() ? m_bitmap.NextFreeCluster(cluster, m_clusterLimit) : GetNextCluster(cluster, 1);
    cluster = next;
  }
  return runs;
}
