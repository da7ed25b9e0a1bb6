#include "FATSearch/CFATPartitionCandidates.h"

#include <algorithm>
#include <array>

#include "FATLib/CTempFATDBR.h"

namespace {

using Info = CFATSearchedPartitionInfo;

// How big a FAT's entries are (in half-bytes) and how many clusters the type allows.
struct TypeRule {
  enumFILE_SYSTEM_TYPE type;
  std::uint64_t entryHalfBytes;
  std::uint64_t minClusters;
  std::uint64_t clusterLimit;  // exclusive
  std::uint32_t bootFlag;
};

constexpr std::array<TypeRule, 3> kTypeRules{{
    {FILE_SYSTEM_FAT12, 3, 1, 0xFF5, Info::kFlagFAT12Boot},
    {FILE_SYSTEM_FAT16, 4, 0xFF5, 0xFFF4, Info::kFlagFAT16Boot},
    {FILE_SYSTEM_FAT32, 8, 0xFFF4, 0x0FFFFFF4, Info::kFlagFAT32Boot},
}};

const TypeRule* RuleOf(enumFILE_SYSTEM_TYPE type) {
  const auto found =
      std::find_if(kTypeRules.begin(), kTypeRules.end(), [type](const TypeRule& rule) { return rule.type == type; });
  return found == kTypeRules.end() ? nullptr : &*found;
}

bool InRange(const TypeRule& rule, std::uint64_t clusters) {
  return clusters >= rule.minClusters && clusters < rule.clusterLimit;
}

// Sectors a FAT of that many clusters needs.
std::uint64_t FATSectorsFor(const TypeRule& rule, std::uint64_t clusters, std::uint32_t bytesPerSector) {
  const std::uint64_t halfBytesPerSector = 2ull * bytesPerSector;
  return (clusters * rule.entryHalfBytes + halfBytesPerSector - 1) / halfBytesPerSector;
}

constexpr std::array<std::uint32_t, 8> kClusterSizes{1, 2, 4, 8, 16, 32, 64, 128};
// A FAT16 root folder inferred without a boot sector: 16 KiB (512 entries).
constexpr std::uint64_t kInferredRootBytes = 16384;
// Inferred partitions: one reserved sector, two FATs, FAT32 root at cluster 2.
constexpr std::uint16_t kInferredReserved = 1;
constexpr std::uint32_t kInferredFAT32Root = 2;

}  // namespace

void CFATPartitionCandidates::SetDevice(long long totalSectors, std::uint32_t bytesPerSector) {
  m_deviceSectors = std::max(totalSectors, 0LL);
  m_bytesPerSector = bytesPerSector != 0 ? bytesPerSector : 512;
}

void CFATPartitionCandidates::Clear() {
  m_fatPositions.clear();
  m_candidates.clear();
}

void CFATPartitionCandidates::AddCandidate(FATSearchedPartitionInfoPtr candidate, bool withFATs) {
  if (!candidate || m_candidates.size() >= m_capacity) return;
  CFATSearchedPartitionInfo* info = candidate.get();
  m_candidates.emplace(info->GetClusterOrigin(), std::move(candidate));
  if (!withFATs) return;
  const long long firstFAT = info->GetStartSector() + info->GetReservedSectors();
  m_fatPositions.emplace(firstFAT, FATTableInfo{info, false});
  m_fatPositions.emplace(firstFAT + static_cast<long long>(info->GetSectorsPerFAT()), FATTableInfo{info, true});
}

FATSearchedPartitionInfoPtr CFATPartitionCandidates::BuildPartitionInfoAccordingFATDBR(long long sector,
                                                                                       const CTempFATDBR& dbr,
                                                                                       int backup) const {
  const TypeRule* rule = RuleOf(dbr.GetFileSystemType());
  if (rule == nullptr || sector < 0 || sector >= m_deviceSectors) return nullptr;
  const std::uint32_t sectorsPerCluster = dbr.GetSectorsperCluster();
  const std::uint64_t sectorsPerFat = dbr.GetSectorsPerFat();
  if (sectorsPerCluster == 0) return nullptr;
  const bool fat32 = rule->type == FILE_SYSTEM_FAT32;
  const std::uint64_t rootSectors = fat32 ? 0 : std::uint64_t{dbr.GetRootEntries()} * 32 / m_bytesPerSector;
  // Every term is at most 32 bits wide, so the sums stay far inside 64 bits.
  const long long origin = sector + dbr.GetReservedSector() +
                           static_cast<long long>(std::uint64_t{dbr.GetNumberOfFat()} * sectorsPerFat + rootSectors);
  // The type follows the boot sector's own geometry, not what is left of it on the device: a partial dump of a
  // failing card keeps its type. Only the reads are limited to the device.
  const long long stated = dbr.GetTotalSectors();
  const long long total = std::min<long long>(stated, m_deviceSectors - sector);
  const long long dataSectors = stated - (origin - sector);
  if (dataSectors < 1) return nullptr;
  const std::uint64_t clusters = static_cast<std::uint64_t>(dataSectors) / sectorsPerCluster;
  if (!InRange(*rule, clusters) || sectorsPerFat < FATSectorsFor(*rule, clusters, m_bytesPerSector)) return nullptr;
  if (fat32 && clusters < dbr.GetRootDirStartCluster()) return nullptr;

  FATSearchedPartitionInfoPtr info(CreateFATSearchedPartitionInfo(m_bytesPerSector));
  if (!info) return nullptr;
  info->SetFileSystemType(rule->type);
  info->SetSectorsPerCluster(sectorsPerCluster);
  info->SetClusterOrigin(origin);
  info->SetStartSector(sector);
  info->SetTotalSectors(static_cast<std::uint64_t>(total));
  info->SetReservedSectors(dbr.GetReservedSector());
  info->SetSectorsPerFAT(static_cast<std::uint32_t>(sectorsPerFat));
  info->SetTotalClusters(static_cast<std::uint32_t>(clusters));
  info->SetRootInfo(fat32 ? dbr.GetRootDirStartCluster() : static_cast<std::uint32_t>(rootSectors));
  if (backup == 0)
    info->MergeFlag(rule->bootFlag);
  else if (fat32)
    info->MergeFlag(Info::kFlagFAT32Backup);
  return info;
}

bool CFATPartitionCandidates::AnalyzeFATDBRSector(long long sector, quellsy::ByteSpan bytes) {
  CTempFATDBR dbr(bytes, m_bytesPerSector);
  if (!dbr.AdmitFAT12()) return false;
  FATSearchedPartitionInfoPtr primary = BuildPartitionInfoAccordingFATDBR(sector, dbr, 0);
  bool recognised = primary != nullptr;
  AddCandidate(std::move(primary), true);
  if (dbr.GetFileSystemType() != FILE_SYSTEM_FAT32 || sector < kBackupBootSector) return recognised;
  FATSearchedPartitionInfoPtr backup = BuildPartitionInfoAccordingFATDBR(sector - kBackupBootSector, dbr, 1);
  if (!backup) return recognised;
  if (CFATSearchedPartitionInfo* matched =
          FindMatchedPartitionInfo(backup->GetClusterOrigin(), backup->GetSectorsPerCluster())) {
    matched->MergeFlag(Info::kFlagFAT32Backup);
  } else {
    AddCandidate(std::move(backup), true);
  }
  return true;
}

void CFATPartitionCandidates::UpdateFATTableInfo(long long sector) {
  const auto [first, last] = m_fatPositions.equal_range(sector);
  for (auto position = first; position != last; ++position) {
    const FATTableInfo& table = position->second;
    table.candidate->MergeFlag(table.second ? Info::kFlagSecondFAT | Info::kFlagSecondFATCopy
                                            : Info::kFlagFirstFAT | Info::kFlagFirstFATCopy);
  }
  m_fatPositions.erase(m_fatPositions.begin(), last);
}

bool CFATPartitionCandidates::IsFAT12TablePosition(long long sector) const {
  const auto [first, last] = m_fatPositions.equal_range(sector);
  return std::any_of(first, last, [](const auto& position) {
    return position.second.candidate->GetFileSystemType() == FILE_SYSTEM_FAT12;
  });
}

CFATSearchedPartitionInfo* CFATPartitionCandidates::FindMatchedPartitionInfo(long long origin,
                                                                             std::uint32_t sectorsPerCluster) const {
  const auto [first, last] = m_candidates.equal_range(origin);
  for (auto candidate = first; candidate != last; ++candidate)
    if (candidate->second->GetSectorsPerCluster() == sectorsPerCluster) return candidate->second.get();
  return nullptr;
}

bool CFATPartitionCandidates::AnalyzeFATSubFolderFirstSector(long long sector, std::uint32_t cluster) {
  // A "." entry below cluster 2 fits no cluster grid.
  if (cluster < 2) return true;
  for (const std::uint32_t size : kClusterSizes) {
    const long long origin = sector - static_cast<long long>(cluster - 2) * size;
    if (origin < 0) continue;
    if (CFATSearchedPartitionInfo* matched = FindMatchedPartitionInfo(origin, size)) {
      matched->MergeFlag(Info::kFlagSubFolder);
      matched->SetSecondCounter(matched->GetSecondCounter() + 1);
      return true;
    }
  }
  for (const std::uint32_t size : kClusterSizes)
    AddCandidate(BuildPartitionInfoAccordingtoSubFolder(sector, cluster, size), false);
  return true;
}

std::optional<CFATPartitionCandidates::InferredLayout> CFATPartitionCandidates::IsValidFileSystem(
    long long origin, std::uint32_t sectorsPerCluster, enumFILE_SYSTEM_TYPE type) const {
  const TypeRule* rule = RuleOf(type);
  if (rule == nullptr || sectorsPerCluster == 0 || origin < 0 || origin >= m_deviceSectors) return std::nullopt;
  InferredLayout layout;
  layout.clusters = static_cast<std::uint64_t>(m_deviceSectors - origin) / sectorsPerCluster;
  if (!InRange(*rule, layout.clusters)) return std::nullopt;
  layout.fatSectors = FATSectorsFor(*rule, layout.clusters, m_bytesPerSector);
  // Beyond 2^32 sectors the cut below exceeds every type's cluster limit anyway; the bound keeps it in 64 bits.
  const std::uint64_t halfOrigin = std::min<std::uint64_t>(static_cast<std::uint64_t>(origin / 2), 1ull << 32);
  if (halfOrigin < layout.fatSectors) {
    // The rest of the disk is more than the two FATs before the origin could map: the partition ends earlier,
    // with as many clusters as those FATs hold.
    layout.clusters = halfOrigin * m_bytesPerSector * 2 / rule->entryHalfBytes;
    if (!InRange(*rule, layout.clusters)) return std::nullopt;
    layout.fatSectors = FATSectorsFor(*rule, layout.clusters, m_bytesPerSector);
  }
  layout.start = origin - static_cast<long long>(2 * layout.fatSectors) - kInferredReserved;
  if (layout.start < 0) return std::nullopt;
  if (type == FILE_SYSTEM_FAT16) {
    layout.rootSectors =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(layout.start), kInferredRootBytes / m_bytesPerSector);
    layout.start -= static_cast<long long>(layout.rootSectors);
  }
  return layout;
}

FATSearchedPartitionInfoPtr CFATPartitionCandidates::BuildPartitionInfoAccordingtoSubFolder(
    long long sector, std::uint32_t cluster, std::uint32_t sectorsPerCluster) const {
  if (cluster < 2) return nullptr;
  const long long origin = sector - static_cast<long long>(cluster - 2) * sectorsPerCluster;
  enumFILE_SYSTEM_TYPE type = FILE_SYSTEM_FAT32;
  std::optional<InferredLayout> layout = IsValidFileSystem(origin, sectorsPerCluster, type);
  if (!layout) {
    type = FILE_SYSTEM_FAT16;
    layout = IsValidFileSystem(origin, sectorsPerCluster, type);
  }
  if (!layout) return nullptr;

  FATSearchedPartitionInfoPtr info(CreateFATSearchedPartitionInfo(m_bytesPerSector));
  if (!info) return nullptr;
  info->SetFileSystemType(type);
  info->SetSectorsPerCluster(sectorsPerCluster);
  info->SetClusterOrigin(origin);
  info->SetStartSector(layout->start);
  info->SetTotalSectors(layout->clusters * sectorsPerCluster + layout->rootSectors + 2 * layout->fatSectors +
                        kInferredReserved);
  info->SetReservedSectors(kInferredReserved);
  info->SetSectorsPerFAT(static_cast<std::uint32_t>(layout->fatSectors));
  info->SetTotalClusters(static_cast<std::uint32_t>(layout->clusters));
  info->SetRootInfo(type == FILE_SYSTEM_FAT32 ? kInferredFAT32Root : static_cast<std::uint32_t>(layout->rootSectors));
  info->MergeFlag(Info::kFlagSubFolder);
  return info;
}

std::uint64_t CFATPartitionCandidates::Score(const CFATSearchedPartitionInfo& candidate) {
  const bool firstFAT = candidate.HasAnyFlag(Info::kFlagFirstFAT);
  const bool secondFAT = candidate.HasAnyFlag(Info::kFlagSecondFAT);
  const std::uint64_t fatPart = firstFAT && secondFAT ? 50 : firstFAT || secondFAT ? 45 : 10;
  if (candidate.GetFileSystemType() == FILE_SYSTEM_FAT32) {
    const bool boot = candidate.HasAnyFlag(Info::kFlagFAT32Boot);
    const bool backup = candidate.HasAnyFlag(Info::kFlagFAT32Backup);
    return fatPart + (boot && backup ? 50 : boot || backup ? 45 : 10);
  }
  return fatPart + (candidate.HasAnyFlag(Info::kFlagFAT12Boot | Info::kFlagFAT16Boot) ? 50 : 10);
}

void CFATPartitionCandidates::AddSearchedPartitionInfoList2(std::vector<CFATSearchedPartitionInfo*>& out) {
  std::uint16_t kept = 0;
  for (auto& [origin, candidate] : m_candidates) {
    const bool voted = candidate->GetSecondCounter() > 0;
    const bool credible = candidate->HasAnyFlag(Info::kBootFlags)
                              ? voted || candidate->HasAnyFlag(Info::kFlagFirstFAT | Info::kFlagSecondFAT)
                              : voted;
    // Partition indices are 16 bits wide; 0xFFFF means "none".
    if (!credible || kept == 0xFFFF) continue;
    candidate->SetFlag(Score(*candidate));
    candidate->SetPartitionIndex(kept++);
    out.push_back(candidate.release());
  }
  Clear();
}
