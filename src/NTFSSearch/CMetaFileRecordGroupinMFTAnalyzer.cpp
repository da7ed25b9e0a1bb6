#include "NTFSSearch/CMetaFileRecordGroupinMFTAnalyzer.h"

#include <algorithm>

#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"

using Flags = CSearchedNTFSPartitionInfo;

namespace {
constexpr std::uint32_t kMFTIndex = 0;
constexpr std::uint32_t kMFTMirrIndex = 1;
constexpr std::uint32_t kBitmapIndex = 6;
// A group covers the records up to $BadClus (8).
constexpr std::int64_t kGroupRecords = 8;
constexpr std::uint32_t kSectorsPerClusterChoices[] = {1, 2, 4, 8, 16, 32, 64, 128};
// A $Bitmap for 2^48 clusters; a larger stated size is not a real one.
constexpr std::int64_t kMaxBitmapBytes = std::int64_t{1} << 45;
}  // namespace

void CMetaFileRecordGroupinMFTAnalyzer::AnalyzeNTFSMetaFileRecord(std::int64_t sector, const CNTFSFileRecord* record,
                                                                 std::uint32_t sectorsPerRecord) {
  const bool valid = record != nullptr && record->IsValid();
  if (m_group.start < 0) {
    if (!valid || !CMetaFileRecordTypeAnalyzer::IsMFTFileRecord(*record)) return;
    m_group = Group{};
    m_group.start = sector;
    m_group.sectorsPerRecord = std::max<std::uint32_t>(sectorsPerRecord, 1);
  } else {
    const std::int64_t distance = sector - m_group.start;
    const std::int64_t step = m_group.sectorsPerRecord;
    // The second half of a record.
    if (distance % step != 0 && distance <= kGroupRecords * step) return;
    const std::uint32_t index = valid ? CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(*record)
                                      : CMetaFileRecordTypeAnalyzer::kNotMetaFile;
    if (!valid || distance > kGroupRecords * step || index == CMetaFileRecordTypeAnalyzer::kNotMetaFile ||
        distance / step != index) {
      EndGroup();
      // The record that ended the group may open the next one.
      if (valid && CMetaFileRecordTypeAnalyzer::IsMFTFileRecord(*record))
        AnalyzeNTFSMetaFileRecord(sector, record, sectorsPerRecord);
      return;
    }
  }
  const std::uint32_t index = CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(*record);
  if (index == kMFTIndex && !m_group.mft) {
    CMFTInfo info;
    if (info.Build(*record, sector)) {
      m_group.mft = info;
      if (m_mfts.size() < kMaxEntries) m_mfts.push_back(info);
    }
  } else if (index == kMFTMirrIndex && !m_group.mirror) {
    CMFTInfo info;
    if (info.Build(*record, sector)) m_group.mirror = info;
  } else if (index == kBitmapIndex) {
    CNTFSDataRunList runs;
    std::int64_t realSize = 0;
    if (CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(*record, runs, true, realSize) && realSize > 0 &&
        realSize <= kMaxBitmapBytes && runs.GetTotalClusters() > 0)
      m_group.bitmapClusters = realSize * 8;
  }
}

void CMetaFileRecordGroupinMFTAnalyzer::Finish() {
  if (m_group.start >= 0) EndGroup();
}

void CMetaFileRecordGroupinMFTAnalyzer::SetMFTSectorAndSize(CSearchedNTFSPartitionInfo& partition,
                                                           const Group& group) const {
  auto& evidence = partition.GetEvidence();
  if (evidence.mftSector < 0 && group.mft) evidence.mftSector = group.mft->GetSector();
  evidence.sectorsPerFileRecord = group.sectorsPerRecord;
  if (group.bitmapClusters <= 0) return;
  const std::int64_t k = partition.GetSectorsPerCluster();
  if ((evidence.buildFrom & Flags::kBootSector) == 0) {
    const std::int64_t count = evidence.clusterCount < 0 ? group.bitmapClusters
                                                         : std::min(group.bitmapClusters, evidence.clusterCount);
    evidence.clusterCount = count;
    partition.SetTotalSectors(static_cast<std::uint64_t>(count * k));
  }
  evidence.bitmapSectors = k * group.bitmapClusters;
}

void CMetaFileRecordGroupinMFTAnalyzer::ProposeSingleMFT(const Group& group,
                                                         std::vector<CNTFSPartitionInfoBuilder::Key>& readings) {
  const CMFTInfo& mft = *group.mft;
  const std::int64_t cluster = mft.GetDataRunList().GetLCN(0);
  std::vector<std::uint32_t> choices;
  if (mft.GetSectorsPerCluster() != 0) choices.push_back(mft.GetSectorsPerCluster());
  else choices.assign(std::begin(kSectorsPerClusterChoices), std::end(kSectorsPerClusterChoices));
  for (const std::uint32_t k : choices) {
    auto proposal = m_builder.BuildPartitionInfoAccordingtoFileRecord(mft.GetSector(), cluster, k, Flags::kMFTGroup);
    if (!proposal) continue;
    readings.emplace_back(proposal->GetClusterOrigin(), k);
    SetMFTSectorAndSize(*proposal, group);
    if (CSearchedNTFSPartitionInfo* held = m_builder.Merge(std::move(proposal))) SetMFTSectorAndSize(*held, group);
  }
}

std::int64_t CMetaFileRecordGroupinMFTAnalyzer::ConfirmedOrigin(std::int64_t sector, std::int64_t mftCluster,
                                                                std::int64_t mirrorCluster, std::uint32_t k,
                                                                std::size_t& earlier) const {
  // Read as the mirror's copy, the $MFT's own group lies at its first cluster; read as the $MFT's own group, the
  // mirror's copy lies at the $MFTMirr's first cluster. Whichever came first on the disk is an earlier group.
  // Both copies lie before the later one: clusters beyond it confirm nothing.
  if (k == 0 || mftCluster < 0 || mirrorCluster < 0 || mftCluster > sector / k || mirrorCluster > sector / k) return -1;
  const std::int64_t asMirror = sector - mirrorCluster * k;
  const std::int64_t asOwn = sector - mftCluster * k;
  if (const auto at = m_bothBySector.find(asMirror + mftCluster * k); asMirror >= 0 && at != m_bothBySector.end()) {
    earlier = at->second;
    return asMirror;
  }
  if (const auto at = m_bothBySector.find(asOwn + mirrorCluster * k); asOwn >= 0 && at != m_bothBySector.end()) {
    earlier = at->second;
    return asOwn;
  }
  return -1;
}

void CMetaFileRecordGroupinMFTAnalyzer::EndGroup() {
  const Group group = std::move(m_group);
  m_group = Group{};
  std::vector<CNTFSPartitionInfoBuilder::Key> readings;
  if (!group.mft) return;
  if (!group.mirror) {
    ProposeSingleMFT(group, readings);
    return;
  }
  const std::uint32_t k = group.mft->GetSectorsPerCluster();
  const std::int64_t mftCluster = group.mft->GetDataRunList().GetLCN(0);
  const std::int64_t mirrorCluster = group.mirror->GetDataRunList().GetLCN(0);
  const std::int64_t sector = group.mft->GetSector();
  std::size_t earlier = 0;
  const std::int64_t origin = ConfirmedOrigin(sector, mftCluster, mirrorCluster, k, earlier);
  if (origin >= 0) {
    // The $MFT's group and the mirror's group confirm each other; the earlier group's other readings were wrong.
    auto proposal = m_builder.BuildPartitionInfoAccordingtoFileRecord(sector, (sector - origin) / k, k,
                                                                      Flags::kMFTAndMirror);
    if (!proposal) return;
    const CNTFSPartitionInfoBuilder::Key key{origin, k};
    SetMFTSectorAndSize(*proposal, group);
    proposal->GetEvidence().mftSector = origin + mftCluster * k;
    if (CSearchedNTFSPartitionInfo* held = m_builder.Merge(std::move(proposal))) {
      held->GetEvidence().buildFrom &= ~Flags::kMFTGroup;
      held->GetEvidence().mftSector = origin + mftCluster * k;
      SetMFTSectorAndSize(*held, group);
    }
    for (const CNTFSPartitionInfoBuilder::Key& wrong : m_bothGroups[earlier].readings)
      if (wrong != key) m_builder.AdjustPartitionBuildFromFlag(wrong, 0, Flags::kMFTGroup | Flags::kMFTMirrGroup);
    return;
  }
  auto proposal = m_builder.BuildPartitionInfoAccordingtoFileRecord(sector, mirrorCluster, k, Flags::kMFTMirrGroup);
  bool existed = false;
  if (proposal) {
    const CNTFSPartitionInfoBuilder::Key key{proposal->GetClusterOrigin(), k};
    readings.push_back(key);
    existed = m_builder.Find(key) != nullptr;
    SetMFTSectorAndSize(*proposal, group);
    if (CSearchedNTFSPartitionInfo* held = m_builder.Merge(std::move(proposal))) SetMFTSectorAndSize(*held, group);
  }
  if (!existed) ProposeSingleMFT(group, readings);
  if (m_bothGroups.size() < kMaxEntries && m_bothBySector.emplace(sector, m_bothGroups.size()).second)
    m_bothGroups.push_back({sector, std::move(readings)});
}
