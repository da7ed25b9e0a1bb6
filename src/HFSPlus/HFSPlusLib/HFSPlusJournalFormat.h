#pragma once
// The journal structures of an HFS+ volume: the info block (big-endian, like the rest of the volume), the
// journal header and the block list headers of its transactions (written in the writer's own byte order, so
// read as little-endian and recognised by their endian field).

#include <cstdint>
#include <optional>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::hfsplus {

constexpr std::size_t kJournalInfoBlockSize = 180;
constexpr std::size_t kJournalHeaderSize = 44;
constexpr std::uint32_t kJournalInFileSystem = 1;  // info-block flag: the journal lies on this volume
constexpr std::uint32_t kJournalMagic = 0x4A4E4C78;
constexpr std::uint32_t kJournalEndian = 0x12345678;
constexpr std::size_t kBlockInfoSize = 16;

}  // namespace quellsy::hfsplus

struct JournalInfoBlock {
  std::uint32_t flags = 0;
  std::uint64_t offset = 0;  // bytes from the volume's start
  std::uint64_t size = 0;    // bytes
};

struct JournalHeader {
  std::uint32_t magic = 0;
  std::uint32_t endian = 0;
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  std::uint64_t size = 0;
  std::uint32_t blhdrSize = 0;
  std::uint32_t checksum = 0;
  std::uint32_t jhdrSize = 0;
};

struct JournalBlockInfo {
  std::uint64_t bnum = 0;  // where the block belongs, in units of the header size
  std::uint32_t bsize = 0;
  std::uint32_t next = 0;
};

struct JournalBlockListHeader {
  std::uint16_t maxBlocks = 0;
  std::uint16_t numBlocks = 0;
  std::uint32_t bytesUsed = 0;
  std::uint32_t checksum = 0;
  std::vector<JournalBlockInfo> blocks;  // entry 0 included; as many as numBlocks and the bytes allow
};

namespace quellsy::hfsplus {

std::optional<JournalInfoBlock> ParseJournalInfoBlock(ByteSpan bytes);
std::optional<JournalHeader> ParseJournalHeader(ByteSpan bytes);
// The u16 at offset 0: a block list header's max_blocks, tested before the whole header is read.
std::optional<std::uint16_t> PeekMaxBlocks(ByteSpan bytes);
std::optional<JournalBlockListHeader> ParseBlockListHeader(ByteSpan bytes);

}  // namespace quellsy::hfsplus
