#include "DataRecovery/Lznt1TestEncoder.h"

#include <algorithm>

namespace quellsy::test {

namespace {

constexpr std::size_t kWindow = 1024;

unsigned OffsetBits(std::size_t position) {
  unsigned bits = 4;
  for (std::size_t i = position > 0 ? position - 1 : 0; i >= 16; i >>= 1) ++bits;
  return bits;
}

std::vector<std::uint8_t> EncodeChunk(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> body;
  std::size_t position = 0;
  while (position < data.size()) {
    const std::size_t flagsAt = body.size();
    body.push_back(0);
    for (int item = 0; item < 8 && position < data.size(); ++item) {
      const unsigned lengthBits = 16 - OffsetBits(position);
      const std::size_t maxLength = (std::size_t{1} << lengthBits) - 1 + 3;
      const std::size_t maxOffset = std::size_t{1} << (16 - lengthBits);
      std::size_t bestLength = 0;
      std::size_t bestOffset = 0;
      // A bounded window keeps the encoder quick; far matches still come up in repetitive input.
      for (std::size_t offset = 1; offset <= std::min({position, maxOffset, kWindow}) && bestLength < maxLength;
           ++offset) {
        std::size_t length = 0;
        while (length < maxLength && position + length < data.size() &&
               data[position + length] == data[position + length - offset])
          ++length;
        if (length > bestLength) {
          bestLength = length;
          bestOffset = offset;
        }
      }
      if (bestLength >= 3) {
        const auto token = static_cast<std::uint16_t>(((bestOffset - 1) << lengthBits) | (bestLength - 3));
        body.push_back(static_cast<std::uint8_t>(token));
        body.push_back(static_cast<std::uint8_t>(token >> 8));
        body[flagsAt] = static_cast<std::uint8_t>(body[flagsAt] | (1u << item));
        position += bestLength;
      } else {
        body.push_back(data[position++]);
      }
    }
  }
  const bool stored = body.size() >= data.size();
  const std::span<const std::uint8_t> payload = stored ? data : std::span<const std::uint8_t>(body);
  const auto header = static_cast<std::uint16_t>((stored ? 0x3000 : 0xB000) | (payload.size() - 1));
  std::vector<std::uint8_t> chunk{static_cast<std::uint8_t>(header), static_cast<std::uint8_t>(header >> 8)};
  chunk.insert(chunk.end(), payload.begin(), payload.end());
  return chunk;
}

}  // namespace

std::vector<std::uint8_t> Lznt1Encode(std::span<const std::uint8_t> input) {
  std::vector<std::uint8_t> out;
  for (std::size_t at = 0; at < input.size(); at += 4096) {
    const std::vector<std::uint8_t> chunk = EncodeChunk(input.subspan(at, std::min<std::size_t>(4096, input.size() - at)));
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  return out;
}

}  // namespace quellsy::test
