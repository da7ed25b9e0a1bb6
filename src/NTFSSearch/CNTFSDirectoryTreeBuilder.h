#pragma once
// After a complete scan: the FILE records the scan located inside one kept partition are read again, attached
// to the $MFT whose runs hold them, and handed to the core's tree builder as searcher 35 (node ID = MFT number,
// parent ID = the parent's MFT number, the partition index in every node). Folders reachable from the root
// (MFT number 5) come first; the rest keep their own parent IDs, so orphaned folders keep their files.

#include <cstdint>
#include <memory>
#include <vector>

#include "NTFSLib/CCommonFileRecordInfo.h"
#include "NTFSLib/CMFTInfo.h"
#include "NTFSSearch/CNTFSFileProperties.h"
#include "Utility/ByteReader.h"

class CFindFileFromLogFile;
class CSearchedNTFSPartitionInfo;
class IDirecotryTreeBuilder;
class IStorageDevice;

// A run of consecutive FILE records the scan met: first sector, count, sectors per record.
struct CCommonFileRecordPositionInfo {
  std::int64_t first = 0;
  std::int64_t count = 0;
  std::uint32_t step = 2;

  // Takes a record at sector when it follows the run's last one.
  bool Merge(std::int64_t sector, std::uint32_t sectorsPerRecord) {
    if (sectorsPerRecord != step || sector != first + static_cast<std::int64_t>(step) * count) return false;
    ++count;
    return true;
  }
};

// What the scan gathered for the tree building.
struct CNTFSIntelligentSearchInfo {
  std::vector<CMFTInfo> mfts;
  std::vector<CCommonFileRecordPositionInfo> positions;
};

class CNTFSDirectoryTreeBuilder {
 public:
  CNTFSDirectoryTreeBuilder(IStorageDevice& device, IDirecotryTreeBuilder& builder, const CNTFSIntelligentSearchInfo& info);
  ~CNTFSDirectoryTreeBuilder();
  CNTFSDirectoryTreeBuilder(const CNTFSDirectoryTreeBuilder&) = delete;
  CNTFSDirectoryTreeBuilder& operator=(const CNTFSDirectoryTreeBuilder&) = delete;

  // Hands one partition's files over; records lying outside every $MFT are handed over too when the partition
  // has index 0 or was found through a boot sector or an $MFT.
  void BuildDirectoryTree(const CSearchedNTFSPartitionInfo& partition, std::uint16_t partitionIndex);

  // The MFT number of the record at sector through the $MFT's runs; -1 when the sector does not start a record.
  static std::int64_t GetMFTNumber(std::int64_t sector, const CMFTInfo& mft, std::int64_t origin,
                                   std::uint32_t sectorsPerCluster);

 private:
  struct Found {
    std::int64_t mftNumber = -1;
    std::int64_t parent = -1;
    bool directory = false;
    int owner = -1;  // index of the $MFT that holds it, -1 for none
    std::unique_ptr<CNTFSFileProperties> properties;
  };

  void ReadRecords(std::int64_t origin, std::int64_t end, std::uint32_t sectorsPerCluster);
  void ProcessRecord(quellsy::ByteSpan bytes, std::int64_t sector, std::int64_t origin, std::uint32_t sectorsPerCluster);
  void HandOver(int owner, std::uint16_t partitionIndex);
  void AddNode(Found& found, std::uint16_t partitionIndex);

  IStorageDevice& m_device;
  IDirecotryTreeBuilder& m_builder;
  const CNTFSIntelligentSearchInfo& m_info;
  std::uint32_t m_sectorSize = 512;
  std::vector<const CMFTInfo*> m_mfts;
  std::vector<std::unique_ptr<CFindFileFromLogFile>> m_logs;
  std::vector<Found> m_found;
};
