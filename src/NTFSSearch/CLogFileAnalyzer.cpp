#include "NTFSSearch/CLogFileAnalyzer.h"

#include <algorithm>

#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CRCRDRecord.h"
#include "NTFSSearch/NTFSSectorRanges.h"
#include "Utility/Prefetch.h"

namespace {
constexpr std::size_t kSector = 512;
constexpr std::int64_t kPageSectors = CRCRDRecord::kPageSize / kSector;
// The $LogFile's record lies four records (two sectors each) after the $MFT's own.
constexpr std::int64_t kLogRecordAfterMft = 4;
}  // namespace

std::int64_t CLogFileAnalyzer::OriginFor(std::int64_t pageSector, const CLogFileInfo& log) {
  const std::int64_t cluster = log.GetFirstCluster();
  if (cluster < 0 || pageSector < 0) return -1;
  const std::int64_t k = log.GetSectorsPerCluster();
  if (cluster > pageSector / k) return -1;
  const std::int64_t origin = pageSector - cluster * k;
  return origin <= pageSector - kPageSectors ? origin : -1;
}

void CLogFileAnalyzer::Propose(const CLogFileInfo& log, std::int64_t pageSector, std::uint32_t flags) {
  const std::int64_t origin = OriginFor(pageSector, log);
  if (origin < 0 || origin >= m_totalSectors) return;
  const auto key = std::make_pair(origin, log.GetSectorsPerCluster());
  if (m_proposals.count(key) == 0 && m_proposals.size() >= kMaxEntries) return;
  m_proposals[key] |= flags;
}

void CLogFileAnalyzer::Withdraw(std::int64_t pageSector, const CLogFileInfo& log, std::uint32_t flags) {
  const std::int64_t origin = OriginFor(pageSector, log);
  const auto at = m_proposals.find(std::make_pair(origin, log.GetSectorsPerCluster()));
  if (at == m_proposals.end()) return;
  at->second &= ~flags;
  if (at->second == 0) m_proposals.erase(at);
}

void CLogFileAnalyzer::AnalyzeRSTRRecord(std::int64_t sector, quellsy::ByteSpan window) {
  if (m_restartPages.size() >= kMaxEntries || !CRestartPage::IsValidRestartRecord(window)) return;
  const bool pair = !m_restartPages.empty() && IsPair(sector, m_restartPages.back());
  for (const CLogFileInfo& log : m_logFiles) {
    if (!pair) {
      Propose(log, sector, kFirstRestartPage);
      if (sector - kPageSectors > 0) Propose(log, sector - kPageSectors, kSecondRestartPage);
      continue;
    }
    // The page before this one was the first: this one is the second, and neither is anything else.
    Propose(log, sector - kPageSectors, kSecondRestartPage);
    Withdraw(sector, log, kFirstRestartPage);
    Withdraw(sector - 2 * kPageSectors, log, kSecondRestartPage);
  }
  m_restartPages.push_back(sector);
}

void CLogFileAnalyzer::AnalyzeLogFileFileRecord(std::int64_t sector, const CNTFSFileRecord& record) {
  if (m_logFiles.size() >= kMaxEntries) return;
  CLogFileInfo log;
  if (!log.Build(record, sector)) return;
  m_logFiles.push_back(log);
  for (std::size_t i = 0; i < m_restartPages.size(); ++i) {
    const std::int64_t page = m_restartPages[i];
    if (i + 1 < m_restartPages.size() && IsPair(m_restartPages[i + 1], page)) {
      Propose(log, page, kFirstRestartPage | kSecondRestartPage);
      ++i;
      continue;
    }
    Propose(log, page, kFirstRestartPage);
    if (page - kPageSectors != 0) Propose(log, page - kPageSectors, kSecondRestartPage);
  }
}

bool CLogFileAnalyzer::IsaMetaFileRecordNotNeedtoCount(const CNTFSFileRecord& record) const {
  return m_logFiles.size() >= kMaxEntries && CMetaFileRecordTypeAnalyzer::IsLogFileRecord(record);
}

void CLogFileAnalyzer::AddRecordPage(std::int64_t firstSector) {
  if (!m_ranges.empty() && m_ranges.back().first + m_ranges.back().second == firstSector) {
    m_ranges.back().second += kPageSectors;
    return;
  }
  if (m_ranges.size() < kMaxEntries) m_ranges.emplace_back(firstSector, kPageSectors);
}

bool CLogFileAnalyzer::TestAndAddPage(quellsy::ByteSpan page, std::int64_t firstSector) {
  if (!CRCRDRecord::IsValid(page)) return false;
  AddRecordPage(firstSector);
  return true;
}

void CLogFileAnalyzer::AnalyzeRCRDRecord(quellsy::ByteSpan block, std::int64_t firstSector, std::size_t count) {
  count = std::min(count, block.size() / kSector);
  std::size_t at = 0;
  if (!m_saved.empty()) {
    const auto savedSectors = static_cast<std::int64_t>(m_saved.size() / kSector);
    if (firstSector == m_savedSector + savedSectors) {
      const std::size_t take = std::min(CRCRDRecord::kPageSize - m_saved.size(), count * kSector);
      m_saved.insert(m_saved.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(take));
      at = take / kSector;
      if (m_saved.size() < CRCRDRecord::kPageSize) return;
      TestAndAddPage(m_saved, m_savedSector);
    }
    m_saved.clear();
    m_savedSector = -1;
  }
  while (at < count) {
    // The look at each sector's first bytes would otherwise wait on memory every time.
    if (const std::size_t ahead = at + static_cast<std::size_t>(quellsy::kPrefetchSectorsAhead); ahead < count)
      quellsy::PrefetchSectorStart(block.data() + ahead * kSector);
    const quellsy::ByteSpan sector = block.subspan(at * kSector, kSector);
    if (!CRCRDRecord::IsValidRCRDRecordFirstSector(sector)) {
      ++at;
      continue;
    }
    if (count - at < static_cast<std::size_t>(kPageSectors)) {
      m_saved.assign(block.begin() + static_cast<std::ptrdiff_t>(at * kSector),
                     block.begin() + static_cast<std::ptrdiff_t>(count * kSector));
      m_savedSector = firstSector + static_cast<std::int64_t>(at);
      return;
    }
    TestAndAddPage(block.subspan(at * kSector, CRCRDRecord::kPageSize), firstSector + static_cast<std::int64_t>(at));
    at += kPageSectors;
  }
}

std::int64_t CLogFileAnalyzer::GetRecordPageSectors() const {
  std::int64_t sectors = 0;
  for (const auto& range : m_ranges) sectors += range.second;
  return sectors;
}

CLogFileAnalyzer::LogFileMatch CLogFileAnalyzer::CalcLogFileMatch(std::int64_t origin, std::uint32_t sectorsPerCluster,
                                                                  std::int64_t totalSectors,
                                                                  std::int64_t mftSector) const {
  LogFileMatch match;
  const CLogFileInfo* log = nullptr;
  for (const CLogFileInfo& candidate : m_logFiles)
    if (mftSector >= 0 && candidate.GetSector() == mftSector + kLogRecordAfterMft) log = &candidate;
  for (const CLogFileInfo& candidate : m_logFiles) {
    if (log != nullptr) break;
    if (candidate.GetSector() >= origin && candidate.GetSector() - origin < totalSectors) log = &candidate;
  }
  if (log == nullptr || sectorsPerCluster == 0) return match;
  match.recordSector = log->GetSector();
  match.matchCount =
      quellsy::ntfs::CountSectorsInRanges(log->GetDataRunList(), origin, sectorsPerCluster, totalSectors, m_ranges);
  return match;
}
