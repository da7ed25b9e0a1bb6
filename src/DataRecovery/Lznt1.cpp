#include "DataRecovery/Lznt1.h"

#include <algorithm>

#include "Utility/ByteReader.h"

namespace quellsy::lznt1 {

namespace {

constexpr std::uint16_t kCompressedFlag = 0x8000;
constexpr std::uint16_t kSizeMask = 0x0FFF;

// Bits of a back-reference token that hold the offset: 4 up to 16 decoded bytes, one more each time the
// decoded count minus one doubles.
unsigned OffsetBits(std::size_t decoded) {
  unsigned bits = 4;
  for (std::size_t i = decoded > 0 ? decoded - 1 : 0; i >= 16; i >>= 1) ++bits;
  return bits;
}

std::size_t DecodeCompressed(std::span<const std::uint8_t> body, std::span<std::uint8_t> out) {
  std::size_t in = 0;
  std::size_t produced = 0;
  while (in < body.size() && produced < out.size()) {
    const std::uint8_t flags = body[in++];
    for (int item = 0; item < 8 && in < body.size() && produced < out.size(); ++item) {
      if ((flags & (1u << item)) == 0) {
        out[produced++] = body[in++];
        continue;
      }
      const std::optional<std::uint16_t> token = le16(body, in);
      if (!token) return produced;
      in += 2;
      const unsigned offsetBits = OffsetBits(produced);
      const unsigned lengthBits = 16 - offsetBits;
      const std::size_t length = (*token & ((1u << lengthBits) - 1)) + 3u;
      const std::size_t offset = (static_cast<std::size_t>(*token) >> lengthBits) + 1u;
      for (std::size_t n = 0; n < length && produced < out.size(); ++n, ++produced)
        out[produced] = produced >= offset ? out[produced - offset] : 0;
    }
  }
  return produced;
}

}  // namespace

std::size_t ChunkLength(std::span<const std::uint8_t> in) {
  const std::optional<std::uint16_t> header = le16(in, 0);
  if (!header || *header == 0) return 0;
  return static_cast<std::size_t>(*header & kSizeMask) + 3u;
}

std::size_t DecompressChunk(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  const std::optional<std::uint16_t> header = le16(in, 0);
  if (!header || out.empty()) return 0;
  const std::size_t claimed = static_cast<std::size_t>(*header & kSizeMask) + 1u;
  const std::span<const std::uint8_t> body = in.subspan(2, std::min(claimed, in.size() - 2));
  if ((*header & kCompressedFlag) == 0) {
    const std::size_t count = std::min(body.size(), out.size());
    std::copy_n(body.begin(), count, out.begin());
    return count;
  }
  return DecodeCompressed(body, out);
}

std::size_t DecompressUnit(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  std::size_t at = 0;
  std::size_t produced = 0;
  while (produced < out.size()) {
    const std::span<const std::uint8_t> rest = in.subspan(std::min(at, in.size()));
    const std::size_t length = ChunkLength(rest);
    if (length == 0) break;
    produced += DecompressChunk(rest, out.subspan(produced));
    at += length;
  }
  return produced;
}

}  // namespace quellsy::lznt1
