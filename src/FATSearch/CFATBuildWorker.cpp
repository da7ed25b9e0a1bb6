#include "FATSearch/CFATBuildWorker.h"

#include <atomic>
#include <cstdio>
#include <list>
#include <new>

#include "FATLib/CEmptyFileVirtualClusterNum.h"
#include "FATLib/CFATBuildChildren.h"
#include "FATLib/CFATBuildDataRun.h"
#include "FATLib/CFATFileNode.h"
#include "FATSearch/FATSearchErrors.h"
#include "include/IProgress.h"
#include "include/IStorageDevice.h"

namespace {

std::atomic<int> g_tempFolderCounter{0};

}  // namespace

CFATBuildWorker::CFATBuildWorker(IDirecotryTreeBuilder* builder, IProgress* progress,
                                 CSearchedPartitionInfo* partition, IStorageDevice* device, IFATTable* table,
                                 const FATBuildWorkerLayout& layout, const char* configFolder)
    : m_builder(builder),
      m_progress(progress),
      m_partition(partition),
      m_device(device),
      m_table(table),
      m_layout(layout),
      m_configFolder(configFolder),
      m_bytesPerSector(device != nullptr && device->GetSectorSize() != 0 ? device->GetSectorSize() : 512) {}

std::uint32_t CFATBuildWorker::ConvertSectorToClusterNum(std::uint64_t sector) const {
  const FATBuildGeometry& geometry = m_layout.geometry;
  if (geometry.sectorsPerCluster == 0 || sector < geometry.firstDataSector) return 0;
  return static_cast<std::uint32_t>((sector - geometry.firstDataSector) / geometry.sectorsPerCluster + 2);
}

std::uint64_t CFATBuildWorker::ConvertClusterNumToSector(std::uint64_t cluster) const {
  return m_layout.geometry.ClusterToSector(cluster);
}

bool CFATBuildWorker::IsClusterFirstSector(std::uint64_t sector) const {
  const FATBuildGeometry& geometry = m_layout.geometry;
  return geometry.sectorsPerCluster != 0 && sector >= geometry.firstDataSector &&
         (sector - geometry.firstDataSector) % geometry.sectorsPerCluster == 0;
}

IDataRunList* CFATBuildWorker::BuildDataRunList(std::uint64_t firstCluster, std::uint64_t size, bool deleted) {
  CFATBuildDataRun runs(m_table, m_bytesPerSector, m_layout.geometry.sectorsPerCluster,
                        m_layout.geometry.totalSectors);
  return runs.BuildDataRunList(firstCluster, size, deleted);
}

CFATFileNode* CFATBuildWorker::CreateTempFileNode(std::uint32_t cluster, std::uint32_t parentCluster) {
  auto* properties = new (std::nothrow) CFATFileProperties();
  if (properties == nullptr) return nullptr;
  auto* node = new (std::nothrow) CFATFileNode();
  if (node == nullptr) {
    delete properties;
    return nullptr;
  }
  char name[24];
  std::snprintf(name, sizeof name, "DIR%d", g_tempFolderCounter.fetch_add(1));
  properties->SetFileName(name);
  properties->SetAttribute(properties->GetAttribute() | 0x10);
  properties->SetState(CFATFileProperties::kStateDeleted | CFATFileProperties::kStateUntrustedCluster);
  properties->SetFirstCluster(cluster);
  properties->SetParentFirstCluster(parentCluster);
  properties->SetMetadataSector(static_cast<long long>(ConvertClusterNumToSector(parentCluster)));
  node->SetFileProperties(properties);
  return node;
}

void CFATBuildWorker::ResetTempFileNodeCounter() { g_tempFolderCounter.store(0); }

void CFATBuildWorker::ReportProgress(std::uint32_t status, std::uint64_t total, std::uint64_t current) {
  if (m_progress == nullptr) return;
  _PROGRESS_INFO info{};
  info.status = status;
  info.total = total;
  info.current = current;
  m_progress->UpdateProgress(&info);
}

quellsy::ResultCode CFATBuildWorker::QuickBuildDirectoryTree(int keepLive) {
  GetEmptyFileVirtualClusterNumObject().ResetVirtualClusterNum();
  CFATBuildChildren children(m_builder, m_partition, m_device, m_readClusters, m_folderMap, m_table,
                             m_layout.geometry, m_configFolder);
  CFATBuildChildren::FolderList queue;
  // A root that breaks off (a looping or unreadable chain) still hands on the folders read before the break.
  const bool rootRead = children.BuildRoot(queue, keepLive, 1) != 0;

  std::uint64_t done = 0;
  std::uint64_t shown = 0;
  while (!queue.empty()) {
    if (m_progress != nullptr && m_progress->Continued() == 0) return quellsy::fatsearch::kStopped;
    const std::uint64_t percent = done * 100 / (done + queue.size());
    if (percent > shown) {
      shown = percent;
      ReportProgress(PROGRESS_STATUS_RUNNING, 100, percent);
    }
    children.ReadAhead(queue);
    CFATFileNode* folder = queue.front();
    queue.pop_front();
    ++done;
    if (folder->GetFirstChild() != nullptr) continue;
    const CFATFileProperties* properties = folder->GetFATFileProperties();
    const long long cluster = properties != nullptr ? properties->GetFirstCluster() : 0;
    // Folders without a real cluster (an empty deleted folder gets a virtual number) have nothing to read.
    if (cluster < 2 || cluster >= CFATBuildDataRun::kEndOfChain) continue;
    children.BuildChildren(folder, static_cast<std::uint32_t>(cluster), queue, 0, keepLive);
  }
  ReportProgress(PROGRESS_STATUS_RUNNING, 100, 100);
  return rootRead ? quellsy::kResultOk : quellsy::fatsearch::kRootUnreadable;
}
