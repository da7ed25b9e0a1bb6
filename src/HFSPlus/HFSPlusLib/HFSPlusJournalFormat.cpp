#include "HFSPlus/HFSPlusLib/HFSPlusJournalFormat.h"

#include <algorithm>

namespace quellsy::hfsplus {

std::optional<JournalInfoBlock> ParseJournalInfoBlock(ByteSpan bytes) {
  FieldReader r(bytes);
  JournalInfoBlock block;
  block.flags = r.be32(0);
  block.offset = r.be64(36);
  block.size = r.be64(44);
  r.bytes(0, kJournalInfoBlockSize);
  if (!r.ok()) return std::nullopt;
  return block;
}

std::optional<JournalHeader> ParseJournalHeader(ByteSpan bytes) {
  FieldReader r(bytes);
  JournalHeader header;
  header.magic = r.le32(0);
  header.endian = r.le32(4);
  header.start = r.le64(8);
  header.end = r.le64(16);
  header.size = r.le64(24);
  header.blhdrSize = r.le32(32);
  header.checksum = r.le32(36);
  header.jhdrSize = r.le32(40);
  if (!r.ok()) return std::nullopt;
  return header;
}

std::optional<std::uint16_t> PeekMaxBlocks(ByteSpan bytes) { return le16(bytes, 0); }

std::optional<JournalBlockListHeader> ParseBlockListHeader(ByteSpan bytes) {
  FieldReader r(bytes);
  JournalBlockListHeader list;
  list.maxBlocks = r.le16(0);
  list.numBlocks = r.le16(2);
  list.bytesUsed = r.le32(4);
  list.checksum = r.le32(8);
  if (!r.ok()) return std::nullopt;
  const std::size_t fit = bytes.size() / kBlockInfoSize - 1;
  const std::size_t count = std::min<std::size_t>(list.numBlocks, fit);
  list.blocks.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kBlockInfoSize * (i + 1);
    list.blocks.push_back({r.le64(at), r.le32(at + 8), r.le32(at + 12)});
  }
  return list;
}

}  // namespace quellsy::hfsplus
