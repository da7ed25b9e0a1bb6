#include "ExFat/CExFatCompleteSearch.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "ExFat/CExFatDBR.h"
#include "ExFat/CExFatFileNode.h"
#include "ExFat/ExFatSectorGate.h"
#include "Utility/Prefetch.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"
#include "include/SearchPartitionInfoStruct.h"

namespace {

constexpr std::uint8_t kUpcaseStart[16] = {0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0};
constexpr std::uint8_t kFatStart[8] = {0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr std::uint32_t kMaxSectorSize = 4096;
// A block buffer beyond this is refused rather than allocated.
constexpr std::uint64_t kMaxBufferBytes = 256ull << 20;

}  // namespace

int CExFatCompleteSearch::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  const auto count = static_cast<int>(m_partitions.size());
  if (out == nullptr || capacity < count) return count;
  for (int i = 0; i < count; ++i) {
    const CExFatPartitionEx& partition = *m_partitions[static_cast<std::size_t>(i)];
    auto* record = new (std::nothrow) CSearchedPartitionInfo(partition.m_bytesPerSector);
    if (record == nullptr) {
      for (int j = 0; j < i; ++j) delete out[j];
      return 0;
    }
    record->SetPartitionIndex(static_cast<std::uint16_t>(i));
    record->SetFileSystemType(FILE_SYSTEM_EXFAT);
    record->SetSectorsPerCluster(partition.m_sectorsPerCluster);
    record->SetClusterOrigin(partition.m_heapStart);
    record->SetStartSector(static_cast<long long>(partition.m_partitionStart));
    record->SetTotalSectors(partition.m_totalSectors);
    out[i] = record;
  }
  return count;
}

void CExFatCompleteSearch::PreparetoSearch() {
  m_partitions.clear();
  m_partitionBuilder.Clear();
  m_preAnalyzer.FinisAnayze();
  m_buffer.reset();
  m_bufferBytes = 0;
  m_sectorSize = 0;
}

bool CExFatCompleteSearch::Start() {
  const std::uint32_t sectorSize = m_device->GetSectorSize() != 0 ? m_device->GetSectorSize() : 512;
  if (sectorSize < 512 || sectorSize > kMaxSectorSize || !std::has_single_bit(sectorSize)) return false;
  const std::uint64_t bytes = (static_cast<std::uint64_t>(m_blockSize) + 4) * sectorSize;
  if (bytes > kMaxBufferBytes) return false;
  m_sectorSize = sectorSize;
  const long long total = m_device->GetTotalSectors();
  m_totalSectors = total > 0 ? static_cast<std::uint64_t>(total) : 0;
  const auto shift = static_cast<std::uint32_t>(std::countr_zero(sectorSize));
  m_preAnalyzer.PrepareAnayze(shift, kClusterShift, m_totalSectors);
  m_partitionBuilder.PrepareBuild(sectorSize, m_totalSectors);
  // Left unwritten but for the carried sectors and the padding after them: a shared read-ahead block never uses
  // the rest, and a block read here fills it before it is looked at.
  m_bufferBytes = static_cast<std::size_t>(bytes);
  m_buffer = std::make_unique_for_overwrite<std::uint8_t[]>(m_bufferBytes);
  const std::size_t carriedAt = static_cast<std::size_t>(m_blockSize) * sectorSize;
  std::fill(m_buffer.get() + carriedAt, m_buffer.get() + m_bufferBytes, std::uint8_t{0});
  m_nextSector = 0;
  return true;
}

void CExFatCompleteSearch::AnalyzeBlock(long long firstSector, long long sectorCount) {
  AnalyzeBlockChecked(firstSector, sectorCount);
}

bool CExFatCompleteSearch::AnalyzeBlockChecked(long long firstSector, long long sectorCount) {
  if (m_device == nullptr || m_builder == nullptr || m_blockSize < 1 || firstSector < 0 || sectorCount < 1 ||
      sectorCount > m_blockSize)
    return false;
  if (m_sectorSize == 0 && !Start()) return false;
  const std::size_t sector = m_sectorSize;
  // A read-ahead block that carries the sectors before it is analysed where it lies; only its last sectors are
  // kept for a next block that has to be read.
  if (const std::shared_ptr<const SharedSectorBlock> block = m_device->ShareHeldBlock(firstSector, sectorCount);
      block && block->lookBack >= kCarriedSectors * sector && sectorCount >= kCarriedSectors &&
      (firstSector == m_nextSector || firstSector == 0)) {
    AnalyzeSectors(firstSector, sectorCount,
                   quellsy::ByteSpan(block->data - kCarriedSectors * sector,
                                     (static_cast<std::size_t>(sectorCount) + kCarriedSectors) * sector));
    std::memcpy(m_buffer.get() + static_cast<std::size_t>(m_blockSize) * sector,
                block->data + static_cast<std::size_t>(sectorCount - kCarriedSectors) * sector, kCarriedSectors * sector);
    m_nextSector = firstSector + sectorCount;
    return true;
  }
  // The previous block's last two sectors move to the front.
  std::memmove(m_buffer.get(), m_buffer.get() + static_cast<std::size_t>(m_blockSize) * sector,
               kCarriedSectors * sector);
  std::uint8_t* fresh = m_buffer.get() + kCarriedSectors * sector;
  std::fill(fresh, m_buffer.get() + m_bufferBytes, std::uint8_t{0});
  // Unreadable sectors are zeros: the directory sectors around them are still analysed.
  if (!quellsy::ReadSectorsSalvaging(*m_device, fresh, firstSector, sectorCount).AnyRead(firstSector, sectorCount))
    return false;
  // Keeps the tail where the next block expects it, also for a short block.
  if (sectorCount < m_blockSize && sectorCount >= kCarriedSectors) {
    std::memmove(m_buffer.get() + static_cast<std::size_t>(m_blockSize) * sector,
                 fresh + static_cast<std::size_t>(sectorCount - kCarriedSectors) * sector, kCarriedSectors * sector);
  }
  AnalyzeSectors(firstSector, sectorCount,
                 quellsy::ByteSpan(m_buffer.get(), (static_cast<std::size_t>(sectorCount) + kCarriedSectors) * sector));
  m_nextSector = firstSector + sectorCount;
  return true;
}

void CExFatCompleteSearch::AnalyzeSectors(long long firstSector, long long sectorCount, quellsy::ByteSpan all) {
  // While no set is gathered and none waits for inference, a sector the first look turns away changes nothing.
  const quellsy::SectorGate& gate = exfat::ExFatSectorGate();
  const bool gated = m_sectorSize >= gate.Reach();
  for (long long i = 0; i < sectorCount; ++i) {
    if (const long long ahead = i + quellsy::kPrefetchSectorsAhead; ahead < sectorCount)
      quellsy::PrefetchSectorEnds(all.data() + static_cast<std::size_t>(ahead) * m_sectorSize, m_sectorSize);
    const std::int64_t at = firstSector - kCarriedSectors + i;
    if (at < 0) continue;
    if (gated && m_preAnalyzer.Idle() && m_partitionBuilder.AllTaken() &&
        !gate.MayHold(all.data() + static_cast<std::size_t>(i) * m_sectorSize))
      continue;
    AnalyzeSector(at, all.subspan(static_cast<std::size_t>(i) * m_sectorSize));
  }
}

void CExFatCompleteSearch::AnalyzeSector(std::int64_t sector, quellsy::ByteSpan data) {
  bool handOut = true;
  if (data[0] == 0) {
    if (std::memcmp(data.data(), kUpcaseStart, sizeof kUpcaseStart) == 0) m_partitionBuilder.RecordUpCaseTable(sector);
  } else if (data[510] == 0x55 && data[511] == 0xAA && CExFatDBR(data.first(CExFatDBR::kSize)).IsValid(m_sectorSize)) {
    m_partitionBuilder.Build(sector, CExFatDBR(data.first(CExFatDBR::kSize)));
  } else if (std::memcmp(data.data(), kFatStart, sizeof kFatStart) == 0) {
    m_partitionBuilder.RecordFAT(sector);
  } else {
    handOut = m_preAnalyzer.Analyze(sector, data);
  }
  if (handOut) {
    if (std::unique_ptr<CFileSet> set = m_preAnalyzer.GetFileSet()) {
      const std::int64_t first = set->m_firstSector;
      const std::int64_t next = set->Has(CFileSet::kNotEnd) ? m_preAnalyzer.GetNext(first) : -1;
      const std::int64_t last = set->Has(CFileSet::kAbridged) ? m_preAnalyzer.GetLast(first) : -1;
      m_partitionBuilder.PushFileSet(std::move(set), last, next);
    }
  }
  m_partitionBuilder.Build(sector);
}

void CExFatCompleteSearch::EndSearch(int buildTree) {
  if (buildTree == 0 || m_device == nullptr) return;
  m_preAnalyzer.FinisAnayze();
  m_partitions.clear();
  m_partitionBuilder.FinishBuid(m_partitions, m_device);
  BuildeFileNode();
  if (m_builder != nullptr) {
    m_builder->SetPartitonDevice(nullptr, m_device);
    m_builder->FlashBuild(SEARCHER_EXFAT);
  }
  m_partitionBuilder.Clear();
}

void CExFatCompleteSearch::BuildeFileNode() {
  if (m_partitions.empty() || m_builder == nullptr) return;
  m_builder->AddSearcherInfo(SEARCHER_EXFAT, -1);
  for (std::size_t i = 0; i < m_partitions.size(); ++i) {
    CExFatPartitionEx& partition = *m_partitions[i];
    if ((partition.m_flags & CExFatPartitionEx::kFirstFat) != 0)
      partition.CreateFatTable(m_device, static_cast<std::int64_t>(partition.m_partitionStart + partition.m_fatOffset),
                               partition.m_fatLength, partition.m_clusterLimit);
    // Deleted files' chains go on through the clusters the bitmap calls free.
    if (partition.m_bitmapCluster >= 2)
      partition.m_bitmap.Create(m_device, partition.ConvertClusterNumToSector(partition.m_bitmapCluster),
                                partition.m_bitmapLength);
    std::vector<CExFatFileNode*> nodes;
    m_partitionBuilder.BuildFileTree(partition, nodes);
    for (CExFatFileNode* node : nodes) {
      node->SetBelongedPartition(static_cast<std::uint16_t>(i));
      if (m_builder->AddNode(node, SEARCHER_EXFAT) == 0) node->Release();
    }
    partition.ClearFatData();
  }
}

ICompleteFileSystemSearchController* CreateEXFatSearcher() { return new (std::nothrow) CExFatCompleteSearch(); }
