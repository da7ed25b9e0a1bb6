#include "NTFSSearch/CMetaFileContentMatcher.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"
#include "NTFSLib/NTFSReferenceTables.h"
#include "NTFSSearch/NTFSSectorRanges.h"
#include "Utility/ByteReader.h"

namespace {
constexpr std::size_t kSector = 512;
// $AttrDef's definitions fill its first five sectors; the rest is zeros, which prove nothing.
constexpr std::size_t kAttrDefSectors = 5;

std::uint64_t Head(const std::uint8_t* bytes) {
  std::uint64_t head = 0;
  std::memcpy(&head, bytes, sizeof head);
  return head;
}

// The $UpCase table's sectors by their first eight bytes. A sector's first unit is mostly its own index x 256,
// but not always (the Georgian small letters at 0x2D00 map below it), so the sector is found by its content.
const std::unordered_multimap<std::uint64_t, std::size_t>& UpCaseSectorsByHead() {
  static const auto* sectors = [] {
    auto* map = new std::unordered_multimap<std::uint64_t, std::size_t>();
    const std::vector<std::uint8_t>& table = quellsy::ntfs::StandardUpCaseFile();
    for (std::size_t at = 0; at + kSector <= table.size(); at += kSector) map->emplace(Head(table.data() + at), at);
    return map;
  }();
  return *sectors;
}
// The first two bytes of every sector a standard content holds, one bit per value: a sector whose first two
// bytes have no bit set equals none of them, and is passed by before any lookup or compare.
using LeadBits = std::array<std::uint64_t, 1024>;

LeadBits LeadsOf(const std::vector<std::uint8_t>& content, std::size_t sectors) {
  LeadBits bits{};
  for (std::size_t at = 0; at / kSector < sectors && at + kSector <= content.size(); at += kSector) {
    const std::uint16_t lead = quellsy::le16(quellsy::ByteSpan(content.data() + at, kSector), 0).value_or(0);
    bits[lead >> 6] |= std::uint64_t{1} << (lead & 63);
  }
  return bits;
}

const LeadBits& UpCaseLeads() {
  static const LeadBits bits = LeadsOf(quellsy::ntfs::StandardUpCaseFile(), SIZE_MAX);
  return bits;
}

const LeadBits& AttrDefLeads() {
  static const LeadBits bits = LeadsOf(quellsy::ntfs::StandardAttrDefFile(), kAttrDefSectors);
  return bits;
}
}  // namespace

void CMetaFileContentMatcher::AnalyzeFileRecord(std::int64_t sector, const CNTFSFileRecord& record) {
  const bool mine = m_kind == Kind::kAttrDef ? CMetaFileRecordTypeAnalyzer::IsAttrDefFileRecord(record)
                                             : CMetaFileRecordTypeAnalyzer::IsUpCaseFileRecord(record);
  if (!mine || m_records.size() >= kMaxEntries) return;
  Record kept{sector, {}};
  std::int64_t realSize = 0;
  if (!CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, kept.runs, true, realSize)) return;
  m_records.push_back(std::move(kept));
}

bool CMetaFileContentMatcher::Matches(quellsy::ByteSpan data) const {
  if (data.size() < kSector) return false;
  const std::uint16_t lead = quellsy::le16(data, 0).value_or(0);
  const LeadBits& leads = m_kind == Kind::kUpCase ? UpCaseLeads() : AttrDefLeads();
  if (((leads[lead >> 6] >> (lead & 63)) & 1) == 0) return false;
  if (m_kind == Kind::kUpCase) {
    const std::vector<std::uint8_t>& table = quellsy::ntfs::StandardUpCaseFile();
    const auto [from, to] = UpCaseSectorsByHead().equal_range(Head(data.data()));
    for (auto it = from; it != to; ++it)
      if (std::memcmp(data.data(), table.data() + it->second, kSector) == 0) return true;
    return false;
  }
  const std::vector<std::uint8_t>& file = quellsy::ntfs::StandardAttrDefFile();
  for (std::size_t i = 0; i < kAttrDefSectors && (i + 1) * kSector <= file.size(); ++i)
    if (std::memcmp(data.data(), file.data() + i * kSector, kSector) == 0) return true;
  return false;
}

void CMetaFileContentMatcher::AddSector(std::int64_t sector) {
  if (!m_ranges.empty()) {
    auto& last = m_ranges.back();
    if (sector >= last.first && sector < last.first + last.second) return;
    if (sector == last.first + last.second) {
      ++last.second;
      return;
    }
  }
  if (m_ranges.size() < kMaxEntries) m_ranges.emplace_back(sector, 1);
}

void CMetaFileContentMatcher::AnalyzeSector(std::int64_t sector, quellsy::ByteSpan data) {
  if (Matches(data)) AddSector(sector);
}

CMetaFileContentMatcher::Match CMetaFileContentMatcher::CalcMatch(std::int64_t origin, std::uint32_t sectorsPerCluster,
                                                                  std::int64_t totalSectors,
                                                                  std::int64_t preferredSector) const {
  Match match;
  const Record* record = nullptr;
  for (const Record& candidate : m_records)
    if (preferredSector >= 0 && candidate.sector == preferredSector) record = &candidate;
  for (const Record& candidate : m_records) {
    if (record != nullptr) break;
    if (candidate.sector >= origin && candidate.sector - origin < totalSectors) record = &candidate;
  }
  if (record == nullptr || sectorsPerCluster == 0) return match;
  match.recordSector = record->sector;
  match.matchCount = quellsy::ntfs::CountSectorsInRanges(record->runs, origin, sectorsPerCluster, totalSectors, m_ranges);
  return match;
}
