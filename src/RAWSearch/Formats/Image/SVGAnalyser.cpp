#include "RAWSearch/Formats/Image/SVGAnalyser.h"

#include <algorithm>
#include <array>
#include <memory>

#include "RAWSearch/Formats/Image/FileSVGAnalyser.h"
#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/EndMarkSearch.h"

namespace Brance {

namespace {

using namespace std::string_view_literals;

constexpr std::size_t kTestBytes = 512;
constexpr std::array<std::string_view, 6> kSvgOpenings = {"<svg "sv,  "<svg\n "sv, "<svg\r "sv,
                                                          "<svg> "sv, "<svg>\n"sv, "<svg>\r"sv};
constexpr std::string_view kBinaryHeader = "\xCD\x01\x00\x00"sv;
// A binary table's length field, and the header in front of what it counts.
constexpr long long kStatedLengthAt = 1100;
constexpr long long kStatedHeader = 1152;

quellsy::ByteSpan AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

bool HasText(quellsy::ByteSpan bytes, std::size_t at, std::string_view text) {
  return CPlainRawFileAnalyser::HasText(bytes, at, text, true);
}

std::uint32_t TypeOf(quellsy::ByteSpan sector) {
  if (HasText(sector, 0, "<?xml")) {
    if (HasText(sector, 57, "<gpx") || HasText(sector, 39, "<gpx")) return RAW_FILE_TYPE_GPX;
    if (HasText(sector, 39, "<!DOCTYPE plist") || HasText(sector, 40, "<!DOCTYPE plist")) return RAW_FILE_TYPE_PLIST;
  }
  if (HasText(sector, 0, "BCFZ")) return RAW_FILE_TYPE_GPX;
  const std::string_view declaration = "<?xml version=\"";
  if (CPlainRawFileAnalyser::HasText(sector, 0, declaration) || CPlainRawFileAnalyser::HasText(sector, 3, declaration)) {
    const auto has = [&](std::string_view text) { return FindPattern(sector, AsBytes(text)).has_value(); };
    if (std::any_of(kSvgOpenings.begin(), kSvgOpenings.end(), has)) return RAW_FILE_TYPE_SVG;
    if (has("=\"Evernote")) return RAW_FILE_TYPE_ENEX;
    if (has("csl")) return RAW_FILE_TYPE_CSL;
  }
  if (CPlainRawFileAnalyser::HasText(sector, 0, "<svg ") || CPlainRawFileAnalyser::HasText(sector, 0, kBinaryHeader))
    return RAW_FILE_TYPE_SVG;
  return 0;
}

}  // namespace

SVGAnalyser::SVGAnalyser() : CBranchAnalyser(RAW_FILE_TYPE_SVG, std::make_unique<FileSVGAnalyser>()) {}

int SVGAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const std::uint32_t type = TypeOf(quellsy::ByteSpan(sector, kTestBytes));
  if (type == 0) return 0;
  scratch.m_uRawFileType = m_uLastType = type;
  return 1;
}

CRawFileInfo* SVGAnalyser::CreateRawFileInfo() { return new SVGRawFileInfo(Fallback(), m_uLastType); }

SVGAnalyser::SVGRawFileInfo::SVGRawFileInfo(IRawFileAnalyser* fallback, std::uint32_t type)
    : CStreamingTextRawFileInfo(type, fallback, kSizeCap, FileSVGAnalyser::Closings(type)) {}

// A binary table: 1152 header bytes and the length stated at 1100, read once the search holds it.
int SVGAnalyser::SVGRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  const auto first = held.At(0, kBinaryHeader.size());
  if (!first || !CPlainRawFileAnalyser::HasText(held.bytes, *first, kBinaryHeader))
    return CStreamingTextRawFileInfo::CalcRawSize(sector, sectorSize, sectorNumber, context);
  const auto at = held.At(kStatedLengthAt, 4);
  if (!at) return FileOffset(sectorNumber, sectorSize) > kStatedLengthAt ? HandOver() : 2;
  const long long length = kStatedHeader + *quellsy::le32(held.bytes, *at);
  if (length > m_llCap) return HandOver();
  m_ullSize = static_cast<std::uint64_t>(length);
  return 1;
}

}  // namespace Brance
