#include "FATSearch/CFATCompleteFSearcher.h"

#include <algorithm>
#include <new>

#include "FATLib/CFAT12Table.h"
#include "FATLib/CFATFolderAnalyser.h"
#include "FATLib/CFATTableAnalyser.h"
#include "FATLib/CTempFATDBR.h"
#include "FATLib/IFATTable.h"
#include "FATLib/IFATTableFactory.h"
#include "FATSearch/CFATBuildWorker.h"
#include "FATSearch/CFATSearchedPartitionInfo.h"
#include "FATSearch/FATSectorGate.h"
#include "FATSearch/FATSearchErrors.h"
#include "Utility/Prefetch.h"
#include "include/IStorageDevice.h"

namespace {

// Sectors are read in pieces of at most this many bytes; a piece that cannot be read is read sector by sector.
constexpr std::size_t kMaxReadBytes = 4u << 20;

}  // namespace

CFATCompleteFSearcher::~CFATCompleteFSearcher() { DestroyPartitions(); }

void CFATCompleteFSearcher::DestroyPartitions() {
  for (CFATSearchedPartitionInfo* partition : m_partitions) DestroyFATSearchedPartitionInfo(partition);
  m_partitions.clear();
}

int CFATCompleteFSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  const auto count = static_cast<int>(m_partitions.size());
  if (out == nullptr) return count;
  if (capacity < count) return 0;
  for (int i = 0; i < count; ++i) out[i] = m_partitions[static_cast<std::size_t>(i)]->Clone();
  return count;
}

void CFATCompleteFSearcher::SetDevice(IStorageDevice* device) {
  m_device = device;
  const std::uint32_t sectorSize = device != nullptr ? device->GetSectorSize() : 0;
  m_bytesPerSector = sectorSize != 0 ? sectorSize : 512;
  m_candidates.SetDevice(device != nullptr ? device->GetTotalSectors() : 0, m_bytesPerSector);
}

void CFATCompleteFSearcher::PreparetoSearch() {
  DestroyPartitions();
  m_candidates.Clear();
  m_folderSectors.Clear();
}

void CFATCompleteFSearcher::AnalyzeBlock(long long firstSector, long long sectorCount) {
  if (m_device == nullptr || m_blockSize < 1 || firstSector < 0 || sectorCount < 1) return;
  // Sectors the first look turns away would be turned away by AnalyzeSector's own tests too.
  const quellsy::SectorGate& gate = quellsy::fatsearch::FATSectorGate();
  const bool gated = m_bytesPerSector >= gate.Reach();
  // The read-ahead block is read where it lies; only a device that holds no block is read into our buffer.
  if (const unsigned char* held = m_device->HeldSectors(firstSector, sectorCount)) {
    for (long long i = 0; i < sectorCount; ++i) {
      if (const long long ahead = i + quellsy::kPrefetchSectorsAhead; ahead < sectorCount)
        quellsy::PrefetchSectorEnds(held + static_cast<std::size_t>(ahead) * m_bytesPerSector, m_bytesPerSector);
      const unsigned char* sector = held + static_cast<std::size_t>(i) * m_bytesPerSector;
      if (gated && !gate.MayHold(sector)) continue;
      AnalyzeSector(firstSector + i, quellsy::ByteSpan(sector, m_bytesPerSector));
    }
    return;
  }
  const long long pieceSectors =
      std::clamp<long long>(static_cast<long long>(kMaxReadBytes / m_bytesPerSector), 1, m_blockSize);
  m_buffer.resize(static_cast<std::size_t>(pieceSectors) * m_bytesPerSector);
  for (long long done = 0; done < sectorCount; done += pieceSectors) {
    const long long first = firstSector + done;
    const long long count = std::min(pieceSectors, sectorCount - done);
    const bool pieceRead = m_device->ReadSector(m_buffer.data(), first, count);
    for (long long i = 0; i < count; ++i) {
      unsigned char* sector = m_buffer.data() + static_cast<std::size_t>(i) * m_bytesPerSector;
      if (!pieceRead && !m_device->ReadSector(sector, first + i, 1)) continue;
      if (gated && !gate.MayHold(sector)) continue;
      AnalyzeSector(first + i, quellsy::ByteSpan(sector, m_bytesPerSector));
    }
  }
}

void CFATCompleteFSearcher::AnalyzeSector(long long sector, quellsy::ByteSpan bytes) {
  if (bytes.empty() || bytes[0] == 0) return;
  if (CTempFATDBR::SimpleCheck(bytes) && m_candidates.AnalyzeFATDBRSector(sector, bytes)) return;
  enumFILE_SYSTEM_TYPE tableType = FILE_SYSTEM_UNKNOWN;
  // The general FAT test never reports FAT12; a FAT12 FAT is recognised where a FAT12 boot sector put one.
  if (CFATTableAnalyser::IsValidFATTableFirstSector(bytes, tableType) ||
      (CFAT12Table::CheckFATHeader(bytes) && m_candidates.IsFAT12TablePosition(sector))) {
    m_candidates.UpdateFATTableInfo(sector);
    return;
  }
  CFATFolderAnalyser folder(m_bytesPerSector);
  if (!folder.AnalyseSector(bytes)) return;
  FIRSTFOLDERSECTOR record;
  record.sector = sector;
  if (folder.GetKind() == CFATFolderAnalyser::kDirectoryFirstSector) {
    m_candidates.AnalyzeFATSubFolderFirstSector(sector, folder.GetCurrentCluster());
    record.currentCluster = folder.GetCurrentCluster();
    record.parentCluster = folder.GetParentCluster();
  }
  m_folderSectors.Add(record);
}

void CFATCompleteFSearcher::AddSearchedPartitionInfoList2(std::vector<CFATSearchedPartitionInfo*>& out) {
  m_candidates.AddSearchedPartitionInfoList2(out);
}

void CFATCompleteFSearcher::EndSearch(int buildTree) {
  if (buildTree == 0) return;
  AddSearchedPartitionInfoList2(m_partitions);
  if (m_partitions.empty() || m_builder == nullptr) return;
  m_builder->AddSearcherInfo(SEARCHER_FAT, 0);
  for (CFATSearchedPartitionInfo* partition : m_partitions) CompleteBulidDirectoryTree(*partition);
  m_builder->SetPartitonDevice(nullptr, m_device);
  m_builder->FlashBuild(SEARCHER_FAT);
  m_folderSectors.Clear();
}

quellsy::ResultCode CFATCompleteFSearcher::CompleteBulidDirectoryTree(CFATSearchedPartitionInfo& partition) {
  const std::uint32_t flags = partition.GetFlags();
  IFATTable* table = IFATTableFactory::CreateFATTable(
      m_device, partition.GetStartSector() + partition.GetReservedSectors(), partition.GetFileSystemType(),
      partition.GetSectorsPerFAT(), (flags & CFATSearchedPartitionInfo::kFlagFirstFATCopy) != 0,
      (flags & CFATSearchedPartitionInfo::kFlagSecondFATCopy) != 0);
  if (table == nullptr) return quellsy::fatsearch::kCompleteNoFatTable;

  FATBuildWorkerLayout layout;
  FATBuildGeometry& geometry = layout.geometry;
  geometry.type = partition.GetFileSystemType();
  geometry.sectorsPerCluster = partition.GetSectorsPerCluster();
  geometry.firstDataSector = static_cast<std::uint64_t>(partition.GetClusterOrigin());
  geometry.totalSectors = partition.GetTotalSectors();
  layout.startSector = static_cast<std::uint64_t>(partition.GetStartSector());
  layout.bootSectorKnown = partition.HasAnyFlag(CFATSearchedPartitionInfo::kBootFlags);
  geometry.rootStartSector = FATBuildWorkerLayout::kNoRootSector;
  if (layout.bootSectorKnown && geometry.type == FILE_SYSTEM_FAT32) {
    geometry.rootCluster = partition.GetRootInfo();
  } else if (layout.bootSectorKnown) {
    geometry.rootStartSector =
        layout.startSector + partition.GetReservedSectors() + 2ull * partition.GetSectorsPerFAT();
    geometry.rootSectorCount = partition.GetRootInfo();
  }
  CFATBuildWorker worker(m_builder, m_progress, &partition, m_device, table, layout);
  worker.SetFileSectorMap(m_fileSectorMap);
  worker.CompleteBuildDirectoryTree(m_folderSectors);
  IFATTableFactory::DestroyFATTable(table);
  return quellsy::kResultOk;
}

ICompleteFileSystemSearchController* CreateFATSearcher() { return new (std::nothrow) CFATCompleteFSearcher(); }
