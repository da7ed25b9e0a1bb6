#include "RAWSearch/Formats/Document/FileMOBIAnalyser.h"

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace RawSpeed {

namespace {

// The record count (a 16-bit field) read as the low half of the 32-bit value that ends at it.
constexpr std::uint64_t kRecordCountAt = 74;
// The record table follows the 78-byte database header, 8 bytes an entry.
constexpr long long kEntryBytes = 8;
constexpr long long kTableAt = 78;
constexpr std::uint64_t kEndRecordBytes = 4;

}  // namespace

bool FileMOBIAnalyser::IsBook(quellsy::ByteSpan sector) { return HasText(sector, 60, "BOOKMOBI", true); }

long long FileMOBIAnalyser::LastRecordEntry(std::uint32_t records) {
  return kTableAt + (static_cast<long long>(records) - 1) * kEntryBytes;
}

int FileMOBIAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!IsBook(sector)) return 0;
  return Claim(hit, 0);
}

int FileMOBIAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const auto records = window.Be32(kRecordCountAt);
  if (!records || *records == 0) return 0;
  const auto last = window.Be32(static_cast<std::uint64_t>(LastRecordEntry(*records)));
  if (!last) return 0;
  hit.m_uRawFileType = RAW_FILE_TYPE_MOBI;
  hit.m_ullSize = *last + kEndRecordBytes;
  return 1;
}

}  // namespace RawSpeed
