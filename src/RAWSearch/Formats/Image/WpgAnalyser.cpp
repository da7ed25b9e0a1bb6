#include "RAWSearch/Formats/Image/WpgAnalyser.h"

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

using namespace std::string_view_literals;

constexpr long long kCapsFollowed = 5;
constexpr std::uint32_t kZeroTail = 16;

}  // namespace

WpgAnalyser::WpgAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_WPG, nullptr) {}

int WpgAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || !CPlainRawFileAnalyser::HasText(quellsy::ByteSpan(sector, 4), 0, "wpg\0"sv)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

CRawFileInfo* WpgAnalyser::CreateRawFileInfo() { return new WPGRawFileInfo(); }

WpgAnalyser::WPGRawFileInfo::WPGRawFileInfo()
    : CStreamingRawFileInfo(RAW_FILE_TYPE_WPG, nullptr, 0, 0, kCapsFollowed * kSizeCap) {}

int WpgAnalyser::WPGRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  if (FileOffset(sectorNumber, sectorSize) > m_llCap) return HandOver();
  return ZeroTailEnd(sector, sectorSize, sectorNumber, context, kZeroTail, 0, ".");
}

}  // namespace RawSpeed
