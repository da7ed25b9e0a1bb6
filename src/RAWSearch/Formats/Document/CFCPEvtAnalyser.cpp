#include "RAWSearch/Formats/Document/CFCPEvtAnalyser.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/RawSearchApi.h"
#include "Utility/ByteReader.h"
#include "Utility/TextConvert.h"

namespace BruteForce {

namespace {

constexpr std::string_view kMagic = "SQLite format 3";
constexpr std::uint8_t kBTreePageKinds[] = {1, 2, 5, 8, 10, 13, 65};
constexpr std::uint16_t kMinAddressBookCells = 26;
constexpr std::uint16_t kMaxAddressBookCells = 34;
// Where the note-store and drawing-store texts stand relative to the page-1 offsets they are read at.
constexpr int kSuffixSkip = 10;
constexpr std::size_t kMuseTextBytes = 34;
constexpr std::size_t kSketchTextBytes = 200;
constexpr long long kSketchSlackPages = 3;

quellsy::ByteSpan Span(const unsigned char* p, std::size_t n) { return {p, n}; }

bool Contains(const unsigned char* data, std::size_t length, std::string_view text) {
  return Apimemstr(data, static_cast<int>(length), reinterpret_cast<const unsigned char*>(text.data()),
                   static_cast<int>(text.size())) != nullptr;
}

}  // namespace

CFCPEvtAnalyser::CFCPEvtAnalyser() : CBruteForceAnalyser(kRawFileTypePerHit, nullptr) {}

IRawFileAnalyser* CFCPEvtAnalyser::Create() { return new CFCPEvtAnalyser(); }

int CFCPEvtAnalyser::AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) {
  if (!sector) return 0;
  const quellsy::ByteSpan bytes(sector, CPlainRawFileAnalyser::kTestBytes);
  if (!CPlainRawFileAnalyser::HasText(bytes, 0, kMagic)) return 0;
  const std::uint16_t pageSize = *quellsy::be16(bytes, 16);
  if (pageSize == 0 || pageSize % 1024 != 0 || bytes[59] > 3) return 0;
  scratch.m_uRawFileType = RAW_FILE_TYPE_FCPEVENT;
  return 1;
}

CRawFileInfo* CFCPEvtAnalyser::CreateRawFileInfo() { return new CFCPEvtFileInfo(); }

CFCPEvtFileInfo::CFCPEvtFileInfo() : CBruteForceRawFileInfo(RAW_FILE_TYPE_FCPEVENT, nullptr) {}

int CFCPEvtFileInfo::PageInformation(const unsigned char* sector, int sectorSize) {
  const quellsy::ByteSpan page = Span(sector, static_cast<std::size_t>(sectorSize));
  m_uPageSize = quellsy::be16(page, 16).value_or(0);
  m_uPageCount = quellsy::be32(page, 28).value_or(0);
  m_uFreePages = quellsy::be32(page, 36).value_or(0);
  m_uContentStart = quellsy::be16(page, 105).value_or(0);
  m_uFirstCell = quellsy::be16(page, 108).value_or(0);
  m_bPageCountValid = m_uPageCount != 0 && quellsy::be32(page, 24) == quellsy::be32(page, 92);
  if (m_uPageSize == 0) {
    m_ullSize = 0;
    return 1;
  }
  return 2;
}

int CFCPEvtFileInfo::CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber,
                                 SearchContext& context) {
  if (!sector || sectorSize < 512 || sectorNumber < m_llStartSector) return 1;
  if (!m_bStarted) {
    m_bStarted = true;
    return PageInformation(sector, sectorSize);
  }
  m_llOffset = (sectorNumber - m_llStartSector) * sectorSize;
  m_iSectorSize = sectorSize;
  const long long sectorsHeld = context.llBlockEndSector - sectorNumber;
  if (m_bSuffixPending && m_uFirstCell / sectorSize == sectorNumber - m_llStartSector && sectorsHeld >= 2)
    JudeMuseSuffix(sector, sectorSize);
  if (m_llOffset % m_uPageSize != 0) return 2;
  const std::uint16_t cells = quellsy::be16(Span(sector, 8), 3).value_or(0);
  if (cells >= kMinAddressBookCells && cells <= kMaxAddressBookCells) {
    if (sectorsHeld < static_cast<long long>(m_uPageSize / static_cast<unsigned>(sectorSize))) return 2;
    if (AnalyseABCDDBFileType(sector, m_uPageSize, cells)) m_uRawFileType = RAW_FILE_TYPE_ABCDDB;
  }
  if (m_llOffset > kCap) {
    m_ullSize = 0;
    return 1;
  }
  return GuessCalculate(sector) == 2 ? 2 : EndSearch(sectorNumber);
}

void CFCPEvtFileInfo::JudeMuseSuffix(const unsigned char* sector, int sectorSize) {
  const std::size_t museAt = m_uFirstCell % static_cast<unsigned>(sectorSize) + kSuffixSkip;
  const std::string text =
      quellsy::Utf16LeToUtf8(Span(sector + museAt, kMuseTextBytes), quellsy::InvalidUtf16::kStop).value_or("");
  if (text.starts_with("tableactiveactive")) {
    m_uRawFileType = RAW_FILE_TYPE_MUSE;
    m_bSuffixPending = false;
    return;
  }
  const unsigned char* sketch = sector + m_uContentStart % static_cast<unsigned>(sectorSize) + kSuffixSkip;
  if (Contains(sketch, kSketchTextBytes, "payload") && Contains(sketch, kSketchTextBytes, "metadata")) {
    m_uRawFileType = RAW_FILE_TYPE_SKETCH;
    m_bSuffixPending = false;
  }
}

bool CFCPEvtFileInfo::AnalyseABCDDBFileType(const unsigned char* page, std::uint32_t pageSize, std::uint16_t count) {
  if (!page || count == 0) return false;
  return Contains(page, pageSize, "ABCDRecord") && Contains(page, pageSize, "ABCDPhoneNumber");
}

int CFCPEvtFileInfo::GuessCalculate(const unsigned char* page) {
  const std::uint8_t kind = page[0];
  if (std::find(std::begin(kBTreePageKinds), std::end(kBTreePageKinds), kind) != std::end(kBTreePageKinds)) {
    m_bEmptySequence = false;
    m_uEmptyCount = 0;
    m_uLastSequence = 0;
    return 2;
  }
  if (kind != 0) return 1;
  const std::uint8_t sequence = page[3];
  if (!m_bEmptySequence && sequence != 0) {
    m_bEmptySequence = true;
    ++m_uEmptyCount;
    m_uLastSequence = sequence;
    return 2;
  }
  if (m_bEmptySequence && sequence == static_cast<std::uint8_t>(m_uLastSequence + 1)) {
    m_uEmptyCount = 0;
    m_uLastSequence = sequence;
    return 2;
  }
  if (m_uEmptyCount >= kMaxEmptyPages) return 1;
  m_uEmptyCount = page[4] == 0 ? m_uEmptyCount + 1 : 0;
  m_uLastSequence = sequence;
  return 2;
}

int CFCPEvtFileInfo::EndSearch(long long sectorNumber) {
  // Free pages are only added while no application suffix decided the type.
  const long long freePages = m_bSuffixPending ? m_uFreePages : 0;
  if (!m_bSuffixPending) m_uFreePages = 0;
  long long size = freePages * m_uPageSize + m_llOffset - static_cast<long long>(m_uEmptyCount) * m_uPageSize;
  size = std::clamp(size, 0LL, kCap);
  const long long stated = static_cast<long long>(m_uPageCount) * m_uPageSize;
  if (m_uRawFileType == RAW_FILE_TYPE_SKETCH && stated > 0 &&
      std::abs(stated - size) <= kSketchSlackPages * m_uPageSize)
    size = stated;
  // A header whose page count is current states the file's length: the walk may not pass it.
  if (m_bPageCountValid && stated > 0) size = std::min(size, stated);
  m_ullSize = static_cast<std::uint64_t>(size);
  if (size != 0) SetStemName(sectorNumber);
  return 1;
}

void CFCPEvtFileInfo::WillBeRemove(unsigned char* sector, long long sectorNumber) {
  if (m_uPageSize != 0 && m_iSectorSize != 0) {
    // The file reaches at least to the end of the page the walk last saw.
    const long long lastSector = m_llStartSector + m_llOffset / m_iSectorSize;
    m_llOffset = (m_llOffset / m_uPageSize + 1) * m_uPageSize;
    EndSearch(sectorNumber < 0 ? lastSector : sectorNumber);
  }
  CBruteForceRawFileInfo::WillBeRemove(sector, sectorNumber);
}

}  // namespace BruteForce
