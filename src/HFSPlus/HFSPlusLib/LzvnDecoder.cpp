#include "HFSPlus/HFSPlusLib/LzvnDecoder.h"

#include <algorithm>
#include <cstdint>

namespace quellsy::lzvn {

namespace {

constexpr std::uint8_t kEndOfStream = 0x06;

// One decoded operation: literals copied from the stream, then a match at the current distance.
struct Operation {
  std::size_t opcodeBytes = 1;
  std::size_t literals = 0;
  std::size_t match = 0;
  std::optional<std::size_t> distance;  // nullopt: keep the previous one
};

// The operation that opcode c begins; nullopt for an undefined opcode or one whose bytes are missing.
std::optional<Operation> Classify(ByteSpan in, std::size_t at) {
  const std::uint8_t c = in[at];
  const auto byte = [&](std::size_t n) { return quellsy::u8(in, at + n); };
  Operation op;
  if (c >= 0xE0) {
    // 1110LLLL literals, 11100000 LLLLLLLL long literals, 1111MMMM and 11110000 MMMMMMMM matches.
    const bool literal = c < 0xF0;
    std::size_t count = c & 0x0F;
    if (count == 0) {
      const auto extra = byte(1);
      if (!extra) return std::nullopt;
      count = std::size_t{*extra} + 16;
      op.opcodeBytes = 2;
    }
    (literal ? op.literals : op.match) = count;
    return op;
  }
  if ((c & 0xE0) == 0xA0) {
    // 101LLMMM DDDDDDMM DDDDDDDD
    const auto b1 = byte(1);
    const auto b2 = byte(2);
    if (!b1 || !b2) return std::nullopt;
    op.opcodeBytes = 3;
    op.literals = (c >> 3) & 3;
    op.match = ((std::size_t{c & 7u} << 2) | (*b1 & 3u)) + 3;
    op.distance = (std::size_t{*b2} << 6) | (*b1 >> 2);
    return op;
  }
  if ((c & 0xF0) == 0x70 || (c & 0xF0) == 0xD0) return std::nullopt;
  // LLMMMDDD with DDD 110: previous distance, 111: 16-bit distance, otherwise an 11-bit distance.
  op.literals = c >> 6;
  op.match = ((c >> 3) & 7u) + 3;
  switch (c & 7) {
    case 6:
      if (op.literals == 0) return std::nullopt;  // the end and no-op codes are handled by the caller
      return op;
    case 7: {
      const auto b1 = byte(1);
      const auto b2 = byte(2);
      if (!b1 || !b2) return std::nullopt;
      op.opcodeBytes = 3;
      op.distance = std::size_t{*b1} | (std::size_t{*b2} << 8);
      return op;
    }
    default: {
      const auto b1 = byte(1);
      if (!b1) return std::nullopt;
      op.opcodeBytes = 2;
      op.distance = (std::size_t{c & 7u} << 8) | *b1;
      return op;
    }
  }
}

}  // namespace

std::optional<std::size_t> Decode(ByteSpan in, MutableByteSpan out) {
  std::size_t ip = 0;
  std::size_t written = 0;
  std::size_t distance = 0;
  while (written < out.size()) {
    if (ip >= in.size()) return std::nullopt;
    const std::uint8_t c = in[ip];
    if (c == kEndOfStream) return written;
    if (c == 0x0E || c == 0x16) {
      ++ip;
      continue;
    }
    const auto op = Classify(in, ip);
    if (!op) return std::nullopt;
    ip += op->opcodeBytes;
    if (op->literals > in.size() - ip || op->literals > out.size() - written) return std::nullopt;
    std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(ip), op->literals,
                out.begin() + static_cast<std::ptrdiff_t>(written));
    ip += op->literals;
    written += op->literals;
    if (op->distance) distance = *op->distance;
    if (op->match == 0) continue;
    if (distance == 0 || distance > written || op->match > out.size() - written) return std::nullopt;
    // Byte by byte: a match may overlap the bytes it produces.
    for (std::size_t i = 0; i < op->match; ++i, ++written) out[written] = out[written - distance];
  }
  return written;
}

}  // namespace quellsy::lzvn
