#pragma once
// Name comparisons of the catalog: the case-folding one of HFS+ and HFSX volumes that fold case,
// and the binary one of case-sensitive HFSX volumes.

#include <cstdint>
#include <span>

namespace quellsy::hfsplus {

// The unit a name unit folds to; 0 for a unit that names ignore.
std::uint16_t FoldUnit(std::uint16_t unit);

// Case-insensitive: ignorable units are skipped, ':' counts as '/' after folding. -1, 0 or 1.
int FastUnicodeCompare(std::span<const std::uint16_t> a, std::span<const std::uint16_t> b);

// Unit by unit as unsigned numbers with ':' counting as '/'; a prefix is the smaller. -1, 0 or 1.
int BinaryUnicodeCompare(std::span<const std::uint16_t> a, std::span<const std::uint16_t> b);

}  // namespace quellsy::hfsplus
