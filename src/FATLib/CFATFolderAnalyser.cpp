#include "FATLib/CFATFolderAnalyser.h"

#include <algorithm>

#include "FATLib/CFatFolderAnalyzeCB.h"
#include "FATLib/CTempFATDirEntry.h"

namespace {

constexpr std::string_view kCurrentDirName = ".       ";
constexpr std::string_view kParentDirName = "..      ";
constexpr std::string_view kBlankExtension = "   ";
// What the observer is handed in place of a cluster number.
constexpr std::uint32_t kObserverMarker = 0xFFFFFFFF;

bool IsDotEntry(quellsy::ByteSpan bytes, std::string_view name) {
  const CTempFATDirEntry entry = CTempFATDirEntry::ReadOnly(bytes);
  return entry.IsFilenameEqual(name, kBlankExtension) && entry.IsDirectory();
}

}  // namespace

bool CFATFolderAnalyser::IsBlankFATDirEntry(quellsy::ByteSpan entry) {
  return entry.size() >= CTempFATDirEntry::kSize &&
         std::all_of(entry.begin(), entry.begin() + CTempFATDirEntry::kSize, [](std::uint8_t b) { return b == 0; });
}

bool CFATFolderAnalyser::IsCurDirFileName(quellsy::ByteSpan entry) { return IsDotEntry(entry, kCurrentDirName); }

bool CFATFolderAnalyser::IsParentDirFileName(quellsy::ByteSpan entry) {
  return IsDotEntry(entry, kParentDirName);
}

void CFATFolderAnalyser::Clear() {
  m_kind = kNotDirectory;
  m_entryCount = 0;
  m_currentCluster = 0;
  m_parentCluster = 0;
  m_highestCluster = 0;
}

bool CFATFolderAnalyser::AnalyseSector(quellsy::ByteSpan sector, CFatFolderAnalyzeCB* observer, void* context) {
  Clear();
  const std::size_t end = std::min<std::size_t>(m_bytesToAnalyse, sector.size());
  bool dotSeen = false;
  bool dotDotSeen = false;
  bool endedAtBlank = false;
  bool reachedEnd = true;
  std::uint32_t previousCluster = 0xFFFFFFFF;
  std::uint32_t index = 0;
  for (std::size_t offset = 0; offset + CTempFATDirEntry::kSize <= end; offset += CTempFATDirEntry::kSize, ++index) {
    const quellsy::ByteSpan bytes = sector.subspan(offset, CTempFATDirEntry::kSize);
    const CTempFATDirEntry entry = CTempFATDirEntry::ReadOnly(bytes);
    if (!entry.IsValidFATDirEntry(1)) {
      endedAtBlank = IsBlankFATDirEntry(bytes);
      reachedEnd = false;
      break;
    }
    if (entry.IsLongFileNameEntry()) continue;
    const auto cluster = static_cast<std::uint32_t>(entry.GetFirstClusterNO());
    m_highestCluster = std::max(m_highestCluster, cluster);
    if (index == 0 && IsCurDirFileName(bytes)) {
      m_currentCluster = cluster;
      dotSeen = true;
      continue;
    }
    if (index == 1 && IsParentDirFileName(bytes)) {
      m_parentCluster = cluster;
      dotDotSeen = true;
      continue;
    }
    if (observer != nullptr)
      observer->OnDirEntry(*this, entry, kObserverMarker, index, static_cast<std::uint16_t>(dotSeen && dotDotSeen),
                           context);
    if (!entry.IsErased()) {
      // Two live entries in a row sharing a first cluster (two empty files, say) do not make a directory.
      if (cluster == previousCluster) {
        reachedEnd = false;
        break;
      }
      previousCluster = cluster;
    }
    ++m_entryCount;
  }
  if (dotSeen && dotDotSeen) {
    m_kind = kDirectoryFirstSector;
    return true;
  }
  if (m_entryCount != 0 && (reachedEnd || endedAtBlank)) {
    m_kind = kDirectorySector;
    m_currentCluster = 0;
    m_parentCluster = 0;
    return true;
  }
  Clear();
  return false;
}
