#pragma once
// The LZNT1 decoder for NTFS-compressed data. A compression unit holds chunks, each a 16-bit header (bit 15:
// compressed; low 12 bits: bytes after the header minus 1) and at most 4096 decoded bytes. The decoder reads only
// inside its input span and writes only inside its output span, whatever the chunk claims.

#include <cstddef>
#include <cstdint>
#include <span>

namespace quellsy::lznt1 {

constexpr std::size_t kChunkDataSize = 4096;

// Bytes the chunk at the start of `in` occupies, header included; 0 when fewer than 2 bytes remain or the header is
// 0 (the end of a unit's chunks).
std::size_t ChunkLength(std::span<const std::uint8_t> in);

// Decodes the one chunk at the start of `in` into `out`; returns the number of bytes written. A back-reference
// before the start of the chunk's output yields zeros.
std::size_t DecompressChunk(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

// Decodes the chunks of one unit one after another until a zero header, the end of `in` or a full `out`; returns
// the number of bytes written.
std::size_t DecompressUnit(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

}  // namespace quellsy::lznt1
