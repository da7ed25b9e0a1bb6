#include "HFSPlus/HFSPlusLib/HFSPlusUnicode.h"

#include <array>

namespace quellsy::hfsplus {
namespace {

struct FoldRun {
  std::uint16_t first;
  std::uint16_t last;
  std::uint16_t step;
  std::uint16_t folded;
};

constexpr FoldRun kFoldRuns[] = {
#include "HFSPlus/HFSPlusLib/HFSPlusCaseFoldingTable.inc"
};

using FoldTable = std::array<std::uint16_t, 0x10000>;

constexpr FoldTable MakeFoldTable() {
  FoldTable table{};
  for (std::size_t unit = 0; unit < table.size(); ++unit) table[unit] = static_cast<std::uint16_t>(unit);
  for (const auto& run : kFoldRuns) {
    for (std::uint32_t unit = run.first, n = 0; unit <= run.last; unit += run.step, ++n) {
      const bool ignored = run.folded == 0;
      table[unit] = ignored ? 0 : static_cast<std::uint16_t>(run.folded + n * run.step);
    }
  }
  return table;
}

// Made while compiling: a lookup per unit is all a comparison then costs, with no first-use guard.
constexpr FoldTable kFoldTable = MakeFoldTable();

constexpr std::uint16_t kColon = 0x3A;
constexpr std::uint16_t kSlash = 0x2F;

std::uint16_t SlashForColon(std::uint16_t unit) { return unit == kColon ? kSlash : unit; }

}  // namespace

std::uint16_t FoldUnit(std::uint16_t unit) { return kFoldTable[unit]; }

int FastUnicodeCompare(std::span<const std::uint16_t> a, std::span<const std::uint16_t> b) {
  std::size_t i = 0;
  std::size_t j = 0;
  for (;;) {
    std::uint16_t ca = 0;
    std::uint16_t cb = 0;
    while (ca == 0 && i < a.size()) ca = FoldUnit(a[i++]);
    while (cb == 0 && j < b.size()) cb = FoldUnit(b[j++]);
    ca = SlashForColon(ca);
    cb = SlashForColon(cb);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;  // both ended together
  }
}

int BinaryUnicodeCompare(std::span<const std::uint16_t> a, std::span<const std::uint16_t> b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const std::uint16_t ca = SlashForColon(a[i]);
    const std::uint16_t cb = SlashForColon(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace quellsy::hfsplus
