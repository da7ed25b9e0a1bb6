#include "RAWSearch/Formats/Archive/FileSITAnalyser.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/EndMarkSearch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::size_t kKindOffset = 7;
constexpr std::size_t kLengthOffset = 84;
// The closing mark of a StuffIt X archive; its fourth byte varies and sets how far the file goes on.
constexpr std::array<std::uint8_t, 3> kMarkHead = {0x02, 0xD7, 0x0A};
constexpr std::array<std::uint8_t, 4> kMarkTail = {0x98, 0xF6, 0x42, 0x88};
constexpr std::array<std::uint8_t, 8> kMark = {0x02, 0xD7, 0x0A, 0x19, 0x98, 0xF6, 0x42, 0x88};
// A mark cut by a sector boundary is looked for in the bytes around it.
constexpr std::uint64_t kLookBack = 16;
constexpr std::size_t kLookBytes = 32;


}  // namespace

std::uint64_t FileSITAnalyser::TailAfterMark(std::uint8_t fourth) {
  if (fourth == 0x19) return 12;
  if (fourth == ';') return 13;
  return 14;
}

int FileSITAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 4, "fIt")) return 0;
  quellsy::FieldReader fields(sector);
  switch (fields.u8(kKindOffset)) {
    case ' ': {
      const std::uint32_t length = fields.be32(kLengthOffset);
      if (length == 0) return 0;
      return Claim(hit, RAW_FILE_TYPE_SIT, length >= 0x80000000u ? kSizeCap : length);
    }
    case '!':
      return Claim(hit, RAW_FILE_TYPE_SITX, 0);
    default:
      return 0;
  }
}

// StuffIt X: sectors ending in zeros are searched for the closing mark.
int FileSITAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  if (!window.HasText(kKindOffset, "!")) return 0;
  const unsigned sectorSize = window.SectorSize();
  if (sectorSize < sizeof(std::uint16_t)) return 0;
  std::uint64_t p = 0;
  for (; p < kSizeCap; p += sectorSize) {
    const quellsy::ByteSpan held = window.At(p);
    if (held.size() < sectorSize) break;
    const quellsy::ByteSpan sector = held.first(sectorSize);
    if (!HasZeroTail(sector, sizeof(std::uint16_t))) continue;
    if (const auto at = FindPattern(sector.first(sectorSize), kMarkHead)) {
      const quellsy::ByteSpan mark = held.subspan(*at);
      const bool whole = HasText(mark, 4, std::string_view(reinterpret_cast<const char*>(kMarkTail.data()), 4));
      hit.m_ullSize = whole ? p + *at + TailAfterMark(mark.size() > 3 ? mark[3] : 0) : p;
      return 1;
    }
    const std::uint64_t from = p > kLookBack ? p - kLookBack : 0;
    const quellsy::ByteSpan around = window.Bytes(from, kLookBytes);
    if (FindPattern(around, kMark)) {
      hit.m_ullSize = p + sectorSize;
      return 1;
    }
  }
  hit.m_ullSize = std::min(p, kSizeCap);
  return 1;
}
