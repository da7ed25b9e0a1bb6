#pragma once
// Builds the directory tree of one FAT partition and hands every node to the tree builder as searcher 32.
// The quick scan walks the folders from the root down, breadth first; the complete search starts from the
// root (when a boot sector is known) and from the directory sectors it recorded.

#include <cstdint>
#include <list>
#include <map>
#include <span>

#include "FATLib/CFATClusterSet.h"
#include "FATLib/FATBuildGeometry.h"
#include "Utility/ResultCode.h"

class CFATBuildChildren;
class CFATFileNode;
class CFATFolderSectorSet;
class CSearchedPartitionInfo;
class IDataRunList;
class IDirecotryTreeBuilder;
class IFATTable;
class IProgress;
class IStorageDevice;
struct FIRSTFOLDERSECTOR;

// Where the partition lies and what the worker knows of it. All sectors are absolute sectors of the device.
struct FATBuildWorkerLayout {
  // Without a boot sector the fixed FAT12/16 root folder is unknown.
  static constexpr std::uint64_t kNoRootSector = 0xFFFFFFFF;

  // type, sectors per cluster, FAT32 root cluster, FAT12/16 root start and sector count, origin (the sector of
  // cluster 2) and the partition's total sectors.
  FATBuildGeometry geometry;
  std::uint64_t startSector = 0;
  bool bootSectorKnown = true;
};

class CFATBuildWorker {
 public:
  // Nothing is owned: builder, progress, partition, device and table must outlive the worker. configFolder
  // holds UIConfig.ini (the executable's folder when null).
  CFATBuildWorker(IDirecotryTreeBuilder* builder, IProgress* progress, CSearchedPartitionInfo* partition,
                  IStorageDevice* device, IFATTable* table, const FATBuildWorkerLayout& layout,
                  const char* configFolder = nullptr);
  CFATBuildWorker(const CFATBuildWorker&) = delete;
  CFATBuildWorker& operator=(const CFATBuildWorker&) = delete;

  // Walks every folder reachable from the root, live and deleted, breadth first, reporting progress (state 2,
  // out of 100) and asking the sink whether to go on before each folder. 0 when the walk ended;
  // kRootUnreadable when the root could not be read to its end (what it gave is still walked); kStopped when
  // the sink asked to stop.
  quellsy::ResultCode QuickBuildDirectoryTree(int keepLive);

  // The complete search's rebuild: the root when the boot sector is known, then every folder whose first
  // sector the search recorded inside the partition (folders reachable from the root or from another recorded
  // folder under their parents, parents before children; the rest under "DIR<n>" placeholders), FAT12/16 root
  // sectors found before the origin when the boot sector is lost, and last the entries of directory clusters
  // no folder claimed, as lost files.
  void CompleteBuildDirectoryTree(const CFATFolderSectorSet& folderSectors);

  // The sector-to-type map of the signature search (not owned); none by default.
  void SetFileSectorMap(const std::map<long long, unsigned int>* map) { m_fileSectorMap = map; }

  // (sector - origin) / sectors per cluster + 2, cut to 32 bits; 0 before the origin.
  std::uint32_t ConvertSectorToClusterNum(std::uint64_t sector) const;
  // 0 below cluster 2.
  std::uint64_t ConvertClusterNumToSector(std::uint64_t cluster) const;
  bool IsClusterFirstSector(std::uint64_t sector) const;

  // A new list owned by the caller, or null (see CFATBuildDataRun).
  IDataRunList* BuildDataRunList(std::uint64_t firstCluster, std::uint64_t size, bool deleted);
  // A placeholder folder "DIR<n>" (deleted, first cluster not trusted for its children) for a folder whose
  // parent cannot be reached; null when memory is short. The caller owns it.
  CFATFileNode* CreateTempFileNode(std::uint32_t cluster, std::uint32_t parentCluster);
  // The numbering of placeholder names goes on across partitions and scans; tests start it again at 0.
  static void ResetTempFileNodeCounter();

 protected:
  void ReportProgress(std::uint32_t status, std::uint64_t total, std::uint64_t current);

  // The complete build's steps (CFATBuildWorkerComplete.cpp). Pending folders: recorded first sectors not
  // yet read, by cluster.
  using PendingFolders = std::map<std::uint32_t, const FIRSTFOLDERSECTOR*>;
  void BuildFat16LostRoot(CFATBuildChildren& children, long long sector, std::list<CFATFileNode*>& queue);
  void BuildPendingFolders(CFATBuildChildren& children, std::list<CFATFileNode*>& queue, PendingFolders& pending);
  void BuildLostFolder(CFATBuildChildren& children, const FIRSTFOLDERSECTOR& record, PendingFolders& pending);
  void BuildLostNode(CFATBuildChildren& children, std::span<const FIRSTFOLDERSECTOR> records);

  IDirecotryTreeBuilder* m_builder;
  IProgress* m_progress;
  CSearchedPartitionInfo* m_partition;
  IStorageDevice* m_device;
  IFATTable* m_table;
  FATBuildWorkerLayout m_layout;
  const char* m_configFolder;
  std::uint32_t m_bytesPerSector;
  const std::map<long long, unsigned int>* m_fileSectorMap = nullptr;
  // First cluster to folder node, and the folder clusters already read; shared with the folder parser.
  std::map<std::uint64_t, CFATFileNode*> m_folderMap;
  CFATClusterSet m_readClusters;
};
