#include "RAWSearch/Formats/Image/FileCPTAnalyser.h"

#include <optional>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

constexpr std::uint32_t kIndexOffset = 316;
constexpr std::uint64_t kIndexEntryBytes = 8;
constexpr std::uint64_t kEntryHeaderBytes = 60;
constexpr std::uint64_t kTrailerFieldBytes = 8;

}  // namespace

int FileCPTAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 4, "FILE") || quellsy::le32(sector, 52) != kIndexOffset) return 0;
  return Claim(hit, 0);
}

// The last of the index's n entries names the last object; the file ends with the record that object
// points to (or with the object itself when it points nowhere). Offsets are taken in 64 bits so that
// no field can wrap a later offset back into the file.
int FileCPTAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const std::optional<std::uint32_t> index = window.Le32(52);
  const std::optional<std::uint32_t> count = window.Le32(40);
  if (!index || !count || !window.Readable(*index)) return 0;
  const std::uint64_t lastEntry = *index + kIndexEntryBytes * *count;
  if (lastEntry < kIndexEntryBytes) return 0;
  const std::optional<std::uint32_t> last = window.Le32(lastEntry - kIndexEntryBytes);
  if (!last || !window.Readable(*last)) return 0;

  std::uint64_t q = *last + kEntryHeaderBytes;
  const std::optional<std::uint32_t> extra = window.Le32(*last + 32ull);
  if (!extra) return 0;
  if (*extra != 0) {
    const std::optional<std::uint32_t> atQ = window.Le32(q);
    if (!atQ) return 0;
    if (*atQ == *extra) q += *extra;
  }
  const std::optional<std::uint32_t> record = window.Le32(q);
  const std::optional<std::uint32_t> recordLength = window.Le32(q + 4);
  if (!record || !recordLength) return 0;
  if (*record == 0 || *recordLength == 0) {
    hit.m_ullSize = *last;
    return 1;
  }
  if (*record < kTrailerFieldBytes) return 0;
  const std::optional<std::uint32_t> start = window.Le32(*record - kTrailerFieldBytes);
  const std::optional<std::uint32_t> length = window.Le32(*record - 4ull);
  if (!start || !length) return 0;
  hit.m_ullSize = std::uint64_t{*start} + *length;
  return 1;
}
