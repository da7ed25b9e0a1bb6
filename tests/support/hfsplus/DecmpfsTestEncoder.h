#pragma once
// Compressed-file content as the operating system stores it, for tests: the decmpfs attribute and, for the
// fork types, the resource fork of 64 KiB blocks (zlib behind a resource header and block table, LZVN behind
// a chunk offset table). Stored blocks keep their bytes behind the marker byte instead.

#include <cstdint>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::test {

struct EncodedCompressedFile {
  std::vector<std::uint8_t> attribute;     // "com.apple.decmpfs"
  std::vector<std::uint8_t> resourceFork;  // empty for the inline types 3 and 7
};

// type: 3 or 7 (inline), 4 or 8 (resource fork).
EncodedCompressedFile EncodeDecmpfs(ByteSpan data, std::uint32_t type, bool stored = false);

}  // namespace quellsy::test
