// The complete search's half of the build worker: a partition rebuilt from its root (when its boot sector is
// known) and from the directory sectors the search met on the disk.

#include <algorithm>
#include <set>
#include <vector>

#include "FATLib/CEmptyFileVirtualClusterNum.h"
#include "FATLib/CFATBuildChildren.h"
#include "FATLib/CFATFileNode.h"
#include "FATSearch/CFATBuildWorker.h"
#include "FATSearch/CFATFolderSectorSet.h"
#include "include/IFileSystemSearchController.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"
#include "include/SearchPartitionInfoStruct.h"

namespace {

// Without a boot sector, a FAT12/16 root folder is looked for this many bytes before the origin.
constexpr long long kLostRootBytes = 0x20000;
// A lost directory cluster is read whole; no cluster is larger.
constexpr std::uint32_t kMaxClusterSectors = 128;

std::uint32_t FirstClusterOf(const CFATFileNode* folder) {
  const CFATFileProperties* properties = folder != nullptr ? folder->GetFATFileProperties() : nullptr;
  const long long cluster = properties != nullptr ? properties->GetFirstCluster() : 0;
  return cluster >= 2 && cluster < FIRSTFOLDERSECTOR::kNoCluster ? static_cast<std::uint32_t>(cluster) : 0;
}

}  // namespace

void CFATBuildWorker::CompleteBuildDirectoryTree(const CFATFolderSectorSet& folderSectors) {
  GetEmptyFileVirtualClusterNumObject().ResetVirtualClusterNum();
  const FATBuildGeometry& geometry = m_layout.geometry;
  CFATBuildChildren children(m_builder, m_partition, m_device, m_readClusters, m_folderMap, m_table, geometry,
                             m_configFolder);
  children.SetFileSectorMap(m_fileSectorMap);
  children.SetQuickScan(true);
  CFATBuildChildren::FolderList queue;
  children.BuildRoot(queue, 1, m_layout.bootSectorKnown ? 1 : 0);

  const auto origin = static_cast<long long>(geometry.firstDataSector);
  const auto end = static_cast<long long>(m_layout.startSector + geometry.totalSectors);
  long long first = origin;
  if (!m_layout.bootSectorKnown && geometry.type != FILE_SYSTEM_FAT32)
    first = std::max(0LL, origin - kLostRootBytes / m_bytesPerSector);
  const std::span<const FIRSTFOLDERSECTOR> records = folderSectors.Range(first, end);
  if (records.empty()) return;

  // A recorded first sector counts for this partition only where its own cluster number puts it.
  PendingFolders pending;
  for (const FIRSTFOLDERSECTOR& record : records) {
    if (record.sector < origin) {
      BuildFat16LostRoot(children, record.sector, queue);
    } else if (record.IsFolderFirstSector() &&
               ConvertClusterNumToSector(record.currentCluster) == static_cast<std::uint64_t>(record.sector)) {
      pending.emplace(record.currentCluster, &record);
    }
  }
  BuildPendingFolders(children, queue, pending);
  for (const FIRSTFOLDERSECTOR& record : records) {
    // Each round reads at least one pending folder, so this ends.
    for (auto own = pending.find(record.currentCluster); own != pending.end() && own->second == &record;
         own = pending.find(record.currentCluster)) {
      // Start from the highest lost ancestor that is still pending, so that parents come before children.
      const FIRSTFOLDERSECTOR* top = &record;
      std::set<std::uint32_t> climbed{top->currentCluster};
      for (auto parent = pending.find(top->parentCluster);
           parent != pending.end() && climbed.insert(parent->first).second; parent = pending.find(top->parentCluster))
        top = parent->second;
      BuildLostFolder(children, *top, pending);
    }
  }
  BuildLostNode(children, records);
}

void CFATBuildWorker::BuildFat16LostRoot(CFATBuildChildren& children, long long sector,
                                         CFATBuildChildren::FolderList& queue) {
  if (m_device == nullptr) return;
  std::vector<std::uint8_t> buffer(m_bytesPerSector);
  if (!m_device->ReadSector(buffer.data(), sector, 1)) return;
  children.BuildChildrenFromBuffer(buffer, nullptr, queue, 1, 1);
}

void CFATBuildWorker::BuildPendingFolders(CFATBuildChildren& children, CFATBuildChildren::FolderList& queue,
                                          PendingFolders& pending) {
  // Only folders whose first sector was recorded are read: that record is the evidence that the cluster still
  // holds this folder. Every read takes one pending folder away, so the walk is bounded by the records.
  while (!queue.empty()) {
    CFATFileNode* folder = queue.front();
    queue.pop_front();
    const std::uint32_t cluster = FirstClusterOf(folder);
    const auto found = pending.find(cluster);
    if (cluster == 0 || found == pending.end()) continue;
    pending.erase(found);
    children.BuildChildren(folder, cluster, queue, 0, 1);
  }
}

void CFATBuildWorker::BuildLostFolder(CFATBuildChildren& children, const FIRSTFOLDERSECTOR& record,
                                      PendingFolders& pending) {
  CFATBuildChildren::FolderList queue;
  // A folder some entry already named (in a lost root sector, say) keeps its node; the others get a placeholder.
  if (const auto known = m_folderMap.find(record.currentCluster); known != m_folderMap.end()) {
    queue.push_back(known->second);
    BuildPendingFolders(children, queue, pending);
    return;
  }
  CFATFileNode* placeholder = CreateTempFileNode(record.currentCluster, record.parentCluster);
  if (placeholder == nullptr) {
    pending.erase(record.currentCluster);
    return;
  }
  if (m_partition != nullptr) placeholder->SetBelongedPartition(m_partition->GetPartitionIndex());
  const bool taken = m_builder != nullptr && m_builder->AddNode(placeholder, SEARCHER_FAT) != 0;
  if (taken) {
    m_folderMap.emplace(record.currentCluster, placeholder);
    queue.push_back(placeholder);
    BuildPendingFolders(children, queue, pending);
    return;
  }
  // A refused placeholder still lends its cluster to the children, which then go to the lost files.
  pending.erase(record.currentCluster);
  children.BuildChildren(placeholder, record.currentCluster, queue, 0, 1);
  placeholder->Release();
  BuildPendingFolders(children, queue, pending);
}

void CFATBuildWorker::BuildLostNode(CFATBuildChildren& children, std::span<const FIRSTFOLDERSECTOR> records) {
  const std::uint32_t sectorsPerCluster = m_layout.geometry.sectorsPerCluster;
  if (m_device == nullptr || sectorsPerCluster == 0 || sectorsPerCluster > kMaxClusterSectors) return;
  std::vector<std::uint8_t> buffer(std::size_t{kMaxClusterSectors} * m_bytesPerSector);
  const quellsy::MutableByteSpan cluster(buffer.data(), std::size_t{sectorsPerCluster} * m_bytesPerSector);
  for (const FIRSTFOLDERSECTOR& record : records) {
    if (record.IsFolderFirstSector()) continue;
    const auto sector = static_cast<std::uint64_t>(record.sector);
    if (!IsClusterFirstSector(sector) || m_readClusters.Contains(ConvertSectorToClusterNum(sector))) continue;
    // An unreadable sector of the cluster is zeros, which hold no entry; its other sectors are still read.
    if (!quellsy::ReadSectorsSalvaging(*m_device, buffer.data(), record.sector, sectorsPerCluster)
             .AnyRead(record.sector, sectorsPerCluster))
      continue;
    // The entries keep the placeholder's cluster as their parent, which no folder has: they become lost files.
    CFATFileNode* placeholder = CreateTempFileNode(FIRSTFOLDERSECTOR::kNoCluster, FIRSTFOLDERSECTOR::kNoCluster);
    if (placeholder == nullptr) return;
    CFATBuildChildren::FolderList folders;
    children.BuildChildrenFromBuffer(cluster, placeholder, folders, 1, 1);
    placeholder->Release();
  }
}
