#include "RAWSearch/Formats/Video/MxfAnalyser.h"

#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kKeyLead = "\x06\x0E\x2B\x34"sv;
constexpr std::size_t kKeyBytes = 16;
// The longest BER length: a count byte and eight length bytes.
constexpr std::size_t kLongestItemHeader = kKeyBytes + 9;

}  // namespace

MxfAnalyser::MxfAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_MXF, nullptr) {}

int MxfAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, 56);
  if (!CPlainRawFileAnalyser::HasText(bytes, 0, kKeyLead) || !CPlainRawFileAnalyser::HasText(bytes, 4, "\x02\x05\x01"sv))
    return 0;
  if (*quellsy::le16(bytes, 20) != 0x0100) return 0;
  const std::uint32_t previous = *quellsy::le32(bytes, 32);
  if (previous != 0 && previous == *quellsy::le32(bytes, 48)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* MxfAnalyser::CreateRawFileInfo() { return new MxfRawFileInfo(); }

MxfAnalyser::MxfRawFileInfo::MxfRawFileInfo() : CStreamingWalkRawFileInfo(RAW_FILE_TYPE_MXF, nullptr, 0, 0, kSizeCap) {}

std::optional<int> MxfAnalyser::MxfRawFileInfo::Step(const HeldBytes& held, long long sectorNumber) {
  const auto lead = held.At(m_llNext, kKeyLead.size());
  // An item the search does not hold yet is read with the next sector.
  if (!lead) return NotHeld(held, m_llNext);
  if (!CPlainRawFileAnalyser::HasText(held.bytes, *lead, kKeyLead)) return End(m_llNext, sectorNumber);
  const auto at = held.At(m_llNext, kLongestItemHeader);
  if (!at) return 2;
  const std::uint8_t first = held.bytes[*at + kKeyBytes];
  long long length = first;
  std::size_t header = kKeyBytes + 1;
  if (first & 0x80) {
    const std::size_t count = first & 0x7F;
    // A length of more than eight bytes is no length.
    if (count == 0 || count > 8) return End(m_llNext, sectorNumber);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = value << 8 | held.bytes[*at + header + i];
    if (value > static_cast<std::uint64_t>(m_llCap)) return HandOver();
    length = static_cast<long long>(value);
    header += count;
  }
  m_llNext += static_cast<long long>(header) + length;
  return std::nullopt;
}

}  // namespace RawSpeed
