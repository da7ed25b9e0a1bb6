#include "RAWSearch/Framework/JpegMarkerWalk.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kMarker = 0xFF;
constexpr std::uint8_t kStuffed = 0x00;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;
// Bytes of a frame header up to its component count, and of a scan header's fixed part.
constexpr std::size_t kFrameHeaderBytes = 10;
constexpr std::size_t kScanHeaderBytes = 5;

bool IsRestart(std::uint8_t code) { return code >= 0xD0 && code <= 0xD7; }

}  // namespace

JpegMarkerWalk::State JpegMarkerWalk::Advance(quellsy::ByteSpan bytes, std::uint64_t first, Listener* listener) {
  while (m_state == State::kWaiting) {
    if (m_next < first) {
      Fail();
      break;
    }
    const std::uint64_t index = m_next - first;
    if (index >= bytes.size()) break;
    const quellsy::ByteSpan rest = bytes.subspan(static_cast<std::size_t>(index));
    if (!(m_bInScan ? StepEntropy(rest) : StepMarker(rest, listener))) break;
  }
  return m_state;
}

bool JpegMarkerWalk::Fail() {
  m_state = State::kBad;
  return false;
}

bool JpegMarkerWalk::StepEntropy(quellsy::ByteSpan rest) {
  const void* found = std::memchr(rest.data(), kMarker, rest.size());
  if (!found) {
    m_next += rest.size();
    return false;
  }
  const auto at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - rest.data());
  // The byte after the FF says what it is; it comes with the next bytes.
  if (at + 1 >= rest.size()) {
    m_next += at;
    return false;
  }
  const std::uint8_t code = rest[at + 1];
  if (code == kStuffed || IsRestart(code)) {
    m_next += at + 2;
  } else if (code == kMarker) {
    // A fill byte: the marker follows it.
    m_next += at + 1;
  } else {
    m_next += at;
    m_bInScan = false;
  }
  return true;
}

bool JpegMarkerWalk::StepMarker(quellsy::ByteSpan rest, Listener* listener) {
  if (rest.size() < 2) return false;
  if (rest[0] != kMarker) return Fail();
  const std::uint8_t code = rest[1];
  if (m_next == 0) {
    if (code != kStartOfImage) return Fail();
    m_next = 2;
    return true;
  }
  if (code == kMarker) {
    ++m_next;
    return true;
  }
  if (code == kEndOfImage) {
    // An end before any picture data is not a picture's end.
    if (m_scans == 0) return Fail();
    m_end = m_next + 2;
    m_state = State::kDone;
    return false;
  }
  // Markers without a length have no place between segments.
  if (code < 0xC0 || code == kStartOfImage || IsRestart(code)) return Fail();
  const std::optional<std::uint16_t> length = quellsy::be16(rest, 2);
  if (!length) return false;
  if (*length < 2) return Fail();
  const std::size_t segmentBytes = std::size_t{*length} + 2;
  if (IsFrameHeader(code) || code == kStartOfScan) {
    const std::size_t header = IsFrameHeader(code) ? kFrameHeaderBytes : kScanHeaderBytes;
    if (segmentBytes < header) return Fail();
    // The listener sees the header's fixed fields.
    if (rest.size() < header) return false;
    if (code == kStartOfScan) {
      if (!m_bFrameSeen) return Fail();
      ++m_scans;
      m_bInScan = true;
    } else {
      m_bFrameSeen = true;
    }
  }
  if (listener) listener->OnSegment({code, m_next, rest.first(std::min(rest.size(), segmentBytes))});
  m_next += segmentBytes;
  return true;
}
