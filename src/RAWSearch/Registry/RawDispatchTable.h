#pragma once
// The signature search's first look at a sector: a table over the sector's first two bytes tells whether a
// keyed analyser can start there, and the keyless analysers that name an anchor are offered only the sectors
// that hold it. A sector nobody can claim costs a table load and the anchor compares; placeholders are left
// out, since they claim nothing. Find answers exactly as FindAnalyser over the same set.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/IRawFileAnalyser.h"
#include "RAWSearch/Registry/CRawFileAnalyserListSingle.h"

class CRawDispatchTable {
 public:
  // Takes the set as it stands (its analysers, not copies): built again whenever the set is rebuilt.
  void Build(CRawFileAnalyserListSingle& registry, int set);
  // False when no analyser of the set can claim the sector (sectorSize >= 4).
  bool MayClaim(const unsigned char* sector, unsigned sectorSize) const;
  // The claiming analyser (which has filled scratch), or null.
  IRawFileAnalyser* Find(unsigned char* sector, CRawFileInfo& scratch, unsigned sectorSize, long long sectorNumber,
                         const CRawFileInfo::SearchContext& context);
  // Analysers that are asked about every sector (keyless, no anchor).
  std::size_t AskedEverySector() const { return m_everySector; }

 private:
  static constexpr std::uint8_t kMapLead = 1;
  static constexpr std::uint8_t kMultimapLead = 2;

  struct Keyless {
    IRawFileAnalyser* analyser;
    std::vector<IRawFileAnalyser::Anchor> anchors;
  };

  static bool Holds(const unsigned char* sector, unsigned sectorSize, const IRawFileAnalyser::Anchor& anchor);

  std::array<std::uint8_t, 65536> m_lead{};
  CRawFileAnalyserListSingle::AnalyserMap m_map;
  CRawFileAnalyserListSingle::AnalyserMultimap m_multimap;  // equal keys in the set's order
  std::vector<Keyless> m_list;                              // in the set's order
  std::vector<IRawFileAnalyser::Anchor> m_anchors;
  std::size_t m_everySector = 0;
};
