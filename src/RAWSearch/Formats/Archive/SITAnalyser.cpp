#include "RAWSearch/Formats/Archive/SITAnalyser.h"

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

// Every sector is searched for the mark (FileSITAnalyser::ClosingMark); the archive goes on past it by as
// much as its kind says.
int SITAnalyser::SITRawFileInfo::ClosingMark(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                             const SearchContext& context) {
  if (!ReachedMarkEnd(sector, sectorSize, sectorNumber, context, FileSITAnalyser::ClosingMark())) return 2;
  return End(m_llMarkEnd, sectorNumber, "");
}

}  // namespace RawSpeed
