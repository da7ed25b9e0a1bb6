#include "FATLib/CFATClusterContentTest.h"

#include <strings.h>

#include <algorithm>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/RawFileExtName.h"
#include "RAWSearch/Registry/RawAnalyserLookup.h"
#include "Utility/ByteReader.h"
#include "include/IStorageDevice.h"

namespace {

// Sectors at the device's end that are never taken for a file's start.
constexpr std::uint64_t kTailSectors = 10;
constexpr std::size_t kAnalyserSlack = 4096;
constexpr std::uint64_t kAcceptWithoutTest = 0x10000;
constexpr std::size_t kPeOffsetField = 0x3C;
// The candidates of one deleted file lie a band (0x10000 clusters) apart, one in every band of the volume, and
// those of the next deleted file lie beside them: with a window held for every band, each window is read once
// for a whole run of deleted files instead of once per file. The windows shrink as the bands grow in number, so
// that all of them together stay within kAroundBytes.
constexpr std::uint32_t kAroundWindowBytes = 128 * 1024;
constexpr std::size_t kAroundMinWindows = 64;
constexpr std::size_t kAroundMaxWindows = 1024;
constexpr std::uint64_t kAroundBytes = 16 * 1024 * 1024;
constexpr std::uint64_t kBandClusters = 0x10000;

std::uint32_t SectorSizeOf(IStorageDevice* device) {
  const unsigned sectorSize = device != nullptr ? device->GetSectorSize() : 0;
  return sectorSize != 0 ? sectorSize : 512;
}

std::uint64_t DeviceSectors(IStorageDevice* device) {
  return device != nullptr ? static_cast<std::uint64_t>(std::max(0LL, device->GetTotalSectors())) : 0;
}

std::size_t AroundWindows(IStorageDevice* device, const FATBuildGeometry& geometry) {
  const std::uint64_t sectors = DeviceSectors(device);
  const std::uint64_t clusters =
      geometry.sectorsPerCluster == 0 || sectors <= geometry.firstDataSector
          ? 0
          : (sectors - geometry.firstDataSector) / geometry.sectorsPerCluster;
  return static_cast<std::size_t>(
      std::clamp<std::uint64_t>(clusters / kBandClusters + 2, kAroundMinWindows, kAroundMaxWindows));
}

std::uint32_t AroundWindowBytes(std::size_t windows, std::uint32_t sectorSize) {
  const std::uint64_t share = kAroundBytes / windows / sectorSize * sectorSize;
  return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(share, sectorSize, kAroundWindowBytes));
}

}  // namespace

CFATClusterContentTest::CFATClusterContentTest(IStorageDevice* device, const FATBuildGeometry& geometry)
    : m_device(device),
      m_geometry(geometry),
      m_bytesPerSector(SectorSizeOf(device)),
      m_around(device, 0, DeviceSectors(device), m_bytesPerSector,
               AroundWindowBytes(AroundWindows(device, geometry), m_bytesPerSector), AroundWindows(device, geometry)) {}

void CFATClusterContentTest::SetAnalysers(const CRawFileAnalyserListSingle::AnalyserList& list,
                                          const CRawFileAnalyserListSingle::AnalyserMap& map,
                                          const CRawFileAnalyserListSingle::AnalyserMultimap& multimap) {
  m_list = list;
  m_map = map;
  m_multimap = multimap;
}

bool CFATClusterContentTest::IniRawDllValue() {
  if (!m_list.empty() || !m_map.empty() || !m_multimap.empty()) return true;
  CRawFileAnalyserListSingle* registry = CRawFileAnalyserListSingle::CreateInstance();
  if (registry == nullptr) return true;
  m_list = registry->GetAnalyserList(CRawFileAnalyserListSingle::kReferenceSet);
  m_map = registry->GetAnalyserMap(CRawFileAnalyserListSingle::kReferenceSet);
  m_multimap = registry->GetAnalyserMultimap(CRawFileAnalyserListSingle::kReferenceSet);
  return true;
}

bool CFATClusterContentTest::bReviseFAT32FileFirstClu(std::uint64_t candidate, bool flag) {
  if (!IniRawDllValue()) return false;
  if (candidate > kAcceptWithoutTest && flag) return false;
  const std::uint64_t sector = m_geometry.ClusterToSector(candidate);
  return m_quickScan ? RejectedByFileSectorMap(sector) : RejectedByContent(sector);
}

bool CFATClusterContentTest::RejectedByFileSectorMap(std::uint64_t sector) const {
  if (m_fileSectorMap == nullptr || m_fileSectorMap->empty()) return true;
  const auto found = m_fileSectorMap->find(static_cast<long long>(sector));
  if (found == m_fileSectorMap->end()) return true;
  if (m_lastExtension.empty()) return false;
  const char* extension = RawFileExtension(found->second);
  return extension == nullptr || strcasecmp(extension, m_lastExtension.c_str()) != 0;
}

bool CFATClusterContentTest::RejectedByContent(std::uint64_t sector) {
  if (m_device == nullptr || sector == 0) return true;
  const long long total = m_device->GetTotalSectors();
  if (total < static_cast<long long>(kTailSectors) || sector > static_cast<std::uint64_t>(total) - kTailSectors)
    return true;
  m_sector.assign(m_bytesPerSector + kAnalyserSlack, 0);
  // A window that cannot be read whole says nothing of this sector: it is then read alone.
  if (!m_around.Read(sector * m_bytesPerSector, std::span<std::uint8_t>(m_sector).first(m_bytesPerSector)) &&
      !m_device->ReadSector(m_sector.data(), static_cast<long long>(sector), 1))
    return true;
  const quellsy::ByteSpan bytes(m_sector.data(), m_bytesPerSector);
  const std::uint32_t leadingWord = quellsy::le32(bytes, 0).value_or(0);
  if (leadingWord != 0 && m_map.count(leadingWord) != 0) return false;
  CRawFileInfo::SearchContext context;
  context.llBufferFirstSector = static_cast<long long>(sector);
  context.llBlockEndSector = static_cast<long long>(sector) + 1;
  CRawFileInfo multimapScratch;
  if (GetAnalyserFromMultiMap(m_multimap, m_sector.data(), multimapScratch, m_bytesPerSector,
                              static_cast<long long>(sector), context) != nullptr)
    return false;
  CRawFileInfo listScratch;
  if (GetAnalyserFromList(m_list, m_sector.data(), listScratch) != nullptr) return false;
  return !IsPortableExecutable();
}

bool CFATClusterContentTest::IsPortableExecutable() const {
  const quellsy::ByteSpan bytes(m_sector.data(), m_bytesPerSector);
  if (quellsy::le16(bytes, 0) != std::uint16_t{0x5A4D}) return false;  // "MZ"
  const auto offset = quellsy::le32(bytes, kPeOffsetField);
  return offset && quellsy::le16(bytes, *offset) == std::uint16_t{0x4550};  // "PE"
}
