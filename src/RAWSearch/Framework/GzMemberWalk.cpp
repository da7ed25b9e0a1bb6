#include "RAWSearch/Framework/GzMemberWalk.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <optional>

#include "RAWSearch/Framework/CGzSearch.h"

namespace {

constexpr std::size_t kFixedHeaderBytes = 10;
constexpr std::size_t kTrailerBytes = 8;
constexpr std::uint8_t kFlagHeaderCrc = 2;
constexpr std::uint8_t kFlagExtra = 4;
constexpr std::uint8_t kFlagName = 8;
constexpr std::uint8_t kFlagComment = 16;
constexpr std::size_t kOutputBytes = 32768;

}  // namespace

// A raw inflate stream and the room its output goes to (read by nobody: only where the stream ends counts).
struct GzMemberWalk::Inflater {
  z_stream stream{};
  bool ready = false;
  std::array<Bytef, kOutputBytes> output{};

  Inflater() { ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK; }
  ~Inflater() {
    if (ready) inflateEnd(&stream);
  }
};

GzMemberWalk::GzMemberWalk() : m_inflater(std::make_unique<Inflater>()) {}

GzMemberWalk::~GzMemberWalk() = default;

GzMemberWalk::State GzMemberWalk::Advance(quellsy::ByteSpan bytes, std::uint64_t first) {
  while (m_state == State::kWaiting) {
    if (m_next < first) {
      Fail();
      break;
    }
    const std::uint64_t index = m_next - first;
    if (index >= bytes.size()) break;
    const quellsy::ByteSpan rest = bytes.subspan(static_cast<std::size_t>(index));
    bool stepped = false;
    switch (m_part) {
      case Part::kHeader:
        stepped = StepHeader(rest);
        break;
      case Part::kData:
        stepped = StepData(rest);
        break;
      case Part::kTrailer:
        if (rest.size() < kTrailerBytes) break;
        m_next += kTrailerBytes;
        m_end = m_next;
        m_part = Part::kAfter;
        stepped = true;
        break;
      case Part::kAfter:
        stepped = StepAfter(rest);
        break;
    }
    if (!stepped) break;
  }
  return m_state;
}

bool GzMemberWalk::Fail() {
  m_state = State::kBad;
  return false;
}

bool GzMemberWalk::StepHeader(quellsy::ByteSpan rest) {
  if (rest.size() < kFixedHeaderBytes) return false;
  if (!CGzSearch::IsValidGzHeader(rest.data(), static_cast<int>(kFixedHeaderBytes))) return Fail();
  const std::uint8_t flags = rest[3];
  std::size_t p = kFixedHeaderBytes;
  if (flags & kFlagExtra) {
    const std::optional<std::uint16_t> length = quellsy::le16(rest, p);
    if (!length) return false;
    p += 2 + *length;
  }
  for (const std::uint8_t text : {kFlagName, kFlagComment}) {
    if (!(flags & text)) continue;
    if (p >= rest.size()) return false;
    const std::size_t reach = std::min<std::size_t>(rest.size() - p, kMaxText);
    const void* zero = std::memchr(rest.data() + p, 0, reach);
    if (!zero) return reach == kMaxText ? Fail() : false;
    p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - rest.data()) + 1;
  }
  if (flags & kFlagHeaderCrc) p += 2;
  if (p > rest.size()) return false;
  if (!m_inflater->ready || inflateReset(&m_inflater->stream) != Z_OK) return Fail();
  m_next += p;
  m_part = Part::kData;
  return true;
}

bool GzMemberWalk::StepData(quellsy::ByteSpan rest) {
  z_stream& stream = m_inflater->stream;
  const std::size_t given = std::min<std::size_t>(rest.size(), UINT_MAX);
  stream.next_in = const_cast<Bytef*>(rest.data());
  stream.avail_in = static_cast<uInt>(given);
  int result = Z_OK;
  do {
    stream.next_out = m_inflater->output.data();
    stream.avail_out = static_cast<uInt>(m_inflater->output.size());
    result = inflate(&stream, Z_NO_FLUSH);
  } while (result == Z_OK && (stream.avail_in != 0 || stream.avail_out == 0));
  m_next += given - stream.avail_in;
  if (result == Z_STREAM_END) {
    m_part = Part::kTrailer;
    return true;
  }
  // Z_OK with all input taken, or no progress possible without more: wait for the next bytes.
  if (result == Z_OK || result == Z_BUF_ERROR) return false;
  return Fail();
}

bool GzMemberWalk::StepAfter(quellsy::ByteSpan rest) {
  if (rest.size() < kFixedHeaderBytes) return false;
  // Another member right behind the trailer belongs to the file; anything else does not.
  if (!CGzSearch::IsValidGzHeader(rest.data(), static_cast<int>(kFixedHeaderBytes))) {
    m_state = State::kDone;
    return false;
  }
  m_part = Part::kHeader;
  return true;
}
