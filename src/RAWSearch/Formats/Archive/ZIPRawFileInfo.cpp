#include <algorithm>
#include <cstdio>

#include "RAWSearch/Formats/Archive/FileZIPAnalyser.h"

FileZIPAnalyser::ZIPRawFileInfo::ZIPRawFileInfo(std::uint32_t type) : m_walk(type) { m_uRawFileType = type; }

int FileZIPAnalyser::ZIPRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                                 SearchContext& context) {
  if (m_bFinished) return 1;
  if (!sector || sectorSize <= 0 || sectorNumber < m_llStartSector) return 1;
  m_iSectorSize = sectorSize;
  const long long index = sectorNumber - m_llStartSector;
  // The search sets the type its test found (an application bundle) after making the record.
  if (index == 0) m_walk = Walk(m_uRawFileType);
  const std::uint64_t cap = m_walk.Office() ? kOfficeSizeCap : kSizeCap;
  if (static_cast<std::uint64_t>(index) * static_cast<std::uint64_t>(sectorSize) > kCapRunFactor * cap) {
    // Endless: cut to the cap and named by the sectors it ran over.
    m_bFinished = true;
    m_ullSize = cap;
    char name[64];
    std::snprintf(name, sizeof name, "%lld-%lld_", m_llStartSector, sectorNumber);
    SetRawFileName(name);
    return 1;
  }
  const Walk::Fetch fetch = HeldFetch(sector, sectorSize, m_llStartSector, sectorNumber, context);
  const Walk::State state = m_walk.Advance(fetch, kCapRunFactor * cap);
  m_uRawFileType = m_walk.Type();
  if (state == Walk::State::kBad) {
    m_ullSize = 0;
    return 1;
  }
  if (state != Walk::State::kDone) return 2;
  return Finish(m_llStartSector + static_cast<long long>((m_walk.Size() - 1) / static_cast<std::uint64_t>(sectorSize)));
}

void FileZIPAnalyser::ZIPRawFileInfo::WillBeRemove(unsigned char*, long long) {
  if (m_bFinished || m_walk.Size() == 0) return;
  const long long sectorSize = m_iSectorSize > 0 ? m_iSectorSize : 512;
  Finish(m_llStartSector + static_cast<long long>((m_walk.Size() - 1) / static_cast<std::uint64_t>(sectorSize)));
}

int FileZIPAnalyser::ZIPRawFileInfo::Finish(long long lastSector) {
  m_bFinished = true;
  m_uRawFileType = m_walk.Type();
  m_ullSize = m_walk.Size();
  FillFileInfo(*this, m_walk, lastSector);
  return 1;
}
