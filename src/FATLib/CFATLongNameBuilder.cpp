#include "FATLib/CFATLongNameBuilder.h"

#include <algorithm>
#include <array>

#include "Utility/TextConvert.h"

namespace {

// Where the 13 units of a piece lie: (offset, units).
constexpr std::array<std::pair<std::size_t, std::size_t>, 3> kSlices = {{{1, 5}, {14, 6}, {28, 2}}};
constexpr std::size_t kChecksumOffset = 13;

}  // namespace

bool CFATLongNameBuilder::AddPiece(quellsy::ByteSpan entry) {
  std::vector<std::uint16_t> piece;
  piece.reserve(kUnitsPerEntry);
  for (const auto& [offset, count] : kSlices) {
    for (std::size_t i = 0; i < count; ++i) piece.push_back(quellsy::le16(entry, offset + 2 * i).value_or(0));
  }
  piece.erase(std::find(piece.begin(), piece.end(), std::uint16_t{0}), piece.end());
  if (!m_units.empty() && piece.size() < kUnitsPerEntry) Clear();
  if (m_units.size() + piece.size() >= kMaxUnits) return false;
  m_units.insert(m_units.begin(), piece.begin(), piece.end());
  m_checksums.push_back(quellsy::u8(entry, kChecksumOffset).value_or(0));
  return true;
}

void CFATLongNameBuilder::Clear() {
  m_units.clear();
  m_checksums.clear();
}

std::uint8_t CFATLongNameBuilder::ShortNameChecksum(quellsy::ByteSpan name11) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < 11 && i < name11.size(); ++i)
    sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + name11[i]);
  return sum;
}

bool CFATLongNameBuilder::MatchesShortName(quellsy::ByteSpan name11) const {
  const std::uint8_t sum = ShortNameChecksum(name11);
  return std::all_of(m_checksums.begin(), m_checksums.end(), [sum](std::uint8_t piece) { return piece == sum; });
}

std::string CFATLongNameBuilder::ToUtf8() const {
  // An invalid or cut unit becomes "_" and the conversion goes on after it.
  return quellsy::Utf16LeToUtf8(m_units, quellsy::InvalidUtf16::kReplace).value_or("");
}
