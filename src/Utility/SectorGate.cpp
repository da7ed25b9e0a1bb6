#include "Utility/SectorGate.h"

#include <algorithm>
#include <stdexcept>

namespace quellsy {

SectorGate::SectorGate(const std::vector<Kind>& kinds) {
  if (kinds.size() > kMaxKinds) throw std::length_error("sector gate: too many structure kinds");
  for (const Kind& kind : kinds) {
    for (const Rule& rule : kind) {
      const auto end = m_offsets.begin() + static_cast<std::ptrdiff_t>(m_offsetCount);
      if (std::find(m_offsets.begin(), end, rule.offset) != end) continue;
      if (m_offsetCount == kMaxOffsets) throw std::length_error("sector gate: too many offsets");
      m_offsets[m_offsetCount++] = rule.offset;
      m_reach = std::max(m_reach, rule.offset + 1);
    }
  }
  for (std::size_t k = 0; k < kinds.size(); ++k) {
    const auto bit = static_cast<std::uint16_t>(1u << k);
    m_kinds |= bit;
    for (std::size_t i = 0; i < m_offsetCount; ++i) {
      for (unsigned value = 0; value < 256; ++value) {
        const auto byte = static_cast<std::uint8_t>(value);
        const bool allowed = std::all_of(kinds[k].begin(), kinds[k].end(), [&](const Rule& rule) {
          return rule.offset != m_offsets[i] || rule.allows(byte);
        });
        if (allowed) m_allowed[i][value] |= bit;
      }
    }
  }
}

}  // namespace quellsy
