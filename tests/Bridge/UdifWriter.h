#pragma once
// Writes small UDIF disk images for the DMG tests: a data fork of stored and zero chunks, an XML
// property list whose "blkx" dictionaries hold the block tables, and the 512-byte "koly" trailer.

#include <cstdint>
#include <optional>
#include <vector>

namespace quellsy::test {

struct UdifRun {
  std::uint32_t type;  // chunk type: 0 zero-fill, 1 raw, 2 ignored, 0x80000005 zlib, ...
  std::uint64_t sectors;
};

struct UdifOptions {
  // One block table per entry; the runs follow each other in sector order across all tables.
  std::vector<std::vector<UdifRun>> tables;
  // Zero-fill and ignored runs take no bytes in the file, as image writers lay them out; otherwise
  // every run is stored at its own sector's offset.
  bool packed = false;
  bool encryptedHead = false;
  bool withoutBlkx = false;
  std::optional<std::uint64_t> xmlLength;         // replaces the true length in the trailer
  std::optional<std::uint32_t> firstTableChunks;  // replaces the chunk count of the first table
};

struct UdifImage {
  std::vector<std::uint8_t> file;
  std::vector<std::uint8_t> disk;  // the sectors the image describes
};

UdifImage WriteUdif(const UdifOptions& options);

}  // namespace quellsy::test
