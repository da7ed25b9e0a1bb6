#include "RAWSearch/Formats/Image/FileCRWAnalyser.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::size_t kRecordBytes = 6;
// The records of the table that closes the file, with the bytes that follow each up to the file's end.
struct TableRecord {
  std::uint8_t kind;
  std::uint64_t tail;
};
constexpr std::array<TableRecord, 3> kRecords = {{{0xA8, 70}, {0xB2, 60}, {0xE4, 50}}};
// The look-back over the previous sector's end finds a table split by a sector boundary.
constexpr std::size_t kLookBackBefore = 80;
constexpr std::size_t kLookBackPlaces = 91;
constexpr std::uint64_t kLookBackTail = 70;

bool RecordAt(quellsy::ByteSpan bytes, std::size_t at, std::uint8_t kind) {
  const std::array<std::uint8_t, kRecordBytes> record = {0x07, 0x28, kind, 0, 0, 0};
  return at <= bytes.size() && bytes.size() - at >= kRecordBytes &&
         std::equal(record.begin(), record.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// Offset in the sector plus the record's tail, for the first place where any record starts.
std::optional<std::uint64_t> FindInSector(quellsy::ByteSpan sector) {
  for (std::size_t i = 0; i + kRecordBytes < sector.size(); ++i)
    for (const TableRecord& record : kRecords)
      if (RecordAt(sector, i, record.kind)) return i + record.tail;
  return std::nullopt;
}

// Offset from the start of `previous` for a record in the places around its end.
std::optional<std::uint64_t> FindAcrossBoundary(quellsy::ByteSpan previous, std::size_t sectorSize) {
  const std::size_t first = sectorSize - kLookBackBefore;
  for (const TableRecord& record : kRecords)
    for (std::size_t j = first; j < first + kLookBackPlaces; ++j)
      if (RecordAt(previous, j, record.kind)) return j + kLookBackTail;
  return std::nullopt;
}

}  // namespace

int FileCRWAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  m_uFound = 0;
  using namespace std::string_view_literals;
  if (!HasText(sector, 4, "\0\0HEAP"sv)) return 0;
  if (!HasText(sector, 10, "CCDR\x02"sv) && !HasText(sector, 10, "TIFP\x02"sv) && !HasText(sector, 10, "ARCH\x02"sv))
    return 0;
  m_uFound = 1;
  return Claim(hit, 0);
}

int FileCRWAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const std::size_t sectorSize = window.SectorSize();
  hit.m_ullSize = kSizeCap;
  if (sectorSize < kLookBackBefore + kRecordBytes) return 1;
  for (std::uint64_t p = 0; p <= kSizeCap; p += sectorSize) {
    const quellsy::ByteSpan sector = window.Bytes(p, sectorSize);
    if (sector.empty()) return 1;
    if (const auto end = FindInSector(sector)) {
      hit.m_ullSize = p + *end;
      return 1;
    }
    const std::uint64_t previous = p == 0 ? 0 : p - sectorSize;
    if (const auto end = FindAcrossBoundary(window.At(previous), sectorSize)) {
      hit.m_ullSize = previous + *end;
      return 1;
    }
  }
  return 1;
}
