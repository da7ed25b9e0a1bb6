#include "ExFat/CExFatQuickSearch.h"

#include <algorithm>
#include <new>

#include "ExFat/CExFatDBR.h"
#include "ExFat/CExFatFileNode.h"
#include "ExFat/ExFatErrors.h"
#include "Utility/CatchExeception.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"
#include "include/SearchPartitionInfoStruct.h"

using namespace quellsy;

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;
constexpr std::size_t kBootBufferBytes = 4096;

void Report(IProgress* progress, PROGRESS_STATUS status, std::uint64_t total, std::uint64_t current,
            quellsy::ResultCode result = quellsy::kResultOk) {
  _PROGRESS_INFO info{};
  info.status = status;
  info.total = total;
  info.current = current;
  info.result = result;
  progress->UpdateProgress(&info);
}

}  // namespace

int CExFatQuickSearch::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  if (!m_prepared) return 0;
  if (out == nullptr) return 1;
  if (capacity < 1) return 0;
  auto* record = new (std::nothrow) CSearchedPartitionInfo(m_partition.m_bytesPerSector);
  if (record == nullptr) return 0;
  record->SetFileSystemType(FILE_SYSTEM_EXFAT);
  record->SetSectorsPerCluster(m_partition.m_sectorsPerCluster);
  record->SetClusterOrigin(m_partition.m_heapStart);
  record->SetStartSector(0);
  record->SetTotalSectors(0);
  out[0] = record;
  return 1;
}

bool CExFatQuickSearch::IsClusterProssed(std::uint32_t cluster) {
  if (m_readClusters.GetBit(cluster) != 0) return true;
  m_readClusters.SetBit(cluster, 1, 1);
  return false;
}

unsigned long long CExFatQuickSearch::QuickSearchFiles(IStorageDevice* device, IProgress* progress) {
  if (progress == nullptr) return exfat::kQuickMissingArgument;
  const ResultCode prepared = PrepareSearch(device);
  if (prepared == kResultOk) {
    QuickSearch(progress);
    m_builder->SetPartitonDevice(nullptr, device);
    m_builder->FlashBuild(SEARCHER_EXFAT);
  }
  // Sent on every path, so a scan that found nothing never looks as if it were still running, nor a volume that
  // could not be read as if it were empty.
  Report(progress, PROGRESS_STATUS_FINISHED, 1, 1, prepared);
  return prepared;
}

ResultCode CExFatQuickSearch::PrepareSearch(IStorageDevice* device) {
  m_prepared = false;
  if (device == nullptr || m_builder == nullptr) return exfat::kQuickMissingArgument;
  const std::uint32_t sectorSize = device->GetSectorSize() != 0 ? device->GetSectorSize() : kDefaultSectorSize;
  if (sectorSize > kBootBufferBytes) return exfat::kQuickNoBootSector;
  std::vector<std::uint8_t> boot(kBootBufferBytes, 0);
  if (!device->ReadSector(boot.data(), 0, 1)) return exfat::kQuickBootSectorUnreadable;
  const CExFatDBR dbr(boot);
  if (!dbr.IsValid(sectorSize)) return exfat::kQuickNoBootSector;
  m_device = device;
  SetGeometry(device, dbr);
  if (m_cluster.empty()) return exfat::kQuickOutOfMemory;
  m_prepared = true;
  m_builder->AddSearcherInfo(SEARCHER_EXFAT, m_partition.ConvertClusterNumToSector(m_partition.m_rootCluster));
  return kResultOk;
}

void CExFatQuickSearch::SetGeometry(IStorageDevice* device, const CExFatDBR& dbr) {
  CExFatPartition& p = m_partition;
  p.m_bytesPerSector = dbr.GetBytePerSector();
  p.m_heapStart = dbr.GetDataRegionStartSector();
  p.m_sectorsPerCluster = dbr.GetSectorsperCluster();
  p.m_rootCluster = dbr.GetRootDirStartCluster();
  p.m_bytesPerCluster = p.m_bytesPerSector * p.m_sectorsPerCluster;
  p.m_totalSectors = dbr.GetTotalSectors();
  p.m_partitionStart = 0;
  std::uint64_t limit = dbr.GetTotalCluster();
  const std::uint64_t fatEntries = std::uint64_t{dbr.GetSectorsPerFat()} * p.m_bytesPerSector / 4;
  if (fatEntries > limit) {
    limit = fatEntries;
    CatchExeception::WriteLog("chang totalClustur = %llu\n", static_cast<unsigned long long>(limit));
  }
  // Clusters past the device's end cannot be read; they must not size the map of read clusters either.
  const long long deviceSectors = device->GetTotalSectors();
  const std::uint64_t onDevice =
      deviceSectors > p.m_heapStart
          ? static_cast<std::uint64_t>(deviceSectors - p.m_heapStart) / p.m_sectorsPerCluster + 2
          : 2;
  p.m_clusterLimit = static_cast<std::uint32_t>(std::min<std::uint64_t>({limit, onDevice, 0xFFFFFFFFull}));
  m_analyzer.PrepareAnayze(dbr.GetBytesPerSectorShift(),
                           dbr.GetBytesPerSectorShift() + dbr.GetSectorsPerClusterShift(),
                           static_cast<std::uint64_t>(std::max(0LL, deviceSectors)));
  p.ClearFatData();
  p.m_bitmap.Create(nullptr, 0, 0);
  p.CreateFatTable(device, dbr.GetFatStartSector(), dbr.GetSectorsPerFat(), dbr.GetTotalCluster());
  m_liveFolders.clear();
  m_deletedFolders.clear();
  m_cluster.clear();
  if (m_readClusters.CreateBitmap(std::max<long long>(p.m_clusterLimit, 2), 1) == 0) return;
  try {
    m_cluster.assign(p.m_bytesPerCluster, 0);
  } catch (const std::bad_alloc&) {
    m_cluster.clear();
  }
}

void CExFatQuickSearch::QuickSearch(IProgress* progress) {
  const CExFatPartition& p = m_partition;
  const Folder root{p.m_rootCluster, static_cast<std::int64_t>(std::uint64_t{p.m_clusterLimit} * p.m_bytesPerCluster),
                    false, false};
  BuildChildren(root);
  std::uint64_t processed = 0;
  std::uint64_t lastPercent = 0;
  while ((!m_liveFolders.empty() || !m_deletedFolders.empty()) && progress->Continued() != 0) {
    std::deque<Folder>& list = !m_liveFolders.empty() ? m_liveFolders : m_deletedFolders;
    const Folder folder = list.front();
    list.pop_front();
    BuildChildren(folder);
    ++processed;
    const std::uint64_t listed = m_liveFolders.size() + m_deletedFolders.size();
    const std::uint64_t percent = processed * 100 / (processed + listed);
    if (percent > lastPercent) {
      lastPercent = percent;
      Report(progress, PROGRESS_STATUS_RUNNING, processed + listed, processed);
    }
  }
}

bool CExFatQuickSearch::BuildChildren(const Folder& folder) {
  bool readable = true;
  std::int64_t size = folder.size;
  m_analyzer.Reset();
  for (std::uint32_t cluster = folder.firstCluster; cluster >= 2 && cluster <= CExFatPartition::kLastCluster;) {
    if (IsClusterProssed(cluster)) break;
    const std::int64_t sector = m_partition.ConvertClusterNumToSector(cluster);
    const long long sectors = m_partition.m_sectorsPerCluster;
    const quellsy::SalvagedRead read = quellsy::ReadSectorsSalvaging(*m_device, m_cluster.data(), sector, sectors);
    if (!read.AnyRead(sector, sectors)) {
      CatchExeception::WriteLog("exFAT: directory cluster %u (sector %lld) unreadable, folder skipped\n", cluster,
                                static_cast<long long>(sector));
      readable = false;
      break;
    }
    const bool more = read.Whole() ? m_analyzer.Analyze(m_cluster, sector) : AnalyzeReadable(read, sector);
    if (!m_partition.m_bitmap.IsKnown() && m_analyzer.GetBitmapCluster() != 0)
      m_partition.m_bitmap.Create(m_device, m_partition.ConvertClusterNumToSector(m_analyzer.GetBitmapCluster()),
                                  m_analyzer.GetBitmapLength());
    if (!more) break;
    size -= m_partition.m_bytesPerCluster;
    if (size <= 0) break;
    cluster = m_partition.GetNextCluster(cluster, folder.contiguous ? 1 : 0);
  }
  AddChildren(folder);
  return readable;
}

bool CExFatQuickSearch::AnalyzeReadable(const quellsy::SalvagedRead& read, std::int64_t sector) {
  const std::size_t sectorBytes = m_partition.m_bytesPerSector;
  const std::int64_t end = sector + m_partition.m_sectorsPerCluster;
  for (std::int64_t from = sector; from < end;) {
    if (read.Lost(from, 1)) {
      // An entry set cut by the unreadable sector is dropped; the sets after it are read.
      m_analyzer.Reset();
      ++from;
      continue;
    }
    std::int64_t to = from + 1;
    while (to < end && !read.Lost(to, 1)) ++to;
    const quellsy::ByteSpan stretch = quellsy::ByteSpan(m_cluster).subspan(
        static_cast<std::size_t>(from - sector) * sectorBytes, static_cast<std::size_t>(to - from) * sectorBytes);
    if (!m_analyzer.Analyze(stretch, from)) return false;
    from = to;
  }
  return true;
}

void CExFatQuickSearch::AddChildren(const Folder& folder) {
  const std::int64_t folderID = m_partition.ConvertClusterNumToSector(folder.firstCluster);
  for (_tagFileBaseInfo& info : m_analyzer.TakeRecords()) {
    // The children of a deleted folder are deleted, whatever their own entries say.
    if (folder.deleted) info.inUse = 0;
    CExFatFileNode* node = m_partition.BuildFile(info);
    if (node == nullptr) continue;
    node->SetID(m_partition.ConvertClusterNumToSector(info.firstCluster));
    node->SetParentID(folderID);
    const Folder child{info.firstCluster, info.dataLength, info.noFatChain != 0, info.inUse == 0};
    const bool directory = node->IsDirectory() != 0;
    if (m_builder->AddNode(node, SEARCHER_EXFAT) == 0) {
      node->Release();
      continue;
    }
    if (directory) (child.deleted ? m_deletedFolders : m_liveFolders).push_back(child);
  }
}

IQuickFileSystemSearchController* CreateEXFatQuickSearcher() { return new (std::nothrow) CExFatQuickSearch(); }
