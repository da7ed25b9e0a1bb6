#include "RAWSearch/Formats/Archive/SITAnalyser.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "RAWSearch/Formats/Archive/FileSITAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/RawUtility.h"

namespace RawSpeed {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kOtherHeader = "WEBBAIKE\x66\x66\xEB\xB4\xA3\x74\xBD\x7B"sv;
constexpr std::size_t kKindAt = 7;
constexpr std::size_t kLengthAt = 84;
// The closing marks of StuffIt X: 02 D7 0A, a kind byte, 98 F6 42 88.
constexpr std::array<std::uint8_t, 3> kMarkKinds = {0x19, 0x3B, 0x10};
constexpr std::size_t kMarkBytes = 8;

bool IsMark(quellsy::ByteSpan bytes, std::size_t at) {
  if (at + kMarkBytes > bytes.size()) return false;
  const std::uint8_t* p = bytes.data() + at;
  return p[0] == 0x02 && p[1] == 0xD7 && p[2] == 0x0A && std::find(kMarkKinds.begin(), kMarkKinds.end(), p[3]) != kMarkKinds.end() &&
         p[4] == 0x98 && p[5] == 0xF6 && p[6] == 0x42 && p[7] == 0x88;
}

}  // namespace

SITAnalyser::SITAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_SIT, std::make_unique<FileSITAnalyser>()) {}

int SITAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan head(sector, kOtherHeader.size());
  if (CPlainRawFileAnalyser::HasText(head, 0, kOtherHeader)) {
    scratch.m_uRawFileType = RAW_FILE_TYPE_SIT;
    return 1;
  }
  if (!CPlainRawFileAnalyser::HasText(head, 4, "fIt")) return 0;
  scratch.m_uRawFileType = sector[kKindAt] == '!' ? RAW_FILE_TYPE_SITX : RAW_FILE_TYPE_SIT;
  return 1;
}

CRawFileInfo* SITAnalyser::CreateRawFileInfo() { return new SITRawFileInfo(Fallback()); }

SITAnalyser::SITRawFileInfo::SITRawFileInfo(IRawFileAnalyser* fallback)
    : CStreamingRawFileInfo(RAW_FILE_TYPE_SIT, fallback, 0, 0, kSizeCap) {}

int SITAnalyser::SITRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  if (m_mode == Mode::kUnknown) {
    const quellsy::ByteSpan first(sector, static_cast<std::size_t>(sectorSize));
    if (CPlainRawFileAnalyser::HasText(first, 0, kOtherHeader)) {
      m_mode = Mode::kZeroTail;
    } else if (sectorSize > static_cast<int>(kKindAt) && sector[kKindAt] == '!') {
      m_uRawFileType = RAW_FILE_TYPE_SITX;
      m_mode = Mode::kClosingMark;
    } else {
      // Decided here: the stated length, or the plain analyser when there is none.
      m_uRawFileType = RAW_FILE_TYPE_SIT;
      const auto length = quellsy::be32(first, kLengthAt);
      if (!length || *length == 0 || *length >= m_llCap) return HandOver();
      m_ullSize = *length;
      return 1;
    }
  }
  if (FileOffset(sectorNumber, sectorSize) > m_llCap) return HandOver();
  if (m_mode == Mode::kZeroTail) return ZeroTailEnd(sector, sectorSize, sectorNumber, context, 9);
  return ClosingMark(sector, sectorSize, sectorNumber, context);
}

// Sectors ending in zeros are searched for the mark, with the sector before them for a mark cut by the
// boundary; the archive goes on past the mark by as much as its kind says.
int SITAnalyser::SITRawFileInfo::ClosingMark(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                             const SearchContext& context) {
  if (context.uTrailingZeroBytes < 4) return 2;
  const long long off = FileOffset(sectorNumber, sectorSize);
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  const long long from = std::max(held.first, off - sectorSize);
  const auto at = held.At(from, static_cast<std::size_t>(off + sectorSize - from));
  if (!at) return 2;
  const quellsy::ByteSpan window = held.bytes.subspan(*at, static_cast<std::size_t>(off + sectorSize - from));
  for (std::size_t p = window.size() - std::min(window.size(), kMarkBytes - 1); p-- > 0;) {
    if (!IsMark(window, p)) continue;
    return End(from + static_cast<long long>(p + FileSITAnalyser::TailAfterMark(window[p + 3])), sectorNumber, "");
  }
  return 2;
}

}  // namespace RawSpeed
