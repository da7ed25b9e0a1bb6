#pragma once
// The signature search's first look at a sector: a table over the sector's first two bytes tells whether a
// keyed analyser can start there, and the keyless analysers that name an anchor are offered only the sectors
// that hold it. The anchors are folded into tables too, one bit per value of the two bytes at each anchor's
// offset, so that a sector nobody can claim costs a few table loads; placeholders are left out, since they
// claim nothing. Find answers exactly as FindAnalyser over the same set.

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
  static constexpr std::uint8_t kAnchorLead = 4;

  // The low two bytes an anchor's word may show at its offset, one bit per value: a sector whose bytes there
  // have no bit set holds none of the anchors at that offset.
  struct AnchorBits {
    std::uint32_t offset = 0;
    std::array<std::uint64_t, 1024> bits{};
    bool Allows(std::uint16_t low) const { return ((bits[low >> 6] >> (low & 63)) & 1) != 0; }
  };

  struct Keyless {
    IRawFileAnalyser* analyser;
    std::vector<IRawFileAnalyser::Anchor> anchors;
  };

  static bool Holds(const unsigned char* sector, unsigned sectorSize, const IRawFileAnalyser::Anchor& anchor);
  // Marks in the tables the low two bytes the anchor's word may show.
  void AddAnchor(const IRawFileAnalyser::Anchor& anchor);

  std::array<std::uint8_t, 65536> m_lead{};
  CRawFileAnalyserListSingle::AnalyserMap m_map;
  CRawFileAnalyserListSingle::AnalyserMultimap m_multimap;  // equal keys in the set's order
  std::vector<Keyless> m_list;                              // in the set's order
  std::vector<AnchorBits> m_anchorBits;  // anchors at offsets past 0; those at 0 are in m_lead
  std::uint64_t m_anchorReach = 0;       // bytes a sector needs for every anchor's word to be inside it
  std::size_t m_everySector = 0;
};
