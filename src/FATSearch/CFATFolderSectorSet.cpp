#include "FATSearch/CFATFolderSectorSet.h"

#include <algorithm>

namespace {

bool SectorBelow(const FIRSTFOLDERSECTOR& record, long long sector) { return record.sector < sector; }
bool SectorAbove(long long sector, const FIRSTFOLDERSECTOR& record) { return sector < record.sector; }

}  // namespace

bool CFATFolderSectorSet::Add(const FIRSTFOLDERSECTOR& record) {
  if (IsFull()) return false;
  if (m_records.empty() || m_records.back().sector < record.sector) {
    m_records.push_back(record);
    return true;
  }
  const auto place = std::lower_bound(m_records.begin(), m_records.end(), record.sector, SectorBelow);
  if (place != m_records.end() && place->sector == record.sector) return false;
  m_records.insert(place, record);
  return true;
}

std::span<const FIRSTFOLDERSECTOR> CFATFolderSectorSet::Range(long long first, long long last) const {
  if (first > last) return {};
  const auto begin = std::lower_bound(m_records.begin(), m_records.end(), first, SectorBelow);
  const auto end = std::upper_bound(begin, m_records.end(), last, SectorAbove);
  return {begin, end};
}
