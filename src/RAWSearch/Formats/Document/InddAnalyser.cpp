#include "RAWSearch/Formats/Document/InddAnalyser.h"

#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

namespace RawSpeed {

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kDocument =
    "\x06\x06\xED\xF5\xD8\x1D\x46\xE5\xBD\x31\xEF\xE7\xFE\x74\xB7\x1D" "DOCUMENT"sv;
constexpr std::string_view kObject = "\xDE\x39\x39\x79\x51\x88\x4B\x6C\x8E\x63\xEE\xF8\xAE\xE0\xDD\x38"sv;
// The number of the first data page, in the document header.
constexpr std::size_t kFirstPageAt = 280;
constexpr std::size_t kObjectHeader = 32;
constexpr std::size_t kStreamLengthAt = 24;
// The object header and trailer around the stream.
constexpr long long kObjectFraming = 64;

}  // namespace

InddAnalyser::InddAnalyser() : CStreamingAnalyser(RAW_FILE_TYPE_INDD, nullptr) {}

int InddAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector || !CPlainRawFileAnalyser::HasText(quellsy::ByteSpan(sector, kDocument.size()), 0, kDocument)) return 0;
  scratch.m_uRawFileType = m_uType;
  return 1;
}

std::optional<IRawFileAnalyser::Anchor> InddAnalyser::ClaimAnchor() const { return Anchor{0, 0xF5ED0606}; }

CRawFileInfo* InddAnalyser::CreateRawFileInfo() { return new InddRawFileInfo(); }

// The walking offset starts unset (0) and becomes the first data page at the first sector.
InddAnalyser::InddRawFileInfo::InddRawFileInfo() : CStreamingWalkRawFileInfo(RAW_FILE_TYPE_INDD, nullptr, 0, 0, kSizeCap) {}

int InddAnalyser::InddRawFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                               SearchContext& context) {
  if (!sector || sectorSize <= 0) return HandOver();
  if (m_llPageEnd == 0) {
    const int walked = CStreamingWalkRawFileInfo::CalcRawSize(sector, sectorSize, sectorNumber, context);
    if (walked != 2 || m_llPageEnd == 0) return walked;
  }
  if (FileOffset(sectorNumber, sectorSize) + sectorSize < m_llPageEnd) return 2;
  return End(m_llPageEnd, sectorNumber);
}

std::optional<int> InddAnalyser::InddRawFileInfo::Step(const HeldBytes& held, long long) {
  if (m_llNext == 0) {
    const auto at = held.At(0, kFirstPageAt + 4);
    if (!at) return HandOver();
    m_llNext = *quellsy::le32(held.bytes, *at + kFirstPageAt) * kPageSize;
    return m_llNext == 0 ? std::optional<int>(HandOver()) : std::nullopt;
  }
  const auto at = held.At(m_llNext, kObjectHeader);
  // An object header the search does not hold yet is read with the next sector.
  if (!at) return NotHeld(held, m_llNext);
  if (!CPlainRawFileAnalyser::HasText(held.bytes, *at, kObject)) {
    m_llPageEnd = (m_llNext + kPageSize - 1) / kPageSize * kPageSize;
    return 2;
  }
  m_llNext += kObjectFraming + *quellsy::le32(held.bytes, *at + kStreamLengthAt);
  return std::nullopt;
}

}  // namespace RawSpeed
