#include "HFSPlus/HFSPlusLib/HFSPlusDecmpfs.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "HFSPlus/HFSPlusLib/LzvnDecoder.h"

namespace quellsy::hfsplus {

namespace {

// Data that would not shrink is kept as it is behind a marker byte.
constexpr std::uint8_t kLzvnStoredMarker = 0x06;
constexpr std::uint8_t kZlibStoredNibble = 0x0F;

bool IsLzvn(std::uint32_t type) { return type == kDecmpfsLzvnInline || type == kDecmpfsLzvnFork; }

std::string Describe(std::uint32_t type) {
  const std::string prefix = "decmpfs: compression type " + std::to_string(type);
  if (type == kDecmpfsLzfseInline || type == kDecmpfsLzfseFork) return prefix + " (LZFSE) is not supported";
  return prefix + " is not supported";
}

// Decodes one stream (the inline payload or one block) into out, which it must fill exactly.
std::string DecodeBlock(std::uint32_t type, ByteSpan in, MutableByteSpan out) {
  if (in.empty()) return "decmpfs: empty compressed block";
  const bool stored = type == kDecmpfsUncompressedInline ||
                      (IsLzvn(type) ? in[0] == kLzvnStoredMarker : (in[0] & 0x0F) == kZlibStoredNibble);
  if (stored) {
    if (in.size() - 1 < out.size()) return "decmpfs: stored block shorter than its content";
    std::copy_n(in.begin() + 1, out.size(), out.begin());
    return {};
  }
  std::size_t produced = 0;
  if (IsLzvn(type)) {
    const auto got = lzvn::Decode(in, out);
    if (!got) return "decmpfs: damaged LZVN data";
    produced = *got;
  } else {
    uLongf destLength = static_cast<uLongf>(out.size());
    const int code = uncompress(out.data(), &destLength, in.data(), static_cast<uLong>(in.size()));
    // A full buffer is all that is needed even when the stream goes on.
    if (code != Z_OK && !(code == Z_BUF_ERROR && destLength == out.size())) return "decmpfs: damaged zlib data";
    produced = destLength;
  }
  if (produced != out.size())
    return "decmpfs: block decodes to " + std::to_string(produced) + " bytes instead of " + std::to_string(out.size());
  return {};
}

DecmpfsRead Fail(std::string message) { return {0, std::move(message)}; }

DecmpfsRead ReadInline(const DecmpfsHeader& header, ByteSpan payload, std::uint64_t offset, MutableByteSpan out) {
  if (header.uncompressedSize > kMaxInlineDecmpfsSize) return Fail("decmpfs: inline size too large");
  std::vector<std::uint8_t> content(header.uncompressedSize);
  if (auto error = DecodeBlock(header.type, payload, content); !error.empty()) return Fail(std::move(error));
  const std::size_t count = std::min<std::uint64_t>(out.size(), content.size() - offset);
  std::copy_n(content.begin() + static_cast<std::ptrdiff_t>(offset), count, out.begin());
  return {count, {}};
}

// Where each block's compressed bytes lie in the fork.
struct BlockSpan {
  std::uint64_t start = 0;
  std::uint64_t size = 0;
};

class ForkBlocks {
 public:
  ForkBlocks(const DecmpfsHeader& header, std::uint64_t forkSize, const DecmpfsForkReader& fork)
      : header_(header), forkSize_(forkSize), fork_(fork) {}

  // Reads `length` fork bytes at offset after checking them against the fork's size.
  bool Read(std::uint64_t offset, std::uint64_t length, std::vector<std::uint8_t>& into) {
    if (offset > forkSize_ || length > forkSize_ - offset) return false;
    into.resize(length);
    return fork_(offset, into);
  }

  // The first and the past-the-last block's spans; the error names what is wrong.
  std::string Locate(std::uint64_t first, std::uint64_t last, std::vector<BlockSpan>& spans) {
    const std::uint64_t blocks = (header_.uncompressedSize + kDecmpfsBlockSize - 1) / kDecmpfsBlockSize;
    std::vector<std::uint8_t> bytes;
    if (header_.type == kDecmpfsZlibFork) {
      // Resource header (big-endian), then at dataOffset: the data length, the block count and the table.
      if (!Read(0, 16, bytes)) return "decmpfs: resource fork shorter than its header";
      const std::uint64_t dataOffset = *be32(bytes, 0);
      if (!Read(dataOffset, 8, bytes)) return "decmpfs: block table outside the resource fork";
      if (*le32(bytes, 4) != blocks) return "decmpfs: block count does not match the size";
      if (!Read(dataOffset + 8 + first * 8, (last - first) * 8, bytes)) return "decmpfs: block table outside the resource fork";
      for (std::uint64_t i = 0; i < last - first; ++i)
        spans.push_back({dataOffset + 4 + *le32(bytes, i * 8), *le32(bytes, i * 8 + 4)});
    } else {
      // A table of little-endian offsets, the first its own length and the last the end of the last chunk.
      if (!Read(0, 4, bytes)) return "decmpfs: resource fork shorter than its chunk table";
      const std::uint64_t tableBytes = *le32(bytes, 0);
      if (tableBytes % 4 != 0 || tableBytes / 4 != blocks + 1) return "decmpfs: chunk count does not match the size";
      if (!Read(first * 4, (last - first + 1) * 4, bytes)) return "decmpfs: chunk table outside the resource fork";
      for (std::uint64_t i = 0; i < last - first; ++i) {
        const std::uint64_t from = *le32(bytes, i * 4);
        const std::uint64_t to = *le32(bytes, i * 4 + 4);
        if (from < tableBytes || to < from) return "decmpfs: chunk offsets out of order";
        spans.push_back({from, to - from});
      }
    }
    return {};
  }

 private:
  const DecmpfsHeader& header_;
  std::uint64_t forkSize_;
  const DecmpfsForkReader& fork_;
};

DecmpfsRead ReadFork(const DecmpfsHeader& header, std::uint64_t forkSize, const DecmpfsForkReader& fork,
                     std::uint64_t offset, MutableByteSpan out) {
  if (!fork) return Fail("decmpfs: the resource fork cannot be read");
  const std::uint64_t end = std::min<std::uint64_t>(header.uncompressedSize, offset + out.size());
  const std::uint64_t first = offset / kDecmpfsBlockSize;
  const std::uint64_t last = (end + kDecmpfsBlockSize - 1) / kDecmpfsBlockSize;
  ForkBlocks blocks(header, forkSize, fork);
  std::vector<BlockSpan> spans;
  if (auto error = blocks.Locate(first, last, spans); !error.empty()) return Fail(std::move(error));
  std::vector<std::uint8_t> compressed;
  std::vector<std::uint8_t> block;
  std::size_t count = 0;
  for (std::uint64_t i = first; i < last; ++i) {
    const BlockSpan& span = spans[i - first];
    if (span.size > kMaxCompressedBlockSize) return Fail("decmpfs: compressed block too large");
    if (!blocks.Read(span.start, span.size, compressed)) return Fail("decmpfs: block outside the resource fork");
    const std::uint64_t blockStart = i * kDecmpfsBlockSize;
    block.resize(std::min(kDecmpfsBlockSize, header.uncompressedSize - blockStart));
    if (auto error = DecodeBlock(header.type, compressed, block); !error.empty()) return Fail(std::move(error));
    const std::uint64_t from = std::max(offset, blockStart);
    const std::uint64_t to = std::min(end, blockStart + block.size());
    std::copy(block.begin() + static_cast<std::ptrdiff_t>(from - blockStart),
              block.begin() + static_cast<std::ptrdiff_t>(to - blockStart), out.begin() + static_cast<std::ptrdiff_t>(count));
    count += to - from;
  }
  return {count, {}};
}

}  // namespace

std::optional<DecmpfsHeader> ParseDecmpfsHeader(ByteSpan attribute) {
  FieldReader reader(attribute);
  DecmpfsHeader header;
  header.type = reader.le32(4);
  header.uncompressedSize = reader.le64(8);
  if (!reader.ok() || attribute.size() < kDecmpfsHeaderSize) return std::nullopt;
  return header;
}

DecmpfsRead ReadDecmpfs(ByteSpan attribute, std::uint64_t forkSize, const DecmpfsForkReader& fork,
                        std::uint64_t offset, MutableByteSpan out) {
  const auto header = ParseDecmpfsHeader(attribute);
  if (!header) return Fail("decmpfs: attribute shorter than its header");
  switch (header->type) {
    case kDecmpfsZlibInline:
    case kDecmpfsLzvnInline:
    case kDecmpfsZlibFork:
    case kDecmpfsLzvnFork:
    case kDecmpfsUncompressedInline:
      break;
    default:
      return Fail(Describe(header->type));
  }
  if (header->uncompressedSize > kMaxDecmpfsSize) return Fail("decmpfs: uncompressed size too large");
  if (offset >= header->uncompressedSize || out.empty()) return {};
  if (header->type != kDecmpfsZlibFork && header->type != kDecmpfsLzvnFork)
    return ReadInline(*header, attribute.subspan(kDecmpfsHeaderSize), offset, out);
  return ReadFork(*header, forkSize, fork, offset, out);
}

}  // namespace quellsy::hfsplus
