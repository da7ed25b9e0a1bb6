#pragma once
// Reads the entries of one FAT folder (or the fixed root folder of FAT12/16) into nodes for the tree builder,
// gives each file its runs, and returns the sub-folders so the caller can walk the tree breadth first. On
// FAT32 it also repairs deleted entries whose high cluster word was cleared, unless "bRevise" is 0.

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <vector>

#include "FATLib/CFAT32FirstClusterRepair.h"
#include "FATLib/CFATClusterSet.h"
#include "FATLib/CFATFolderReadAhead.h"
#include "FATLib/FATBuildGeometry.h"
#include "Utility/ByteReader.h"

class CFATFileNode;
class CSearchedPartitionInfo;
class IDataRunList;
class IDirecotryTreeBuilder;
class IFATTable;
class IFileNode;
class IStorageDevice;

class CFATBuildChildren {
 public:
  using FolderList = std::list<CFATFileNode*>;
  // The carried part of a long-name run split between two reads.
  static constexpr std::size_t kMaxCarriedBytes = 1023;
  // Sectors of one folder read.
  static constexpr std::uint32_t kReadSectors = 0x80;
  // Runs of one folder's chain read ahead; the rest of a longer chain is read as the walk reaches it.
  static constexpr std::size_t kReadAheadRunsPerFolder = 16;

  // readClusters (folder clusters already read; a chain that reaches one loops) and folderMap (first cluster
  // to folder node) are shared with the caller. configFolder holds UIConfig.ini (the executable's folder when
  // null); only FAT32 reads it.
  CFATBuildChildren(IDirecotryTreeBuilder* builder, CSearchedPartitionInfo* partition, IStorageDevice* device,
                    CFATClusterSet& readClusters, std::map<std::uint64_t, CFATFileNode*>& folderMap,
                    IFATTable* table, const FATBuildGeometry& geometry, const char* configFolder = nullptr);

  // The root folder's entries; 0 when build is 0, the root cannot be read, or (FAT32) it starts like a
  // sub-folder.
  int BuildRoot(FolderList& folders, int keepLive, int build);
  // One folder's cluster chain, read in runs of at most 128 sectors. 1 when the chain was read to its end; 0
  // when it loops or reaches an unreadable run (the entries before stay delivered), and when the first run
  // lacks "." and ".." (has them, for the root).
  int BuildChildren(IFileNode* parent, std::uint32_t firstCluster, FolderList& folders, int isRoot, int keepLive);
  // Entries of one buffer under parent (a FAT node, or null for the root). Returns where a long-name run still
  // open at the end starts, else where the walk stopped; -1 for a parent that is not a FAT node and for a
  // third "." entry. stopOnInvalid ends the walk at the first invalid entry; keepLive 0 leaves out live files
  // of live folders.
  long long BuildChildrenFromBuffer(quellsy::MutableByteSpan buffer, IFileNode* parent, FolderList& folders,
                                    int stopOnInvalid, int keepLive);

  // Reads the runs of the folders at the front of queue one after another, unless the first one's first run is
  // already held: BuildChildren then takes them instead of reading. Folders it would not read are passed by.
  void ReadAhead(const FolderList& queue);

  std::uint64_t ConvertClusterNumToSector(std::uint64_t cluster) const { return m_geometry.ClusterToSector(cluster); }
  // Null for files without data, see CFATBuildDataRun.
  IDataRunList* BuildDataRunList(std::uint64_t firstCluster, std::uint64_t size, bool deleted);

  // The signature search's sector-to-type map (not owned), used for content tests while SetQuickScan(true).
  void SetFileSectorMap(const std::map<long long, unsigned int>* map);
  void SetQuickScan(bool quickScan);
  bool IsReviseOn() const { return m_revise; }
  // Content tests of the FAT32 repair (tests give it analysers of their own).
  CFATClusterContentTest& ContentTest() { return m_repair.ContentTest(); }

 private:
  // What the entries of one folder share.
  struct FolderState {
    std::uint64_t firstCluster = 0;
    bool deleted = false;
    bool repaired = false;      // the folder's own cluster is not trusted
    std::uint64_t expectedIn = 0;
    std::uint64_t expected = 0;  // where the next deleted file is looked for first
  };

  // Makes the node of one short entry (entries: its long-name run and itself) and hands it to the builder.
  void AddEntryNode(quellsy::MutableByteSpan entries, CTempFATDirEntry& entry, FolderState& folder,
                    FolderList& folders);
  bool StartsWithDotEntries(quellsy::MutableByteSpan folder) const;
  // The run of consecutive clusters from cluster on, up to kReadSectors sectors: its last cluster, its length
  // in clusters and the cluster that follows it in the chain.
  struct ClusterRun {
    std::uint32_t last = 0;
    std::uint32_t count = 0;
    std::uint32_t next = 0;
  };
  ClusterRun RunFrom(std::uint32_t cluster) const;
  // The runs of the folder's chain, when the walk would read it, up to kReadAheadRunsPerFolder of them.
  void AddRunsOf(CFATFileNode* folder, std::vector<CFATFolderReadAhead::Run>& runs) const;
  // The run's sectors, from what was read ahead or else from the device; a sector that cannot be read is zeros.
  // Never kNo.
  CFATFolderReadAhead::Held ReadRun(CFATFolderReadAhead::Run run, std::uint8_t* out);

  IDirecotryTreeBuilder* m_builder;
  CSearchedPartitionInfo* m_partition;
  IStorageDevice* m_device;
  CFATClusterSet& m_readClusters;
  std::map<std::uint64_t, CFATFileNode*>& m_folderMap;
  IFATTable* m_table;
  FATBuildGeometry m_geometry;
  std::uint32_t m_bytesPerSector;
  bool m_revise;
  CFAT32FirstClusterRepair m_repair;
  std::vector<std::uint8_t> m_readBuffer;
  CFATFolderReadAhead m_readAhead;
};
