#include "FATSearch/CFATQuickSearcher.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "FATLib/CFATTableAnalyser.h"
#include "FATLib/CTempFATDBR.h"
#include "FATLib/IFATTable.h"
#include "FATLib/IFATTableFactory.h"
#include "FATSearch/CFATBuildWorker.h"
#include "FATSearch/CFATSearchedPartitionInfo.h"
#include "FATSearch/FATSearchErrors.h"
#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"

using namespace quellsy;

namespace {

constexpr std::uint32_t kDefaultSectorSize = 512;
// Larger sector sizes are not real; they would only size a buffer from a bad device record.
constexpr std::uint32_t kMaxSectorSize = 64 * 1024;
constexpr long long kBackupBootSector = 6;
// The evidence bits a mounted volume has: both boot sectors (FAT32) or the one (FAT16), and both FATs.
constexpr std::uint32_t kFat32Flags = 0x3CC;
constexpr std::uint32_t kFat16Flags = 0x3C3;

std::uint32_t SectorSizeOf(IStorageDevice* device) {
  return device != nullptr && device->GetSectorSize() != 0 ? device->GetSectorSize() : kDefaultSectorSize;
}

struct TableDeleter {
  void operator()(IFATTable* table) const { IFATTableFactory::DestroyFATTable(table); }
};

bool ReadFatFirstSector(IStorageDevice* device, std::uint64_t sector, MutableByteSpan buffer) {
  enumFILE_SYSTEM_TYPE type = FILE_SYSTEM_UNKNOWN;
  return device->ReadSector(buffer.data(), static_cast<long long>(sector), 1) &&
         CFATTableAnalyser::IsValidFATTableFirstSector(buffer, type);
}

// A good boot sector whose FATs' first sectors both cannot be read: what failed is the FAT, not the boot sector.
bool FatHeadsUnreadable(IStorageDevice* device, const CTempFATDBR& dbr) {
  if (!dbr.IsValidDBR()) return false;
  std::vector<std::uint8_t> head(SectorSizeOf(device));
  const auto first = static_cast<long long>(dbr.GetReservedSector());
  return !device->ReadSector(head.data(), first, 1) &&
         !device->ReadSector(head.data(), first + dbr.GetSectorsPerFat(), 1);
}

void ReportFinal(IProgress* progress, ResultCode result) {
  if (progress == nullptr) return;
  _PROGRESS_INFO info{};
  info.status = PROGRESS_STATUS_FINISHED;
  info.total = 100;
  info.current = 100;
  info.result = result;
  progress->UpdateProgress(&info);
}

}  // namespace

CFATQuickSearcher::~CFATQuickSearcher() { DestroyPartitionInfos(); }

void CFATQuickSearcher::DestroyPartitionInfos() {
  for (CFATSearchedPartitionInfo* partition : m_partitions) DestroyFATSearchedPartitionInfo(partition);
  m_partitions.clear();
}

int CFATQuickSearcher::GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) {
  if (m_partitions.empty()) return 0;
  if (out == nullptr) return 1;
  if (capacity < 1) return 0;
  out[0] = m_partitions.front()->Clone();
  return out[0] != nullptr ? 1 : 0;
}

bool CFATQuickSearcher::IsFullValidDBR(ByteSpan sector, std::uint64_t start, IStorageDevice* device) {
  const std::uint32_t sectorSize = SectorSizeOf(device);
  const CTempFATDBR dbr(sector, sectorSize);
  if (!dbr.IsValidDBR()) return false;
  const std::uint64_t fatSectors = std::uint64_t{dbr.GetNumberOfFat()} * dbr.GetSectorsPerFat();
  if (fatSectors > dbr.GetTotalSectors() || device == nullptr || sectorSize > kMaxSectorSize) return false;
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[sectorSize]());
  if (!buffer) return false;
  const MutableByteSpan bytes(buffer.get(), sectorSize);
  const std::uint64_t firstFat = start + dbr.GetReservedSector();
  return ReadFatFirstSector(device, firstFat, bytes) ||
         ReadFatFirstSector(device, firstFat + dbr.GetSectorsPerFat(), bytes);
}

unsigned long long CFATQuickSearcher::QuickSearchFiles(IStorageDevice* device, IProgress* progress) {
  bool accepted = false;
  const ResultCode result = Search(device, progress, accepted);
  if (accepted) {
    m_builder->SetPartitonDevice(m_partitions.empty() ? nullptr : m_partitions.front(), device);
    m_builder->FlashBuild(SEARCHER_FAT);
  }
  // Sent on every path, so a scan that failed never looks as if it were still running.
  ReportFinal(progress, result);
  return result;
}

ResultCode CFATQuickSearcher::Search(IStorageDevice* device, IProgress* progress, bool& accepted) {
  if (device == nullptr || progress == nullptr) return fatsearch::kQuickMissingArgument;
  if (m_builder == nullptr) return fatsearch::kQuickNoTreeBuilder;
  if (device->GetType() != STORAGE_DEVICE_VOLUME) return fatsearch::kQuickNotVolume;
  auto* volumeData = dynamic_cast<IVolumeDeviceData*>(device->GetPrivateData());
  if (volumeData == nullptr) return fatsearch::kQuickNoVolumeData;
  const CCollectedVolumeDeviceInfoStruct* record = volumeData->GetVolumeInfo();
  if (record == nullptr) return fatsearch::kQuickNoVolumeRecord;
  const enumFILE_SYSTEM_TYPE volumeType = record->fileSystemType;
  if (volumeType != FILE_SYSTEM_FAT16 && volumeType != FILE_SYSTEM_FAT32) return fatsearch::kQuickUnsupportedType;
  accepted = true;
  // A searcher used again describes the volume of its latest search only.
  DestroyPartitionInfos();

  const std::uint32_t sectorSize = SectorSizeOf(device);
  if (sectorSize > kMaxSectorSize) return fatsearch::kQuickNoSectorBuffer;
  const std::size_t bufferSize = std::max<std::size_t>(sectorSize, CTempFATDBR::kSize);
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[bufferSize]());
  if (!buffer) return fatsearch::kQuickNoSectorBuffer;
  const MutableByteSpan sector(buffer.get(), bufferSize);
  bool valid = device->ReadSector(buffer.get(), 0, 1) && IsFullValidDBR(sector, 0, device);
  if (!valid && volumeType == FILE_SYSTEM_FAT32)
    valid = device->ReadSector(buffer.get(), kBackupBootSector, 1) && IsFullValidDBR(sector, 0, device);
  if (!valid) return FatHeadsUnreadable(device, CTempFATDBR(sector, sectorSize)) ? fatsearch::kQuickNoFatTable
                                                                                 : fatsearch::kQuickNoBootSector;
  const CTempFATDBR dbr(sector, sectorSize);
  const enumFILE_SYSTEM_TYPE type = dbr.GetFileSystemType();
  const bool fat32 = type == FILE_SYSTEM_FAT32;
  const std::uint32_t flags = fat32 ? kFat32Flags : kFat16Flags;

  const std::unique_ptr<IFATTable, TableDeleter> table(
      IFATTableFactory::CreateFATTable(device, dbr.GetReservedSector(), type, dbr.GetSectorsPerFat(),
                                       (flags & CFATSearchedPartitionInfo::kFlagFirstFATCopy) != 0,
                                       (flags & CFATSearchedPartitionInfo::kFlagSecondFATCopy) != 0));
  if (!table) return fatsearch::kQuickNoFatTable;

  FATBuildWorkerLayout layout;
  FATBuildGeometry& geometry = layout.geometry;
  geometry.type = type;
  geometry.sectorsPerCluster = dbr.GetSectorsperCluster();
  const std::uint64_t fatArea = std::uint64_t{dbr.GetReservedSector()} +
                                std::uint64_t{dbr.GetNumberOfFat()} * dbr.GetSectorsPerFat();
  if (fat32) {
    geometry.rootCluster = dbr.GetRootDirStartCluster();
    geometry.firstDataSector = fatArea;
  } else {
    geometry.rootStartSector = fatArea;
    geometry.rootSectorCount = std::uint32_t{dbr.GetRootEntries()} * 32 / sectorSize;
    geometry.firstDataSector = fatArea + geometry.rootSectorCount;
  }
  geometry.totalSectors =
      std::min<std::uint64_t>(dbr.GetTotalSectors(), static_cast<std::uint64_t>(std::max(0LL, device->GetTotalSectors())));
  const std::uint64_t clusters = geometry.totalSectors > geometry.firstDataSector
                                     ? (geometry.totalSectors - geometry.firstDataSector) / geometry.sectorsPerCluster
                                     : 0;

  CFATSearchedPartitionInfo* partition = CreateFATSearchedPartitionInfo(sectorSize);
  if (partition == nullptr) return fatsearch::kQuickNoPartitionInfo;
  m_partitions.push_back(partition);
  partition->SetPartitionIndex(0);
  partition->SetClusterOrigin(static_cast<long long>(geometry.firstDataSector));
  partition->SetSectorsPerCluster(geometry.sectorsPerCluster & 0xFF);
  partition->SetFileSystemType(type);
  partition->SetTotalSectors(geometry.totalSectors);
  partition->SetStartSector(0);
  partition->SetSectorsPerFAT(dbr.GetSectorsPerFat());
  partition->SetTotalClusters(static_cast<std::uint32_t>(clusters));
  partition->SetReservedSectors(dbr.GetReservedSector());
  partition->SetRootInfo(fat32 ? geometry.rootCluster : geometry.rootSectorCount);
  partition->MergeFlag(flags);

  m_builder->AddSearcherInfo(SEARCHER_FAT, 0);
  CFATBuildWorker worker(m_builder, progress, partition, device, table.get(), layout);
  return worker.QuickBuildDirectoryTree(1);
}

IQuickFileSystemSearchController* CreateFATQuickSearcher() { return new (std::nothrow) CFATQuickSearcher(); }
