#include "RAWSearch/Registry/RawDispatchTable.h"

#include <algorithm>

#include "RAWSearch/Registry/CPlaceholderRawFileAnalyser.h"
#include "RAWSearch/Registry/RawAnalyserLookup.h"
#include "Utility/ByteReader.h"

namespace {

bool Real(const IRawFileAnalyser* analyser) {
  return analyser && dynamic_cast<const CPlaceholderRawFileAnalyser*>(analyser) == nullptr;
}

}  // namespace

void CRawDispatchTable::Build(CRawFileAnalyserListSingle& registry, int set) {
  m_lead.fill(0);
  m_map.clear();
  m_multimap.clear();
  m_list.clear();
  m_anchorBits.clear();
  m_anchorReach = 0;
  m_everySector = 0;
  for (const auto& [key, analyser] : registry.GetAnalyserMap(set)) {
    if (!Real(analyser)) continue;
    m_map.emplace(key, analyser);
    m_lead[key & 0xFFFF] |= kMapLead;
  }
  for (const auto& [key, analyser] : registry.GetAnalyserMultimap(set)) {
    if (!Real(analyser)) continue;
    m_multimap.emplace(key, analyser);
    m_lead[key] |= kMultimapLead;
  }
  for (IRawFileAnalyser* analyser : registry.GetAnalyserList(set)) {
    if (!Real(analyser)) continue;
    Keyless keyless{analyser, analyser->ClaimAnchors()};
    if (keyless.anchors.empty()) ++m_everySector;
    for (const IRawFileAnalyser::Anchor& anchor : keyless.anchors) AddAnchor(anchor);
    m_list.push_back(keyless);
  }
}

void CRawDispatchTable::AddAnchor(const IRawFileAnalyser::Anchor& anchor) {
  m_anchorReach = std::max<std::uint64_t>(m_anchorReach, std::uint64_t{anchor.offset} + 4);
  AnchorBits* bits = nullptr;
  if (anchor.offset != 0) {
    const auto same = std::find_if(m_anchorBits.begin(), m_anchorBits.end(),
                                   [&](const AnchorBits& table) { return table.offset == anchor.offset; });
    bits = same != m_anchorBits.end() ? &*same : &m_anchorBits.emplace_back();
    bits->offset = anchor.offset;
  }
  const std::uint32_t mask = anchor.mask & 0xFFFF;
  const std::uint32_t wanted = anchor.value & mask;
  for (std::uint32_t low = 0; low <= 0xFFFF; ++low) {
    if ((low & mask) != wanted) continue;
    if (bits)
      bits->bits[low >> 6] |= std::uint64_t{1} << (low & 63);
    else
      m_lead[low] |= kAnchorLead;
  }
}

bool CRawDispatchTable::Holds(const unsigned char* sector, unsigned sectorSize,
                              const IRawFileAnalyser::Anchor& anchor) {
  // An anchor past the sector cannot be checked: the analyser is asked.
  const auto value = quellsy::le32(quellsy::ByteSpan(sector, sectorSize), anchor.offset);
  return !value || (*value & anchor.mask) == anchor.value;
}

bool CRawDispatchTable::MayClaim(const unsigned char* sector, unsigned sectorSize) const {
  // An anchor past the sector cannot be checked: the analyser is asked.
  if (m_everySector != 0 || sectorSize < m_anchorReach) return true;
  const quellsy::ByteSpan bytes(sector, sectorSize);
  if (m_lead[quellsy::le16(bytes, 0).value_or(0)] != 0) return true;
  return std::any_of(m_anchorBits.begin(), m_anchorBits.end(), [&](const AnchorBits& table) {
    return table.Allows(quellsy::le16(bytes, table.offset).value_or(0));
  });
}

IRawFileAnalyser* CRawDispatchTable::Find(unsigned char* sector, CRawFileInfo& scratch, unsigned sectorSize,
                                          long long sectorNumber, const CRawFileInfo::SearchContext& context) {
  const std::uint8_t lead = m_lead[quellsy::le16(quellsy::ByteSpan(sector, sectorSize), 0).value_or(0)];
  if ((lead & kMapLead) != 0)
    if (IRawFileAnalyser* found = GetAnalyserFromMap(m_map, sector, scratch, sectorSize, sectorNumber, context))
      return found;
  if ((lead & kMultimapLead) != 0)
    if (IRawFileAnalyser* found =
            GetAnalyserFromMultiMap(m_multimap, sector, scratch, sectorSize, sectorNumber, context))
      return found;
  for (const Keyless& keyless : m_list) {
    if (!keyless.anchors.empty() &&
        std::none_of(keyless.anchors.begin(), keyless.anchors.end(),
                     [&](const IRawFileAnalyser::Anchor& anchor) { return Holds(sector, sectorSize, anchor); }))
      continue;
    if (keyless.analyser->AnalyseBuffer(sector, scratch) != 0) return keyless.analyser;
  }
  return nullptr;
}
