#include "NTFSSearch/CNTFSSearchController.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "NTFSLib/CFolderFileRecordAnalyzer.h"
#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSDBR.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSPublicFunction.h"
#include "NTFSSearch/CLogFileAnalyzer.h"
#include "NTFSSearch/CNTFSFileNode.h"
#include "NTFSSearch/NTFSSectorGate.h"
#include "Utility/Prefetch.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

using namespace quellsy;
using Flags = CSearchedNTFSPartitionInfo;

namespace {
constexpr std::uint32_t kMaxSectorSize = 4096;
// A block buffer beyond this is refused rather than allocated.
constexpr std::uint64_t kMaxBufferBytes = 256ull << 20;
constexpr std::size_t kPageBytes = 4096;
constexpr std::uint32_t kPromotedCandidates = 2;
constexpr std::uint32_t kMinScore = 11;
constexpr std::uint32_t kManyPartitions = 3;
constexpr std::uint32_t kStrongScore = 50;

bool StartsWith(ByteSpan bytes, const char (&magic)[5], std::size_t at = 0) {
  return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, magic, 4) == 0;
}
}  // namespace

CNTFSSearchController::CNTFSSearchController() = default;
CNTFSSearchController::~CNTFSSearchController() = default;

void CNTFSSearchController::SetDevice(IStorageDevice* device) {
  m_device = device;
  if (device == nullptr) return;
  const std::uint32_t size = device->GetSectorSize();
  m_sectorSize = size == 0 ? 512 : size;
  m_totalSectors = std::max<long long>(device->GetTotalSectors(), 0);
  m_partitions.SetDevice(m_totalSectors, m_sectorSize);
}

void CNTFSSearchController::PreparetoSearch() {
  m_prepared = false;
  if (m_device == nullptr || m_blockSize < 1) return;
  if (m_sectorSize < 512 || m_sectorSize > kMaxSectorSize || m_sectorSize % 512 != 0) return;
  const std::uint64_t bytes = (static_cast<std::uint64_t>(m_blockSize) + kWindowSectors) * m_sectorSize;
  if (bytes > kMaxBufferBytes) return;
  // The carried window is all a shared read-ahead block needs; room for a whole block is made once one has to be
  // read here.
  m_buffer.assign(static_cast<std::size_t>(kWindowSectors) * m_sectorSize, 0);
  m_partitions.Clear();
  m_info = CNTFSIntelligentSearchInfo{};
  m_kept.clear();
  m_groups = std::make_unique<CMetaFileRecordGroupinMFTAnalyzer>(m_partitions);
  m_indexes = std::make_unique<CNTFSIndexEvidence>(m_partitions);
  m_attrDef = std::make_unique<CMetaFileContentMatcher>(CMetaFileContentMatcher::Kind::kAttrDef);
  m_upCase = std::make_unique<CMetaFileContentMatcher>(CMetaFileContentMatcher::Kind::kUpCase);
  m_log = std::make_unique<CLogFileAnalyzer>(m_totalSectors);
  NTFSPublicFunction::SetDeviceSectorSize(m_sectorSize);
  m_blockEnd = 0;
  m_next = 0;
  m_ended = false;
  m_prepared = true;
  if (m_builder != nullptr) m_builder->AddSearcherInfo(SEARCHER_NTFS, CNTFSFileNode::kRootFolder);
}

void CNTFSSearchController::AnalyzeBlock(long long firstSector, long long sectorCount) {
  if (!m_prepared || m_device == nullptr || firstSector < 0 || sectorCount < 1 || sectorCount > m_blockSize) return;
  const std::size_t ss = m_sectorSize;
  const std::size_t carry = static_cast<std::size_t>(kWindowSectors) * ss;
  const std::size_t blockBytes = static_cast<std::size_t>(sectorCount) * ss;
  // A block that does not follow the last one shares no sectors with it.
  if (firstSector != m_blockEnd) m_next = firstSector;
  ByteSpan all;
  const std::shared_ptr<const SharedSectorBlock> shared = m_device->ShareHeldBlock(firstSector, sectorCount);
  if (shared && shared->lookBack >= carry) {
    all = ByteSpan(shared->data - carry, carry + blockBytes);
  } else {
    m_buffer.resize(std::max(m_buffer.size(), carry + static_cast<std::size_t>(m_blockSize) * ss));
    std::uint8_t* fresh = m_buffer.data() + carry;
    std::fill(fresh, m_buffer.data() + m_buffer.size(), std::uint8_t{0});
    quellsy::ReadSectorsSalvaging(*m_device, fresh, firstSector, sectorCount);
    all = ByteSpan(m_buffer.data(), carry + blockBytes);
  }
  const std::int64_t start = firstSector - kWindowSectors;
  const std::int64_t end = firstSector + sectorCount;
  // The device's last sectors are analysed with the shorter windows that remain.
  const std::int64_t stop = end >= m_totalSectors ? end : end - kWindowSectors;
  // Outside a group of records, a sector the first look turns away is one AnalyzeSector would do nothing with.
  const quellsy::SectorGate& gate = quellsy::ntfs::NTFSSectorGate();
  const bool gated = ss >= gate.Reach();
  for (std::int64_t s = std::max(m_next, std::int64_t{0}); s < stop; ++s) {
    if (const std::int64_t ahead = s + quellsy::kPrefetchSectorsAhead; ahead < end)
      quellsy::PrefetchSectorEnds(all.data() + static_cast<std::size_t>(ahead - start) * ss, ss);
    if (gated && !m_groups->InGroup() && !gate.MayHold(all.data() + static_cast<std::size_t>(s - start) * ss)) continue;
    const std::int64_t window = std::min(kWindowSectors, end - s);
    AnalyzeSector(s, all.subspan(static_cast<std::size_t>(s - start) * ss, static_cast<std::size_t>(window) * ss));
  }
  m_next = std::max(m_next, stop);
  if (ss == 512) m_log->AnalyzeRCRDRecord(all.subspan(carry), firstSector, static_cast<std::size_t>(sectorCount));
  // The block's last 16 sectors are where the next block's windows begin.
  std::memmove(m_buffer.data(), all.data() + blockBytes, carry);
  m_blockEnd = end;
}

void CNTFSSearchController::AnalyzeSector(std::int64_t sector, ByteSpan window) {
  const ByteSpan first = window.first(std::min<std::size_t>(window.size(), CNTFSDBR::kSize));
  if (StartsWith(first, "NTFS", 3) && CNTFSDBR::IsFullValidDBR(first)) {
    CNTFSDBR boot;
    if (boot.InitFromBuffer(first)) m_partitions.AnalyzeBootSector(sector, boot);
  } else if (StartsWith(window, "RSTR")) {
    if (window.size() >= kPageBytes) m_log->AnalyzeRSTRRecord(sector, window);
  } else if (StartsWith(window, "INDX")) {
    m_indexes->AnalyzeIndexRecord(sector, window);
  }
  if (StartsWith(window, "FILE") && CNTFSFileRecordHeader::IsValid(window)) {
    const CNTFSFileRecord record(window.first(CNTFSFileRecordHeader::RecordSize(window)));
    const auto perRecord = std::max<std::uint32_t>(static_cast<std::uint32_t>(record.RecordSize() / m_sectorSize), 1);
    m_groups->AnalyzeNTFSMetaFileRecord(sector, &record, perRecord);
    if (record.IsValid()) AnalyzeFileRecord(sector, record, perRecord);
  } else {
    m_groups->AnalyzeNTFSMetaFileRecord(sector, nullptr, 1);
  }
  m_attrDef->AnalyzeSector(sector, window);
  m_upCase->AnalyzeSector(sector, window);
}

void CNTFSSearchController::AnalyzeFileRecord(std::int64_t sector, const CNTFSFileRecord& record,
                                              std::uint32_t sectorsPerRecord) {
  if (CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(record)) {
    m_indexes->AnalyzeFolderRecord(record);
  } else if (CMetaFileRecordTypeAnalyzer::IsLogFileRecord(record)) {
    m_log->AnalyzeLogFileFileRecord(sector, record);
  } else {
    m_attrDef->AnalyzeFileRecord(sector, record);
    m_upCase->AnalyzeFileRecord(sector, record);
  }
  if (!record.IsExtendFileRecord()) AddPosition(sector, sectorsPerRecord);
}

void CNTFSSearchController::AddPosition(std::int64_t sector, std::uint32_t sectorsPerRecord) {
  if (!m_info.positions.empty() && m_info.positions.back().Merge(sector, sectorsPerRecord)) return;
  if (m_info.positions.size() < kMaxPositionRuns) m_info.positions.push_back({sector, 1, sectorsPerRecord});
}

void CNTFSSearchController::FoldLogProposals() {
  for (const auto& [key, flags] : m_log->GetProposals()) {
    if (CSearchedNTFSPartitionInfo* held = m_partitions.Find(key)) {
      held->GetEvidence().buildFrom |= flags;
      continue;
    }
    // Placed as a structure at the origin + 8 sectors lying in cluster 8 / sectors per cluster.
    auto proposal = m_partitions.BuildPartitionInfoAccordingtoFileRecord(key.first + 8 * key.second, 8, key.second, flags);
    m_partitions.Merge(std::move(proposal));
  }
}

void CNTFSSearchController::Settle() {
  std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> kept;
  std::uint32_t i = 0;
  for (auto& [key, partition] : m_partitions.Partitions()) {
    auto& evidence = partition->GetEvidence();
    const std::int64_t origin = partition->GetClusterOrigin();
    const std::uint32_t k = partition->GetSectorsPerCluster();
    const auto total = static_cast<std::int64_t>(partition->GetTotalSectors());
    const std::int64_t perRecord = evidence.sectorsPerFileRecord;
    const auto attrDef = m_attrDef->CalcMatch(origin, k, total, evidence.mftSector < 0 ? -1 : evidence.mftSector + 4 * perRecord);
    const auto upCase = m_upCase->CalcMatch(origin, k, total, evidence.mftSector < 0 ? -1 : evidence.mftSector + 10 * perRecord);
    const auto log = m_log->CalcLogFileMatch(origin, k, total, evidence.mftSector);
    evidence.attrDefSector = attrDef.recordSector;
    evidence.attrDefMatch = attrDef.matchCount;
    evidence.upCaseSector = upCase.recordSector;
    evidence.upCaseMatch = upCase.matchCount;
    evidence.logFileSector = log.recordSector;
    evidence.logFileMatch = log.matchCount;
    evidence.hasMFT = evidence.mftSector >= 0 ? 1 : 0;
    const std::uint32_t score = partition->ComputeScore();
    partition->SetFlag(score);
    const bool promoted = i++ < kPromotedCandidates;
    // A volume found through its boot sector or its $MFT needs no INDX record to stand.
    const bool founded = (evidence.buildFrom & (Flags::kBootFlags | Flags::kMFTFlags)) != 0;
    if (!promoted && (score < kMinScore || (partition->GetSecondCounter() == 0 && !founded))) continue;
    partition->SetStartSector(origin);
    kept.push_back(std::move(partition));
  }
  m_partitions.Clear();
  if (kept.size() >= kManyPartitions)
    std::erase_if(kept, [](const auto& p) { return p->GetFlag() <= kStrongScore && p->GetEvidence().hasMFT == 0; });
  m_kept = std::move(kept);
  const auto n = static_cast<double>(m_kept.size());
  for (std::size_t j = 0; j < m_kept.size(); ++j) {
    m_kept[j]->SetOrderKey(n - static_cast<double>(j));
    m_kept[j]->SetPartitionIndex(static_cast<std::uint16_t>(j));
  }
}

void CNTFSSearchController::EndSearch(int buildTree) {
  if (buildTree == 0 || !m_prepared || m_ended) return;
  m_groups->Finish();
  m_info.mfts = std::move(m_groups->MFTInfos());
  FoldLogProposals();
  Settle();
  if (m_builder != nullptr) {
    CNTFSDirectoryTreeBuilder trees(*m_device, *m_builder, m_info);
    for (std::size_t j = 0; j < m_kept.size(); ++j)
      trees.BuildDirectoryTree(*m_kept[j], static_cast<std::uint16_t>(j));
  }
  m_buffer = std::vector<std::uint8_t>{};
  m_groups.reset();
  m_indexes.reset();
  m_attrDef.reset();
  m_upCase.reset();
  m_log.reset();
  m_ended = true;
  if (m_builder != nullptr) {
    m_builder->SetPartitonDevice(nullptr, m_device);
    m_builder->FlashBuild(SEARCHER_NTFS);
  }
}

int CNTFSSearchController::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  std::vector<const CSearchedNTFSPartitionInfo*> held;
  if (m_ended) {
    for (const auto& p : m_kept) held.push_back(p.get());
  } else {
    for (const auto& [key, p] : m_partitions.Partitions()) held.push_back(p.get());
  }
  const auto count = static_cast<int>(held.size());
  if (out == nullptr || capacity < count) return count;
  for (int i = 0; i < count; ++i) {
    CSearchedPartitionInfo* copy = held[static_cast<std::size_t>(i)]->Clone();
    if (copy == nullptr) {
      for (int j = 0; j < i; ++j) delete out[j];
      return 0;
    }
    copy->SetPartitionIndex(static_cast<std::uint16_t>(i));
    out[i] = copy;
  }
  return count;
}

ICompleteFileSystemSearchController* CreateNTFSSearcher() { return new (std::nothrow) CNTFSSearchController(); }
