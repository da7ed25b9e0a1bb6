#pragma once
// Compressed HFS+ files: the header of the "com.apple.decmpfs" attribute and the reading of a range of the
// uncompressed content, inline after that header (zlib type 3, LZVN type 7, kept as it is type 9) or in 64 KiB blocks in the
// resource fork (zlib type 4, LZVN type 8). Only the blocks that cover a range are decoded.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Utility/ByteReader.h"

namespace quellsy::hfsplus {

constexpr const char* kDecmpfsAttributeName = "com.apple.decmpfs";
constexpr std::size_t kDecmpfsHeaderSize = 16;
constexpr std::uint64_t kDecmpfsBlockSize = 65536;
// Larger sizes are taken for damage: 64 GiB in blocks (a block table of 8 MiB at most), 16 MiB inline.
constexpr std::uint64_t kMaxDecmpfsSize = 1ull << 36;
constexpr std::uint64_t kMaxInlineDecmpfsSize = 1ull << 24;
// A block stored as it is carries one marker byte; compressors add a little more to data that does not shrink.
constexpr std::uint64_t kMaxCompressedBlockSize = 2 * kDecmpfsBlockSize;

enum DecmpfsType : std::uint32_t {
  kDecmpfsZlibInline = 3,
  kDecmpfsZlibFork = 4,
  kDecmpfsLzvnInline = 7,
  kDecmpfsLzvnFork = 8,
  kDecmpfsUncompressedInline = 9,  // one marker byte, then the content as it is
  kDecmpfsLzfseInline = 11,
  kDecmpfsLzfseFork = 12,
};

// Little-endian as stored; the magic is not checked.
struct DecmpfsHeader {
  std::uint32_t type = 0;
  std::uint64_t uncompressedSize = 0;
};

std::optional<DecmpfsHeader> ParseDecmpfsHeader(ByteSpan attribute);

// Copies the resource fork's bytes at offset into out; false when they cannot all be read.
using DecmpfsForkReader = std::function<bool(std::uint64_t offset, MutableByteSpan out)>;

struct DecmpfsRead {
  std::size_t count = 0;
  std::string error;  // empty on success; otherwise what was wrong, and count is 0
};

// The uncompressed bytes at offset, at most out.size() of them; a count of 0 without error at or past the end.
// forkSize bounds every offset taken from the fork before it is read.
DecmpfsRead ReadDecmpfs(ByteSpan attribute, std::uint64_t forkSize, const DecmpfsForkReader& fork,
                        std::uint64_t offset, MutableByteSpan out);

}  // namespace quellsy::hfsplus
