#pragma once
// Gathers the UTF-16 units of a long name from its entries (stored last piece first) and converts them once,
// so a character whose surrogate pair spans two entries survives.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Utility/ByteReader.h"

class CFATLongNameBuilder {
 public:
  // A name reaching this many units is refused.
  static constexpr std::size_t kMaxUnits = 2047;
  static constexpr std::size_t kUnitsPerEntry = 13;

  // Puts the entry's piece (units up to the first zero) in front of what is gathered. A short piece after
  // gathered text starts a new name: the text gathered so far is dropped first. False when the name would
  // reach kMaxUnits.
  bool AddPiece(quellsy::ByteSpan entry);
  bool Empty() const { return m_units.empty(); }
  void Clear();
  // Whether every piece carries the checksum of this 11-byte short name.
  bool MatchesShortName(quellsy::ByteSpan name11) const;
  // UTF-8; a unit that does not convert (a lone surrogate) becomes "_".
  std::string ToUtf8() const;

  static std::uint8_t ShortNameChecksum(quellsy::ByteSpan name11);

 private:
  std::vector<std::uint16_t> m_units;
  std::vector<std::uint8_t> m_checksums;
};
