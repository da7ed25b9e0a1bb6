#include "FATLib/CFATLongNameBuilder.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace {

// Where the 13 units of a piece lie: (offset, units).
constexpr std::array<std::pair<std::size_t, std::size_t>, 3> kSlices = {{{1, 5}, {14, 6}, {28, 2}}};
constexpr std::size_t kChecksumOffset = 13;

class Utf16Converter {
 public:
  Utf16Converter() : m_handle(iconv_open("UTF-8", "UTF-16LE")) {}
  ~Utf16Converter() {
    if (Valid()) iconv_close(m_handle);
  }
  Utf16Converter(const Utf16Converter&) = delete;
  Utf16Converter& operator=(const Utf16Converter&) = delete;

  bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

  // Converts all of bytes; an invalid or cut unit becomes "_" and the conversion goes on after it.
  std::string Convert(std::vector<char>& bytes) {
    std::string text;
    std::array<char, 512> out{};
    char* in = bytes.data();
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
      char* outPtr = out.data();
      std::size_t outLeft = out.size();
      const std::size_t result = iconv(m_handle, &in, &inLeft, &outPtr, &outLeft);
      text.append(out.data(), static_cast<std::size_t>(outPtr - out.data()));
      if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
      text += '_';
      const std::size_t skip = std::min<std::size_t>(2, inLeft);
      in += skip;
      inLeft -= skip;
      iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
    }
    return text;
  }

 private:
  iconv_t m_handle;
};

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
  Utf16Converter converter;
  if (!converter.Valid() || m_units.empty()) return {};
  std::vector<char> bytes;
  bytes.reserve(m_units.size() * 2);
  for (const std::uint16_t unit : m_units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return converter.Convert(bytes);
}
