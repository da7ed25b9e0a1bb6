#include "ExFat/CFDTPreAnaylze.h"

#include <algorithm>

#include "ExFat/ExFatDirEntry.h"
#include "Utility/TextConvert.h"

using quellsy::ByteSpan;
using quellsy::FieldReader;

namespace {

constexpr std::uint32_t kMaxLabelChars = 11;
constexpr std::uint32_t kLastCluster = 0xFFFFFFF5;
// Cut sets and heads waiting for their other half; the oldest go first beyond this many.
constexpr std::size_t kMaxWaiting = 4096;

void Keep(std::map<std::int64_t, std::vector<std::uint8_t>>& waiting, std::int64_t key, quellsy::ByteSpan bytes) {
  if (waiting.size() >= kMaxWaiting && waiting.count(key) == 0) waiting.erase(waiting.begin());
  waiting[key].assign(bytes.begin(), bytes.end());
}

bool AllZero(ByteSpan bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

bool IsFileType(std::uint8_t type) { return (type & ~exfat::kInUse) == (exfat::kTypeFile & ~exfat::kInUse); }

bool IsSecondaryType(std::uint8_t type) {
  const std::uint8_t plain = type & ~exfat::kInUse;
  return plain == (exfat::kTypeStream & ~exfat::kInUse) || plain == (exfat::kTypeName & ~exfat::kInUse);
}

// A type the entry loop below takes up; a sector starting with any other ends the loop at its first entry.
bool IsTakenType(std::uint8_t type) {
  return (type & ~exfat::kInUse) == (exfat::kTypeLabel & ~exfat::kInUse) || type == exfat::kTypeBitmap ||
         type == exfat::kTypeUpcase || IsFileType(type) || IsSecondaryType(type);
}

}  // namespace

void CFDTPreAnaylze::PrepareAnayze(std::uint32_t sectorShift, std::uint32_t clusterShift, std::uint64_t totalSectors) {
  m_sectorShift = sectorShift;
  m_clusterShift = clusterShift;
  m_totalSectors = totalSectors;
  m_scratch.PrepareAnayze(sectorShift, clusterShift, totalSectors);
  FinisAnayze();
}

void CFDTPreAnaylze::FinisAnayze() {
  m_current.reset();
  m_notEnd.clear();
  m_abridged.clear();
  m_links.clear();
  m_scratch.Reset();
  m_scratch.TakeRecords();
}

CFileSet& CFDTPreAnaylze::Current() {
  if (!m_current) m_current = std::make_unique<CFileSet>();
  return *m_current;
}

std::int64_t CFDTPreAnaylze::CurrentKey(std::int64_t sector) const {
  return m_current && m_current->m_firstSector >= 0 ? m_current->m_firstSector : sector;
}

bool CFDTPreAnaylze::TakeLabel(ByteSpan entry) {
  FieldReader field(entry);
  const std::uint8_t count = field.u8(1);
  if (!field.ok() || count > kMaxLabelChars) return false;
  std::vector<std::uint16_t> units;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t c = field.le16(2 + 2 * i);
    if (c < 256 && g_u8FileNameCheckTable[c] == 0) return false;
    units.push_back(c);
  }
  if (!AllZero(entry.subspan(2 + 2 * std::size_t{count}))) return false;
  if ((entry[0] & exfat::kInUse) != 0)
    Current().SetLabel(quellsy::Utf16LeToUtf8(units, quellsy::InvalidUtf16::kReplace).value_or(""));
  return true;
}

bool CFDTPreAnaylze::TakeAllocation(ByteSpan entry, bool bitmap) {
  FieldReader field(entry);
  const std::uint32_t first = field.le32(20);
  const std::uint64_t length = field.le64(24);
  if (!field.ok() || first < 2 || first > kLastCluster) return false;
  if ((length >> m_sectorShift) >= m_totalSectors || (length >> m_clusterShift) + first > kLastCluster) return false;
  if (bitmap ? !AllZero(entry.subspan(2, 18)) : !AllZero(entry.subspan(1, 3)) || !AllZero(entry.subspan(8, 12)))
    return false;
  if (bitmap)
    Current().SetBitmap(first, length);
  else
    Current().SetUpcase(first, length);
  return true;
}

void CFDTPreAnaylze::MoveRecords(CEFDTAnalyze& from, CFileSet& to) {
  for (_tagFileBaseInfo& record : from.TakeRecords()) to.AddRecord(std::move(record));
}

bool CFDTPreAnaylze::Analyze(std::int64_t sector, ByteSpan data) {
  const std::size_t sectorBytes = std::size_t{1} << m_sectorShift;
  if (data.size() < sectorBytes) return true;
  // Most sectors hold no directory entry: they only close a set that found nothing, with no set made for them.
  if (!IsTakenType(data[0])) {
    if (m_current && !m_current->HasFiles() && !m_current->IsRoot()) m_current.reset();
    return true;
  }
  const std::size_t entries = sectorBytes / exfat::kEntrySize;
  CFileSet& set = Current();
  bool accepted = false;
  bool labelSeen = false;
  bool bitmapSeen = false;
  bool upcaseSeen = false;
  std::size_t i = 0;
  for (; i < entries; ++i) {
    const ByteSpan entry = data.subspan(i * exfat::kEntrySize, exfat::kEntrySize);
    const std::uint8_t type = entry[0];
    bool plausible = true;
    if ((type & ~exfat::kInUse) == (exfat::kTypeLabel & ~exfat::kInUse)) {
      if (type == exfat::kTypeLabel && labelSeen) break;
      labelSeen = labelSeen || type == exfat::kTypeLabel;
      plausible = TakeLabel(entry);
    } else if (type == exfat::kTypeBitmap || type == exfat::kTypeUpcase) {
      bool& seen = type == exfat::kTypeBitmap ? bitmapSeen : upcaseSeen;
      if (seen) break;
      seen = true;
      plausible = TakeAllocation(entry, type == exfat::kTypeBitmap);
    } else if (IsFileType(type)) {
      CEFDTAnalyze tester;
      tester.PrepareAnayze(m_sectorShift, m_clusterShift, m_totalSectors);
      if (!tester.SetBaseData(entry, sector)) break;
      if (CheckAndRecordNotEnd(data.subspan(i * exfat::kEntrySize), entries - i, sector)) {
        accepted = true;
        break;
      }
      plausible = m_scratch.Analyze(entry, sector);
    } else if (IsSecondaryType(type)) {
      const bool open = m_scratch.HasOpenRecord();
      plausible = m_scratch.Analyze(entry, sector);
      if (plausible && !open && i == 0 && !set.HasFiles()) set.m_flags |= CFileSet::kAbridged;
      MoveRecords(m_scratch, set);
    } else {
      break;
    }
    if (!plausible) break;
    accepted = true;
  }
  if (accepted) {
    if (set.m_firstSector < 0) set.m_firstSector = sector;
    set.m_sectorCount = static_cast<std::uint32_t>(sector + 1 - set.m_firstSector);
    if (set.Has(CFileSet::kAbridged) && set.m_sectorCount == 1) RecordAbrige(sector, data.first(sectorBytes));
  } else if (!set.HasFiles() && !set.IsRoot()) {
    m_current.reset();
  }
  if (i < entries) return true;
  return m_current && (std::uint64_t{m_current->m_sectorCount} << m_sectorShift) == m_current->m_greatestCluster;
}

bool CFDTPreAnaylze::CheckAndRecordNotEnd(ByteSpan entry, std::size_t entriesLeft, std::int64_t sector) {
  const std::size_t total = std::size_t{entry[1]} + 1;
  if (total <= entriesLeft) return false;
  CFileSet& set = Current();
  const std::uint64_t sectorsSoFar = set.m_firstSector >= 0 ? static_cast<std::uint64_t>(sector + 1 - set.m_firstSector) : 1;
  const std::uint16_t checksum = quellsy::le16(entry, 2).value_or(0);
  if ((sectorsSoFar << m_sectorShift) != set.m_greatestCluster &&
      CheckDirEntry(entry, static_cast<std::uint32_t>(total * exfat::kEntrySize), checksum))
    return false;
  set.m_flags |= CFileSet::kNotEnd;
  const std::int64_t key = CurrentKey(sector);
  const ByteSpan cut = entry.first(entriesLeft * exfat::kEntrySize);
  for (auto it = m_abridged.begin(); it != m_abridged.end(); ++it) {
    if (it->first == key || !Joint(cut, it->second)) continue;
    m_links[key] = it->first;
    m_abridged.erase(it);
    return true;
  }
  Keep(m_notEnd, key, cut);
  return true;
}

void CFDTPreAnaylze::RecordAbrige(std::int64_t sector, ByteSpan data) {
  const std::int64_t key = CurrentKey(sector);
  const ByteSpan head = data.first(std::min(kHeadBytes, data.size()));
  for (auto it = m_notEnd.begin(); it != m_notEnd.end(); ++it) {
    if (it->first == key || !Joint(it->second, head)) continue;
    m_links[it->first] = key;
    m_notEnd.erase(it);
    return;
  }
  Keep(m_abridged, key, head);
}

bool CFDTPreAnaylze::Joint(ByteSpan cut, ByteSpan head) {
  if (cut.size() < exfat::kEntrySize) return false;
  const std::size_t total = std::size_t{cut[1]} + 1;
  const std::size_t cutEntries = cut.size() / exfat::kEntrySize;
  const std::uint16_t checksum = quellsy::le16(cut, 2).value_or(0);
  for (std::size_t k = std::min(total - 1, cutEntries); k >= 1; --k) {
    const std::size_t fromHead = total - k;
    if (fromHead * exfat::kEntrySize > head.size()) continue;
    std::vector<std::uint8_t> joined(cut.begin(), cut.begin() + static_cast<std::ptrdiff_t>(k * exfat::kEntrySize));
    joined.insert(joined.end(), head.begin(), head.begin() + static_cast<std::ptrdiff_t>(fromHead * exfat::kEntrySize));
    if (!CheckDirEntry(joined, static_cast<std::uint32_t>(joined.size()), checksum)) continue;
    CEFDTAnalyze reader;
    reader.PrepareAnayze(m_sectorShift, m_clusterShift, m_totalSectors);
    bool plausible = true;
    for (std::size_t e = 0; e < total && plausible; ++e)
      plausible = reader.Analyze(ByteSpan(joined).subspan(e * exfat::kEntrySize, exfat::kEntrySize), 0);
    if (!plausible || reader.Records().empty()) continue;
    MoveRecords(reader, Current());
    return true;
  }
  return false;
}

std::unique_ptr<CFileSet> CFDTPreAnaylze::GetFileSet() {
  std::unique_ptr<CFileSet> set = std::move(m_current);
  if (!set || (!set->HasFiles() && !set->IsRoot())) return nullptr;
  set->CalculateClusterSize(1u << m_sectorShift);
  return set;
}

std::int64_t CFDTPreAnaylze::GetNext(std::int64_t firstSector) const {
  const auto it = m_links.find(firstSector);
  return it != m_links.end() ? it->second : -1;
}

std::int64_t CFDTPreAnaylze::GetLast(std::int64_t firstSector) const {
  for (const auto& [from, to] : m_links)
    if (to == firstSector) return from;
  return -1;
}
