#pragma once
// FAT32 clears the high 16 bits of a deleted entry's first cluster. This finds the real cluster among
// low + k x 0x10000: a folder by its "." and ".." entries, a file by its content, else by the clusters the
// entries before it in the same folder took. Two deleted entries with different names never get the same
// cluster while another candidate is found.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "FATLib/CFATClusterContentTest.h"
#include "FATLib/FATBuildGeometry.h"

class CFATFileProperties;
class CTempFATDirEntry;
class IStorageDevice;

class CFAT32FirstClusterRepair {
 public:
  static constexpr std::uint64_t kBand = 0x10000;

  CFAT32FirstClusterRepair(IStorageDevice* device, const FATBuildGeometry& geometry);

  CFATClusterContentTest& ContentTest() { return m_contentTest; }

  // Repairs the entry's first cluster in place and stores it as the properties' first cluster. expectedIn is
  // the folder's first cluster (0 for the root or a folder whose own cluster is not trusted); expected is the
  // cluster the next entry of this folder is expected at, moved on past each entry.
  void ReverseDelFileFirstNum(CTempFATDirEntry& entry, std::uint64_t expectedIn, std::uint64_t& expected,
                              CFATFileProperties& properties, bool parentRepaired);

  // The cluster's first sector starts with "." and "..".
  bool bEffectiveDIRFDT(std::uint64_t cluster);
  // The first of start, start + 0x10000, ... (tries - 1 candidates) that holds a folder or, for a file,
  // content; start when none does (found false).
  std::uint64_t TryGetRealFirstNum(std::uint64_t start, bool& found, int tries, bool isFolder);
  // Claims cluster for the entry's name in the folder or file map, moving on to further candidates while
  // another name holds it. True (cluster and entry updated) when a claim was made.
  bool bInDelFileOrDIRMap(std::uint64_t& cluster, CTempFATDirEntry& entry, const CFATFileProperties& properties,
                          bool isFolder);

 private:
  void RepairDeletedFile(CTempFATDirEntry& entry, std::uint64_t& cluster, std::uint64_t expectedIn,
                         std::uint64_t expected, const CFATFileProperties& properties, bool parentRepaired);
  void RepairDeletedFolder(CTempFATDirEntry& entry, std::uint64_t& cluster, const CFATFileProperties& properties);

  IStorageDevice* m_device;
  FATBuildGeometry m_geometry;
  std::uint32_t m_bytesPerSector;
  CFATClusterContentTest m_contentTest;
  std::map<std::uint64_t, std::string> m_folderNames;
  std::map<std::uint64_t, std::string> m_fileNames;
  // Where the last repaired or high file of any folder of this walk ended.
  std::uint64_t m_nextExpected = 0;
  std::vector<std::uint8_t> m_sector;
};
