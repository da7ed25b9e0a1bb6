#include "Utility/SectorGate.h"

#include <algorithm>
#include <stdexcept>

namespace quellsy {

SectorGate::SectorGate(const std::vector<Kind>& kinds) {
  if (kinds.size() > kMaxKinds) throw std::length_error("sector gate: too many structure kinds");
  for (const Kind& kind : kinds) {
    for (const Rule& rule : kind) {
      const auto end = offsets_.begin() + static_cast<std::ptrdiff_t>(offsetCount_);
      if (std::find(offsets_.begin(), end, rule.offset) != end) continue;
      if (offsetCount_ == kMaxOffsets) throw std::length_error("sector gate: too many offsets");
      offsets_[offsetCount_++] = rule.offset;
      reach_ = std::max(reach_, rule.offset + 1);
    }
  }
  for (std::size_t k = 0; k < kinds.size(); ++k) {
    const auto bit = static_cast<std::uint16_t>(1u << k);
    kinds_ |= bit;
    for (std::size_t i = 0; i < offsetCount_; ++i) {
      for (unsigned value = 0; value < 256; ++value) {
        const auto byte = static_cast<std::uint8_t>(value);
        const bool allowed = std::all_of(kinds[k].begin(), kinds[k].end(), [&](const Rule& rule) {
          return rule.offset != offsets_[i] || rule.allows(byte);
        });
        if (allowed) allowed_[i][value] |= bit;
      }
    }
  }
}

}  // namespace quellsy
