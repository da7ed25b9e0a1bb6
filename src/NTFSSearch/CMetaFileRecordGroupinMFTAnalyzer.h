#pragma once
// The first records of an $MFT, and of its copy in the $MFTMirr, lie together in order: "$MFT", "$MFTMirr",
// "$LogFile", ... Such a group fixes a partition's origin through the first cluster its $MFT or $MFTMirr record
// names; the $MFT group and the $MFTMirr group of one volume confirm each other.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "NTFSLib/CMFTInfo.h"
#include "NTFSSearch/CNTFSPartitionInfoBuilder.h"

class CNTFSFileRecord;

class CMetaFileRecordGroupinMFTAnalyzer {
 public:
  static constexpr std::size_t kMaxEntries = 500000;

  explicit CMetaFileRecordGroupinMFTAnalyzer(CNTFSPartitionInfoBuilder& builder) : m_builder(builder) {}

  // Every sector, in order, with its record when one starts there (valid or not) or null.
  void AnalyzeNTFSMetaFileRecord(std::int64_t sector, const CNTFSFileRecord* record, std::uint32_t sectorsPerRecord);
  // Analyses a group still open at the end of the scan.
  void Finish();
  // True while a group is open: then every sector counts, a sector with no record start as well.
  bool InGroup() const { return m_group.start >= 0; }

  // The $MFT records met in groups, in the order met.
  const std::vector<CMFTInfo>& MFTInfos() const { return m_mfts; }
  std::vector<CMFTInfo>& MFTInfos() { return m_mfts; }

 private:
  struct Group {
    std::int64_t start = -1;
    std::uint32_t sectorsPerRecord = 2;
    std::optional<CMFTInfo> mft;
    std::optional<CMFTInfo> mirror;
    std::int64_t bitmapClusters = -1;
  };
  void EndGroup();
  // Proposes the group as the $MFT's own records; the keys proposed are added to readings.
  void ProposeSingleMFT(const Group& group, std::vector<CNTFSPartitionInfoBuilder::Key>& readings);
  // The origin an earlier group confirms when this one, at sector, is the other copy; -1 when none does.
  std::int64_t ConfirmedOrigin(std::int64_t sector, std::int64_t mftCluster, std::int64_t mirrorCluster,
                               std::uint32_t sectorsPerCluster, std::size_t& earlier) const;
  void SetMFTSectorAndSize(CSearchedNTFSPartitionInfo& partition, const Group& group) const;

  CNTFSPartitionInfoBuilder& m_builder;
  Group m_group;
  std::vector<CMFTInfo> m_mfts;
  // Earlier groups that held both records: their $MFT record's sector and the partitions their readings
  // proposed (as the mirror's copy, as the $MFT's own records).
  struct BothGroup {
    std::int64_t mftSector;
    std::vector<CNTFSPartitionInfoBuilder::Key> readings;
  };
  std::vector<BothGroup> m_bothGroups;
  std::unordered_map<std::int64_t, std::size_t> m_bothBySector;
};
