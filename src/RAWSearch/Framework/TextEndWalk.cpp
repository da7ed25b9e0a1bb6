#include "RAWSearch/Framework/TextEndWalk.h"

#include <algorithm>

namespace {

bool IsLineEnd(std::uint32_t unit) { return unit == '\n' || unit == '\r'; }

bool IsText(std::uint32_t unit) {
  return (unit >= 0x20 && unit != 0x7F) || unit == '\t' || unit == '\n' || unit == '\f' || unit == '\r';
}

bool IsAsciiText(std::uint32_t unit) { return unit < 0x80 && IsText(unit); }

std::uint32_t Lower(std::uint32_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

}  // namespace

TextEndWalk::TextEndWalk(std::span<const std::string_view> closings, Encoding encoding, bool braces,
                         std::uint64_t first)
    : m_encoding(encoding), m_bBraces(braces), m_next(first) {
  for (const std::string_view closing : closings)
    if (m_closingCount < kMaxClosings && !closing.empty() && closing.size() <= kMaxClosingLength)
      m_closings[m_closingCount++] = closing;
}

TextEndWalk::State TextEndWalk::Advance(quellsy::ByteSpan bytes, std::uint64_t first) {
  // Bytes no longer at hand are passed over.
  m_next = std::max(m_next, first);
  const std::size_t width = m_encoding == Encoding::kUtf16Le ? 2 : 1;
  while (m_state == State::kWaiting) {
    const std::uint64_t at = m_next - first;
    if (at + width > bytes.size()) break;
    const auto index = static_cast<std::size_t>(at);
    const std::uint32_t unit = width == 1 ? bytes[index] : *quellsy::le16(bytes, index);
    if (!Step(bytes, index, unit, width)) break;
  }
  return m_state;
}

bool TextEndWalk::Step(quellsy::ByteSpan bytes, std::size_t at, std::uint32_t unit, std::size_t width) {
  if (m_bAfterClosing) {
    if (IsLineEnd(unit)) {
      m_next += width;
      m_closingEnd = m_lineEnd = m_next;
      return true;
    }
    m_bAfterClosing = false;
    if (!IsAsciiText(unit)) {
      Finish(m_next, unit == 0);
      return false;
    }
  }
  if (!IsText(unit)) {
    Finish(m_next, unit == 0);
    return false;
  }
  m_next += width;
  if (IsLineEnd(unit)) m_lineEnd = m_next;
  bool closed = false;
  if (m_bBraces && width == 1) {
    if (m_bEscaped) {
      m_bEscaped = false;
    } else if (unit == '\\') {
      m_bEscaped = true;
    } else if (unit == '{') {
      ++m_depth;
    } else if (unit == '}' && m_depth > 0) {
      closed = --m_depth == 0;
    }
  }
  if (closed || ClosesAt(bytes, at, width)) {
    m_closingEnd = m_next;
    m_bAfterClosing = true;
  }
  return true;
}

bool TextEndWalk::ClosesAt(quellsy::ByteSpan bytes, std::size_t at, std::size_t width) const {
  for (std::size_t k = 0; k < m_closingCount; ++k) {
    const std::string_view closing = m_closings[k];
    const std::size_t length = closing.size() * width;
    if (at + width < length) continue;
    const std::size_t from = at + width - length;
    bool same = true;
    for (std::size_t i = 0; same && i < closing.size(); ++i) {
      const std::uint32_t unit = width == 1 ? bytes[from + i] : *quellsy::le16(bytes, from + 2 * i);
      same = Lower(unit) == Lower(static_cast<unsigned char>(closing[i]));
    }
    if (same) return true;
  }
  return false;
}

void TextEndWalk::Finish(std::uint64_t stop, bool zero) {
  if (m_closingEnd != 0 && stop - m_closingEnd <= kReach)
    m_end = m_closingEnd;
  else if (zero)
    m_end = stop;
  else if (m_lineEnd != 0 && stop - m_lineEnd <= kReach)
    m_end = m_lineEnd;
  else
    m_end = stop;
  m_state = State::kDone;
}
