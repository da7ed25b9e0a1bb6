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
    : CBranchRawFileInfo(type, fallback, 0, kSizeCap, 1) {}

std::string_view SVGAnalyser::SVGRawFileInfo::Closing() const {
  switch (m_uRawFileType) {
    case RAW_FILE_TYPE_GPX:
      return "</gpx>";
    case RAW_FILE_TYPE_PLIST:
      return "</plist>";
    case RAW_FILE_TYPE_ENEX:
      return "</en-export>";
    case RAW_FILE_TYPE_CSL:
      return "</style>";
    default:
      return "</svg>";
  }
}

// A binary table: 1152 header bytes and the length stated at 1100, read once the search holds it.
int SVGAnalyser::SVGRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                             SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  const auto first = held.At(0, kBinaryHeader.size());
  if (!first || !CPlainRawFileAnalyser::HasText(held.bytes, *first, kBinaryHeader))
    return CBranchRawFileInfo::CalcRawSize(sector, sectorSize, sectorNumber, context);
  const auto at = held.At(kStatedLengthAt, 4);
  if (!at) return FileOffset(sectorNumber, sectorSize) > kStatedLengthAt ? HandOver() : 2;
  const long long length = kStatedHeader + *quellsy::le32(held.bytes, *at);
  if (length > m_llCap) return HandOver();
  m_ullSize = static_cast<std::uint64_t>(length);
  return 1;
}

bool SVGAnalyser::SVGRawFileInfo::Continue(const unsigned char* sector, int sectorSize, long long sectorNumber,
                                           const SearchContext& context) {
  const long long off = FileOffset(sectorNumber, sectorSize);
  const HeldBytes held = Held(sector, sectorSize, sectorNumber, context);
  // The document's end lies in a sector that ends in zeros.
  if (sectorSize < 2 || sector[sectorSize - 1] != 0 || sector[sectorSize - 2] != 0) return true;
  // The closing tag may be cut by the sector's start: the search takes in half the sector before.
  const long long from = std::max(held.first, off - sectorSize / 2);
  const auto at = held.At(from, static_cast<std::size_t>(off + sectorSize - from));
  if (!at) return true;
  const quellsy::ByteSpan window = held.bytes.subspan(*at, static_cast<std::size_t>(off + sectorSize - from));
  const quellsy::ByteSpan closing = AsBytes(Closing());
  const auto last = std::search(std::make_reverse_iterator(window.end()), std::make_reverse_iterator(window.begin()),
                                std::make_reverse_iterator(closing.end()), std::make_reverse_iterator(closing.begin()));
  if (last == std::make_reverse_iterator(window.begin())) return true;
  // `last` points at the tag's last byte; its line end belongs to the document.
  std::size_t end = static_cast<std::size_t>(window.rend() - last);
  while (end < window.size() && (window[end] == '\r' || window[end] == '\n')) ++end;
  m_llFoundEnd = from + static_cast<long long>(end);
  return false;
}

}  // namespace Brance
