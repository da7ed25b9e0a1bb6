#include "FATLib/CFAT32FirstClusterRepair.h"

#include "FATLib/CFATFileProperties.h"
#include "FATLib/CFATFolderAnalyser.h"
#include "FATLib/CTempFATDirEntry.h"
#include "include/IStorageDevice.h"

namespace {

constexpr std::uint64_t kBandMask = ~std::uint64_t{0xFFFF};
constexpr std::uint64_t kTailSectors = 10;
// Tries of TryGetRealFirstNum (candidates: one fewer).
constexpr int kTriesNearExpected = 10;
constexpr int kTriesFile = 35;
constexpr int kTriesFolder = 50;
constexpr int kTriesFileClash = 40;
constexpr int kResolvePasses = 10;
// Past this the last repaired file lies far enough in that a deleted folder is also looked for near it.
constexpr std::uint64_t kFarNextExpected = 0x310000;

std::uint64_t High(std::uint64_t cluster) { return cluster >> 16; }

// The text after the name's last dot; empty without one.
std::string ExtensionOf(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  if (name.size() < 2 || dot == std::string::npos) return {};
  return name.substr(dot + 1);
}

}  // namespace

CFAT32FirstClusterRepair::CFAT32FirstClusterRepair(IStorageDevice* device, const FATBuildGeometry& geometry)
    : m_device(device), m_geometry(geometry), m_contentTest(device, geometry) {
  const unsigned sectorSize = device != nullptr ? device->GetSectorSize() : 0;
  m_bytesPerSector = sectorSize != 0 ? sectorSize : 512;
}

void CFAT32FirstClusterRepair::ReverseDelFileFirstNum(CTempFATDirEntry& entry, std::uint64_t expectedIn,
                                                      std::uint64_t& expected, CFATFileProperties& properties,
                                                      bool parentRepaired) {
  std::uint64_t cluster = entry.GetFirstClusterNO();
  const bool isFolder = entry.IsDirectory();
  const bool erased = entry.IsErased();
  bool repairedFile = false;
  // Without a first cluster there is nothing to look for (an empty file, or a broken entry).
  if (cluster >= 2) {
    if (!isFolder && erased && cluster < kBand) {
      RepairDeletedFile(entry, cluster, expectedIn, expected, properties, parentRepaired);
      repairedFile = true;
    } else if (isFolder && !erased) {
      m_folderNames.insert_or_assign(cluster, properties.Name());
    } else if (isFolder && erased) {
      RepairDeletedFolder(entry, cluster, properties);
    }
  }
  entry.SetFirstClusterNO(cluster);
  const std::uint64_t clusterBytes = std::uint64_t{m_bytesPerSector} * m_geometry.sectorsPerCluster;
  const auto size = static_cast<std::uint64_t>(properties.GetFileSize());
  expected = cluster + (clusterBytes != 0 ? (size + clusterBytes - 1) / clusterBytes : 0);
  if (!isFolder && (repairedFile || cluster > kBand)) m_nextExpected = expected;
  if (expected < expectedIn) expected = expectedIn;
  properties.SetFirstCluster(static_cast<long long>(cluster));
}

void CFAT32FirstClusterRepair::RepairDeletedFile(CTempFATDirEntry& entry, std::uint64_t& cluster,
                                                 std::uint64_t expectedIn, std::uint64_t expected,
                                                 const CFATFileProperties& properties, bool parentRepaired) {
  m_contentTest.SetLastExtension(ExtensionOf(properties.Name()));
  const std::uint64_t low = cluster;
  if (expectedIn == 0 || High(expected) != High(expectedIn) || parentRepaired) {
    // Where the folder's clusters do not tell, the content does.
    bool found = false;
    std::uint64_t real = TryGetRealFirstNum((expected & kBandMask) + low, found, kTriesNearExpected, false);
    if (!found) real = TryGetRealFirstNum(low, found, kTriesFile, false);
    if (!found) real = low;
    if (!found && real <= 0xFFFF && expected > kBand)
      cluster = real + (expected & kBandMask);
    else if (!found && real < kBand && expectedIn > kBand && !parentRepaired)
      cluster = real + (expectedIn & kBandMask);
    else
      cluster = real;
    return;
  }
  // The file is taken to lie in its folder's band.
  cluster = low + (expectedIn & kBandMask);
  if (cluster >= kBand) return;
  bool found = false;
  std::uint64_t real = TryGetRealFirstNum(cluster, found, kTriesFile, false);
  if (found && High(real) != High(expectedIn)) {
    bInDelFileOrDIRMap(real, entry, properties, false);
    cluster = real;
  }
}

void CFAT32FirstClusterRepair::RepairDeletedFolder(CTempFATDirEntry& entry, std::uint64_t& cluster,
                                                   const CFATFileProperties& properties) {
  if (bEffectiveDIRFDT(cluster)) {
    bInDelFileOrDIRMap(cluster, entry, properties, true);
    return;
  }
  // An intact high word is not what a cleared one looks like: the folder's cluster was reused, and a folder
  // found in another band would be someone else's.
  if (cluster >= kBand) return;
  bool found = false;
  const std::uint64_t real = TryGetRealFirstNum(cluster, found, kTriesFolder, true);
  if (found) {
    cluster = real;
    bInDelFileOrDIRMap(cluster, entry, properties, true);
    return;
  }
  if (m_nextExpected <= kFarNextExpected) return;
  const std::uint64_t nearExpected =
      TryGetRealFirstNum(cluster + (m_nextExpected & kBandMask), found, kTriesFolder, true);
  if (found) {
    cluster = nearExpected;
    m_nextExpected = nearExpected;
  }
}

bool CFAT32FirstClusterRepair::bEffectiveDIRFDT(std::uint64_t cluster) {
  const std::uint64_t sector = m_geometry.ClusterToSector(cluster);
  const long long total = m_device != nullptr ? m_device->GetTotalSectors() : 0;
  if (sector == 0 || total < static_cast<long long>(kTailSectors) ||
      sector > static_cast<std::uint64_t>(total) - kTailSectors)
    return false;
  m_sector.assign(m_bytesPerSector, 0);
  if (!m_device->ReadSector(m_sector.data(), static_cast<long long>(sector), 1)) return false;
  const quellsy::MutableByteSpan bytes(m_sector);
  return CFATFolderAnalyser::IsCurDirFileName(bytes.subspan(0, CTempFATDirEntry::kSize)) &&
         CFATFolderAnalyser::IsParentDirFileName(bytes.subspan(CTempFATDirEntry::kSize, CTempFATDirEntry::kSize));
}

std::uint64_t CFAT32FirstClusterRepair::TryGetRealFirstNum(std::uint64_t start, bool& found, int tries,
                                                           bool isFolder) {
  found = false;
  const long long total = m_device != nullptr ? m_device->GetTotalSectors() : 0;
  for (int k = 0; k + 1 < tries; ++k) {
    const std::uint64_t candidate = start + static_cast<std::uint64_t>(k) * kBand;
    // Later candidates lie further out still.
    if (m_geometry.ClusterToSector(candidate) >= static_cast<std::uint64_t>(total)) break;
    const bool accepted =
        isFolder ? bEffectiveDIRFDT(candidate) : !m_contentTest.bReviseFAT32FileFirstClu(candidate, false);
    if (accepted) {
      found = true;
      return candidate;
    }
  }
  return start;
}

bool CFAT32FirstClusterRepair::bInDelFileOrDIRMap(std::uint64_t& cluster, CTempFATDirEntry& entry,
                                                  const CFATFileProperties& properties, bool isFolder) {
  auto& names = isFolder ? m_folderNames : m_fileNames;
  const std::string& name = properties.Name();
  std::uint64_t candidate = cluster;
  bool claimable = true;
  for (int pass = 0; pass < kResolvePasses; ++pass) {
    const auto held = names.find(candidate);
    if (held == names.end()) {
      if (!claimable) return false;
      names.emplace(candidate, name);
      entry.SetFirstClusterNO(candidate);
      cluster = candidate;
      return true;
    }
    if (held->second == name) return false;
    bool found = false;
    const std::uint64_t further =
        TryGetRealFirstNum(candidate + kBand, found, isFolder ? kTriesFolder : kTriesFileClash, isFolder);
    claimable = found;
    if (found)
      candidate = further;
    else if (candidate < m_nextExpected)
      candidate = (m_nextExpected & kBandMask) + (candidate & 0xFFFF);
    else
      return false;
  }
  return false;
}
