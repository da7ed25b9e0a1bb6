#include "FATLib/CFATBuildChildren.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "FATLib/CEmptyFileVirtualClusterNum.h"
#include "FATLib/CFATBuildDataRun.h"
#include "FATLib/CFATFileNode.h"
#include "FATLib/CFATFilePropertiesBuilder.h"
#include "FATLib/CFATFolderAnalyser.h"
#include "FATLib/CTempFATDirEntry.h"
#include "FATLib/IFATTable.h"
#include "FATLib/UIConfig.h"
#include "include/IFileSystemSearchController.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"
#include "include/SearchPartitionInfoStruct.h"

namespace {

constexpr std::size_t kEntry = CTempFATDirEntry::kSize;
// The largest fixed root folder: 65535 entries.
constexpr std::uint64_t kMaxRootBytes = 0xFFFFull * kEntry;

}  // namespace

CFATBuildChildren::CFATBuildChildren(IDirecotryTreeBuilder* builder, CSearchedPartitionInfo* partition,
                                     IStorageDevice* device, CFATClusterSet& readClusters,
                                     std::map<std::uint64_t, CFATFileNode*>& folderMap, IFATTable* table,
                                     const FATBuildGeometry& geometry, const char* configFolder)
    : m_builder(builder),
      m_partition(partition),
      m_device(device),
      m_readClusters(readClusters),
      m_folderMap(folderMap),
      m_table(table),
      m_geometry(geometry),
      m_bytesPerSector(device != nullptr && device->GetSectorSize() != 0 ? device->GetSectorSize() : 512),
      m_revise(geometry.type == FILE_SYSTEM_FAT32 && quellsy::IsFirstClusterReviseOn(configFolder)),
      m_repair(device, geometry),
      m_readAhead(device, m_bytesPerSector) {
  m_readClusters.SizeFor(CFATClusterSet::ClusterLimit(geometry));
}

void CFATBuildChildren::SetFileSectorMap(const std::map<long long, unsigned int>* map) {
  m_repair.ContentTest().SetFileSectorMap(map);
}

void CFATBuildChildren::SetQuickScan(bool quickScan) { m_repair.ContentTest().SetQuickScan(quickScan); }

IDataRunList* CFATBuildChildren::BuildDataRunList(std::uint64_t firstCluster, std::uint64_t size, bool deleted) {
  CFATBuildDataRun runs(m_table, m_bytesPerSector, m_geometry.sectorsPerCluster, m_geometry.totalSectors);
  return runs.BuildDataRunList(firstCluster, size, deleted);
}

int CFATBuildChildren::BuildRoot(FolderList& folders, int keepLive, int build) {
  if (build == 0) return 0;
  if (m_geometry.type == FILE_SYSTEM_FAT32) return BuildChildren(nullptr, m_geometry.rootCluster, folders, 1, keepLive);
  const std::uint64_t bytes = std::uint64_t{m_geometry.rootSectorCount} * m_bytesPerSector;
  if (m_device == nullptr || bytes == 0 || bytes > kMaxRootBytes + m_bytesPerSector) return 0;
  std::vector<std::uint8_t> root(bytes);
  // An unreadable sector is zeros, which hold no entry: the entries of the other sectors are still listed.
  const auto first = static_cast<long long>(m_geometry.rootStartSector);
  if (!quellsy::ReadSectorsSalvaging(*m_device, root.data(), first, m_geometry.rootSectorCount)
           .AnyRead(first, m_geometry.rootSectorCount))
    return 0;
  return BuildChildrenFromBuffer(root, nullptr, folders, 0, keepLive) == -1 ? 0 : 1;
}

bool CFATBuildChildren::StartsWithDotEntries(quellsy::MutableByteSpan folder) const {
  return folder.size() >= 2 * kEntry && CFATFolderAnalyser::IsCurDirFileName(folder.subspan(0, kEntry)) &&
         CFATFolderAnalyser::IsParentDirFileName(folder.subspan(kEntry, kEntry));
}

int CFATBuildChildren::BuildChildren(IFileNode* parent, std::uint32_t firstCluster, FolderList& folders, int isRoot,
                                     int keepLive) {
  const std::uint32_t sectorsPerCluster = m_geometry.sectorsPerCluster;
  if (m_device == nullptr || m_table == nullptr || sectorsPerCluster == 0) return 0;
  const long long deviceSectors = m_device->GetTotalSectors();
  m_readBuffer.resize(kMaxCarriedBytes + 1 + std::size_t{kReadSectors + sectorsPerCluster} * m_bytesPerSector);
  std::size_t carried = 0;
  bool firstRun = true;
  std::uint32_t cluster = firstCluster;
  while (cluster >= 2 && cluster < CFATBuildDataRun::kEndOfChain) {
    const auto [last, count, next] = RunFrom(cluster);
    if (m_readClusters.Contains(cluster)) return 0;  // the chain loops
    for (std::uint32_t i = 0; i < count; ++i) m_readClusters.Insert(std::uint64_t{cluster} + i);
    const std::uint64_t sector = ConvertClusterNumToSector(cluster);
    const std::uint64_t sectors = std::uint64_t{count} * sectorsPerCluster;
    if (sector + sectors > static_cast<std::uint64_t>(deviceSectors)) return 0;
    const CFATFolderReadAhead::Held read = ReadRun({sector, sectors}, m_readBuffer.data() + carried);
    if (read == CFATFolderReadAhead::Held::kFailed) return 0;
    const quellsy::MutableByteSpan bytes(m_readBuffer.data(), carried + sectors * m_bytesPerSector);
    // A folder whose first sector cannot be read has lost its "." and ".." entries, not its other entries.
    if (firstRun && read != CFATFolderReadAhead::Held::kReadFirstSectorLost &&
        StartsWithDotEntries(bytes) == (isRoot != 0))
      return 0;
    firstRun = false;
    const long long stop = BuildChildrenFromBuffer(bytes, parent, folders, 0, keepLive);
    if (stop < 0) break;
    const std::size_t left = bytes.size() - static_cast<std::size_t>(stop);
    carried = left >= 1 && left <= kMaxCarriedBytes ? left : 0;
    if (carried != 0) std::memmove(m_readBuffer.data(), bytes.data() + stop, carried);
    cluster = next;
  }
  return 1;
}

CFATBuildChildren::ClusterRun CFATBuildChildren::RunFrom(std::uint32_t cluster) const {
  ClusterRun run{cluster, 1, m_table->GetNextCluster(cluster)};
  while (run.next == run.last + 1 && run.count * m_geometry.sectorsPerCluster < kReadSectors) {
    run.last = run.next;
    ++run.count;
    run.next = m_table->GetNextCluster(run.last);
  }
  return run;
}

void CFATBuildChildren::AddRunsOf(CFATFileNode* folder, std::vector<CFATFolderReadAhead::Run>& runs) const {
  if (folder == nullptr || folder->GetFirstChild() != nullptr) return;
  const CFATFileProperties* properties = folder->GetFATFileProperties();
  const long long first = properties != nullptr ? properties->GetFirstCluster() : 0;
  if (first < 2 || first >= CFATBuildDataRun::kEndOfChain) return;
  auto cluster = static_cast<std::uint32_t>(first);
  if (m_readClusters.Contains(cluster)) return;
  const auto deviceSectors = static_cast<std::uint64_t>(std::max(0LL, m_device->GetTotalSectors()));
  // The chain's runs as BuildChildren reads them; a chain that loops stops at the bound.
  for (std::size_t step = 0; step < kReadAheadRunsPerFolder && cluster >= 2 && cluster < CFATBuildDataRun::kEndOfChain;
       ++step) {
    const ClusterRun run = RunFrom(cluster);
    const CFATFolderReadAhead::Run sectors{ConvertClusterNumToSector(cluster),
                                           std::uint64_t{run.count} * m_geometry.sectorsPerCluster};
    if (sectors.sector + sectors.sectors > deviceSectors) return;
    runs.push_back(sectors);
    cluster = run.next;
  }
}

void CFATBuildChildren::ReadAhead(const FolderList& queue) {
  if (m_device == nullptr || m_table == nullptr || m_geometry.sectorsPerCluster == 0 || queue.empty()) return;
  std::vector<CFATFolderReadAhead::Run> runs;
  for (CFATFileNode* folder : queue) {
    if (runs.size() >= CFATFolderReadAhead::kMaxRuns) break;
    const std::size_t before = runs.size();
    AddRunsOf(folder, runs);
    if (before != 0 || runs.empty()) continue;
    // The walk reads the first folder's first run next: nothing to do when it is held already.
    if (m_readAhead.Holds(runs.front())) return;
  }
  m_readAhead.Fill(runs);
}

CFATFolderReadAhead::Held CFATBuildChildren::ReadRun(CFATFolderReadAhead::Run run, std::uint8_t* out) {
  using Held = CFATFolderReadAhead::Held;
  if (const Held held = m_readAhead.Take(run, out); held != Held::kNo) return held;
  const auto first = static_cast<long long>(run.sector);
  const auto count = static_cast<long long>(run.sectors);
  const quellsy::SalvagedRead read = quellsy::ReadSectorsSalvaging(*m_device, out, first, count);
  if (!read.AnyRead(first, count)) return Held::kFailed;
  return read.Lost(first, 1) ? Held::kReadFirstSectorLost : Held::kRead;
}

long long CFATBuildChildren::BuildChildrenFromBuffer(quellsy::MutableByteSpan buffer, IFileNode* parent,
                                                     FolderList& folders, int stopOnInvalid, int keepLive) {
  FolderState folder;
  if (parent != nullptr) {
    auto* fatParent = dynamic_cast<CFATFileNode*>(parent);
    CFATFileProperties* properties = fatParent != nullptr ? fatParent->GetFATFileProperties() : nullptr;
    if (properties == nullptr) return -1;
    folder.firstCluster = static_cast<std::uint64_t>(properties->GetFirstCluster());
    folder.deleted = properties->IsDeleted();
    const std::uint8_t untrusted = CFATFileProperties::kStateDeleted | CFATFileProperties::kStateUntrustedCluster;
    folder.repaired = (properties->GetState() & untrusted) == untrusted;
    folder.expectedIn = folder.repaired ? 0 : folder.firstCluster;
  }
  folder.expected = folder.expectedIn;
  const auto length = static_cast<long long>(buffer.size());
  std::optional<std::size_t> longNameStart;
  int dotEntries = 0;
  std::size_t offset = 0;
  for (; offset + kEntry <= buffer.size(); offset += kEntry) {
    const quellsy::MutableByteSpan bytes = buffer.subspan(offset, kEntry);
    CTempFATDirEntry entry(bytes);
    if (!entry.IsValidFATDirEntry(0)) {
      longNameStart.reset();
      if (stopOnInvalid != 0) return length;
      continue;
    }
    if (entry.IsLongFileNameEntry()) {
      if (!longNameStart) longNameStart = offset;
      continue;
    }
    const std::size_t runStart = longNameStart.value_or(offset);
    longNameStart.reset();
    if (entry.IsVolumeLabel()) continue;
    if (bytes[0] == '.') {
      if (++dotEntries > 2) return -1;
      continue;
    }
    if (!entry.IsDirectory() && !entry.IsErased() && !folder.deleted && keepLive == 0) continue;
    const std::uint64_t cluster = entry.GetFirstClusterNO();
    if (cluster >= 2 && (cluster - 2) * m_geometry.sectorsPerCluster > m_geometry.totalSectors) {
      if (stopOnInvalid != 0) return length;
      continue;
    }
    if (folder.firstCluster != 0 && cluster == folder.firstCluster) continue;
    AddEntryNode(buffer.subspan(runStart, offset + kEntry - runStart), entry, folder, folders);
  }
  return static_cast<long long>(longNameStart.value_or(offset));
}

void CFATBuildChildren::AddEntryNode(quellsy::MutableByteSpan entries, CTempFATDirEntry& entry, FolderState& folder,
                                     FolderList& folders) {
  std::unique_ptr<CFATFileProperties> properties =
      CFATFilePropertiesBuilder::BuildFATFilePropertyFromDirEntryBuffer(entries);
  if (!properties) return;
  if (folder.deleted) properties->SetState(properties->GetState() | CFATFileProperties::kStateDeleted);
  properties->SetParentFirstCluster(static_cast<long long>(folder.firstCluster));
  properties->SetMetadataSector(static_cast<long long>(ConvertClusterNumToSector(folder.firstCluster)));
  const std::uint64_t ownCluster = entry.GetFirstClusterNO();
  if (m_revise) {
    m_repair.ReverseDelFileFirstNum(entry, folder.expectedIn, folder.expected, *properties, folder.repaired);
    if (folder.firstCluster != 0 && entry.GetFirstClusterNO() == folder.firstCluster)
      entry.SetFirstClusterNO(ownCluster);
  }
  const std::uint64_t cluster = entry.GetFirstClusterNO();
  IDataRunList* runs = nullptr;
  if (properties->IsDirectory() || properties->GetFileSize() < 1) {
    // A file without data, or a folder without a cluster, still needs an ID of its own.
    const bool virtualCluster = !properties->IsDirectory() || cluster < 2;
    properties->SetFirstCluster(static_cast<long long>(
        virtualCluster ? GetEmptyFileVirtualClusterNumObject().GetVirtualClusterNum() : cluster));
  } else {
    properties->SetFirstCluster(static_cast<long long>(cluster));
    runs = BuildDataRunList(cluster, static_cast<std::uint64_t>(properties->GetFileSize()), properties->IsDeleted());
  }
  auto* node = new CFATFileNode();
  const bool isFolder = properties->IsDirectory();
  const auto nodeCluster = static_cast<std::uint64_t>(properties->GetFirstCluster());
  node->SetFileProperties(properties.release());
  node->SetDataRunList(runs);
  if (m_partition != nullptr) node->SetBelongedPartition(m_partition->GetPartitionIndex());
  if (m_builder == nullptr || m_builder->AddNode(node, SEARCHER_FAT) == 0) {
    node->Release();
    return;
  }
  if (!isFolder) return;
  m_folderMap.emplace(nodeCluster, node);
  folders.push_back(node);
}
