#include "support/hfsplus/DecmpfsTestEncoder.h"

#include <zlib.h>

#include <algorithm>

#include "support/hfsplus/LzvnTestEncoder.h"

namespace quellsy::test {

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kBlock = 65536;

Bytes EncodeBlock(ByteSpan block, bool lzvn, bool stored) {
  if (stored) {
    Bytes out{static_cast<std::uint8_t>(lzvn ? 0x06 : 0xFF)};
    out.insert(out.end(), block.begin(), block.end());
    return out;
  }
  if (lzvn) return LzvnEncode(block);
  uLongf length = compressBound(static_cast<uLong>(block.size()));
  Bytes out(length);
  compress2(out.data(), &length, block.data(), static_cast<uLong>(block.size()), 9);
  out.resize(length);
  return out;
}

void Append(Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); }

}  // namespace

EncodedCompressedFile EncodeDecmpfs(ByteSpan data, std::uint32_t type, bool stored) {
  const bool lzvn = type == 7 || type == 8;
  EncodedCompressedFile out;
  out.attribute.assign(16, 0);
  FieldWriter attribute(out.attribute);
  attribute.le32(0, 0x636D7066);
  attribute.le32(4, type);
  attribute.le64(8, data.size());
  if (type == 3 || type == 7) {
    Append(out.attribute, EncodeBlock(data, lzvn, stored));
    return out;
  }
  std::vector<Bytes> blocks;
  for (std::size_t at = 0; at < data.size(); at += kBlock)
    blocks.push_back(EncodeBlock(data.subspan(at, std::min(kBlock, data.size() - at)), lzvn, stored));
  Bytes& fork = out.resourceFork;
  if (lzvn) {
    // Offsets of every chunk and of the end; the first is the table's own length.
    fork.assign(4 * (blocks.size() + 1), 0);
    FieldWriter table(fork);
    std::uint32_t at = static_cast<std::uint32_t>(fork.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      table.le32(4 * i, at);
      at += static_cast<std::uint32_t>(blocks[i].size());
    }
    table.le32(4 * blocks.size(), at);
    for (const Bytes& b : blocks) Append(fork, b);
    return out;
  }
  // Resource header, then at 256: data length, block count, {offset, size} per block counted from 260.
  constexpr std::uint32_t kDataOffset = 256;
  constexpr std::uint32_t kMapLength = 50;
  const std::size_t count = blocks.size();
  fork.assign(kDataOffset + 8 + 8 * count, 0);
  FieldWriter table(fork);
  std::uint32_t at = static_cast<std::uint32_t>(4 + 8 * count);
  for (std::size_t i = 0; i < count; ++i) {
    table.le32(kDataOffset + 8 + 8 * i, at);
    table.le32(kDataOffset + 12 + 8 * i, static_cast<std::uint32_t>(blocks[i].size()));
    at += static_cast<std::uint32_t>(blocks[i].size());
  }
  for (const Bytes& b : blocks) Append(fork, b);
  const auto dataLength = static_cast<std::uint32_t>(fork.size() - kDataOffset);
  FieldWriter header(fork);
  header.be32(0, kDataOffset);
  header.be32(4, kDataOffset + dataLength);
  header.be32(8, dataLength);
  header.be32(12, kMapLength);
  header.be32(kDataOffset, dataLength - 4);
  header.le32(kDataOffset + 4, static_cast<std::uint32_t>(count));
  fork.resize(fork.size() + kMapLength, 0);
  return out;
}

}  // namespace quellsy::test
