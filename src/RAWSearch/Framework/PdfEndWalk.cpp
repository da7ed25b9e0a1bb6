#include "RAWSearch/Framework/PdfEndWalk.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

using quellsy::ByteSpan;

// "startxref", a table's "xref" and a stream's "/XRef" all end in this; each is named here by what
// stands before it.
constexpr std::uint8_t kKeywordEnd = 'f';
constexpr std::string_view kStartXref = "startxre";
constexpr std::string_view kTable = "xre";
constexpr std::string_view kStreamKey = "/XRe";
constexpr std::string_view kEndMark = "%%EOF";
constexpr std::string_view kTableKeyword = "xref";
// "endstream" and "endobj": the mark closed a document embedded uncompressed in this one's stream.
constexpr std::string_view kEndOf = "endobj";
constexpr std::string_view kEndOfStream = "endstream";
constexpr std::string_view kObject = "obj";
constexpr std::size_t kMaxSpaces = 64;
constexpr std::size_t kMaxDigits = 20;
// A comment line between a document's end and its update is printable text no longer than this.
constexpr std::size_t kMaxComment = 256;
// Whitespace and comments between an end and the update behind it take no more than this.
constexpr std::uint64_t kMaxUpdateLead = 1024;
// How far into a cross-reference stream object its "/XRef" may stand.
constexpr std::uint64_t kStreamKeyReach = 1024;

bool IsSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

bool Has(ByteSpan bytes, std::size_t at, std::string_view text) {
  return at <= bytes.size() && bytes.size() - at >= text.size() &&
         std::memcmp(bytes.data() + at, text.data(), text.size()) == 0;
}

// How a run of one kind of byte from `at` ends: its length, or nothing when the bytes run out first.
template <typename Predicate>
std::optional<std::size_t> Run(ByteSpan bytes, std::size_t at, std::size_t most, Predicate is) {
  std::size_t n = 0;
  while (at + n < bytes.size() && n <= most && is(bytes[at + n])) ++n;
  if (at + n >= bytes.size()) return std::nullopt;
  return n;
}

enum class Match { kYes, kNo, kShort };

// `keyword` at `at` (for kEndOf, "endstream" too).
Match Keyword(ByteSpan bytes, std::size_t at, std::string_view keyword) {
  if (keyword == kEndOf && Has(bytes, at, kEndOfStream)) return Match::kYes;
  if (bytes.size() - at < std::max(keyword.size(), keyword == kEndOf ? kEndOfStream.size() : 0)) return Match::kShort;
  return Has(bytes, at, keyword) ? Match::kYes : Match::kNo;
}

// An object header, "<number> <generation> obj", at `at`.
Match ObjectHeader(ByteSpan bytes, std::size_t at) {
  std::size_t p = at;
  for (int part = 0; part < 2; ++part) {
    const std::optional<std::size_t> digits = Run(bytes, p, kMaxDigits, IsDigit);
    if (!digits) return Match::kShort;
    if (*digits == 0 || *digits > kMaxDigits) return Match::kNo;
    p += *digits;
    const std::optional<std::size_t> spaces = Run(bytes, p, kMaxSpaces, IsSpace);
    if (!spaces) return Match::kShort;
    if (*spaces == 0 || *spaces > kMaxSpaces) return Match::kNo;
    p += *spaces;
  }
  if (bytes.size() - p < kObject.size()) return Match::kShort;
  return Has(bytes, p, kObject) ? Match::kYes : Match::kNo;
}

}  // namespace

PdfEndWalk::State PdfEndWalk::Advance(ByteSpan bytes, std::uint64_t first) {
  // Bytes no longer at hand are passed over.
  m_next = std::max(m_next, first);
  while (m_state == State::kWaiting) {
    const Step step = m_mode == Mode::kSearch ? Search(bytes, first) : CheckUpdate(bytes, first);
    if (step == Step::kWait) break;
    if (step == Step::kStop) m_state = State::kDone;
  }
  return m_state;
}

void PdfEndWalk::Remember(std::array<std::uint64_t, kRemembered>& ring, std::size_t& count, std::uint64_t offset) {
  ring[count % kRemembered] = offset;
  ++count;
}

PdfEndWalk::Step PdfEndWalk::Search(ByteSpan bytes, std::uint64_t first) {
  const std::uint64_t index = m_next - first;
  if (index >= bytes.size()) return Step::kWait;
  const void* found = std::memchr(bytes.data() + index, kKeywordEnd, bytes.size() - index);
  if (!found) {
    m_next = first + bytes.size();
    return Step::kWait;
  }
  const auto at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - bytes.data());
  const auto before = [&](std::string_view text) { return at >= text.size() && Has(bytes, at - text.size(), text); };
  if (before(kStartXref)) {
    m_next = first + at;
    return CheckEndMark(bytes, first, first + at - kStartXref.size());
  }
  if (before(kTable) && at > kTable.size() && IsSpace(bytes[at - kTable.size() - 1]))
    Remember(m_tables, m_tableCount, first + at - kTable.size());
  else if (before(kStreamKey))
    Remember(m_streams, m_streamCount, first + at - kStreamKey.size());
  m_next = first + at + 1;
  return Step::kNext;
}

PdfEndWalk::Step PdfEndWalk::CheckEndMark(ByteSpan bytes, std::uint64_t first, std::uint64_t at) {
  const std::uint64_t keywordEnd = at + kStartXref.size() + 1;
  std::size_t p = static_cast<std::size_t>(keywordEnd - first);
  const auto notAnEnd = [&] {
    m_next = keywordEnd;
    return Step::kNext;
  };
  const std::optional<std::size_t> before = Run(bytes, p, kMaxSpaces, IsSpace);
  if (!before) return Step::kWait;
  if (*before == 0 || *before > kMaxSpaces) return notAnEnd();
  p += *before;
  const std::optional<std::size_t> digits = Run(bytes, p, kMaxDigits, IsDigit);
  if (!digits) return Step::kWait;
  if (*digits == 0 || *digits > kMaxDigits) return notAnEnd();
  std::uint64_t target = 0;
  for (std::size_t k = 0; k < *digits; ++k) target = target * 10 + (bytes[p + k] - '0');
  p += *digits;
  const std::optional<std::size_t> after = Run(bytes, p, kMaxSpaces, IsSpace);
  if (!after) return Step::kWait;
  if (*after == 0 || *after > kMaxSpaces) return notAnEnd();
  p += *after;
  // The mark and the two bytes a line end may take.
  if (bytes.size() - p < kEndMark.size() + 2) return Step::kWait;
  if (!Has(bytes, p, kEndMark)) return notAnEnd();
  p += kEndMark.size();
  if (bytes[p] == '\r') ++p;
  if (bytes[p] == '\n') ++p;
  m_next = first + p;
  m_markEnd = m_next;
  if (target < at && IsCrossReference(bytes, first, target)) m_end = m_next;
  m_mode = Mode::kAfterEnd;
  return Step::kNext;
}

bool PdfEndWalk::IsCrossReference(ByteSpan bytes, std::uint64_t first, std::uint64_t target) const {
  const std::size_t tables = std::min(m_tableCount, kRemembered);
  if (std::find(m_tables.begin(), m_tables.begin() + static_cast<std::ptrdiff_t>(tables), target) !=
      m_tables.begin() + static_cast<std::ptrdiff_t>(tables))
    return true;
  const std::size_t streams = std::min(m_streamCount, kRemembered);
  const bool keyed = std::any_of(m_streams.begin(), m_streams.begin() + static_cast<std::ptrdiff_t>(streams),
                                 [&](std::uint64_t key) { return key > target && key - target <= kStreamKeyReach; });
  if (!keyed) return false;
  // The stream's object header, when it is still at hand.
  if (target < first) return true;
  return ObjectHeader(bytes, static_cast<std::size_t>(target - first)) != Match::kNo;
}

PdfEndWalk::Step PdfEndWalk::CheckUpdate(ByteSpan bytes, std::uint64_t first) {
  while (true) {
    if (m_next - m_markEnd > kMaxUpdateLead) return Step::kStop;
    const auto p = static_cast<std::size_t>(m_next - first);
    if (p >= bytes.size()) return Step::kWait;
    const std::uint8_t c = bytes[p];
    if (IsSpace(c)) {
      ++m_next;
    } else if (c == '%') {
      const std::optional<std::size_t> text =
          Run(bytes, p + 1, kMaxComment, [](std::uint8_t b) { return b == '\t' || (b >= 0x20 && b <= 0x7E); });
      if (!text) return Step::kWait;
      if (*text > kMaxComment || (bytes[p + 1 + *text] != '\r' && bytes[p + 1 + *text] != '\n')) return Step::kStop;
      m_next += 1 + *text;
    } else if (IsDigit(c) || c == 'x' || c == 'e') {
      const Match match = IsDigit(c) ? ObjectHeader(bytes, p) : Keyword(bytes, p, c == 'x' ? kTableKeyword : kEndOf);
      if (match == Match::kShort) return Step::kWait;
      if (match == Match::kNo) return Step::kStop;
      // An update, or more of the document the mark was embedded in, follows: its end is searched for.
      m_mode = Mode::kSearch;
      return Step::kNext;
    } else {
      return Step::kStop;
    }
  }
}
