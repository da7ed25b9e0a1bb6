#pragma once
// The container structures the APFS engine reads: object headers, B-tree node entries and the three
// file-system-tree records it joins (inode, directory record, file extent). Every field, start and end, is
// checked against the block it lies in; a field that does not fit makes its record unusable.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::apfs {

constexpr std::uint32_t kBlockSize = 4096;
constexpr std::uint32_t kContainerMagic = 0x4253584E;  // "NXSB"
constexpr std::uint32_t kVolumeMagic = 0x42535041;     // "APSB"
constexpr std::uint16_t kTypeContainer = 1;
constexpr std::uint16_t kTypeNode = 3;
constexpr std::uint16_t kSubtypeObjectMap = 11;
constexpr std::uint16_t kSubtypeFsTree = 14;
constexpr std::uint16_t kPhysicalFlags = 0x4000;
constexpr std::uint32_t kMaxEntries = 1024;
// The tree information at the end of a root node.
constexpr std::uint32_t kTreeInfoSize = 40;
constexpr std::uint32_t kNodeHeaderSize = 56;
constexpr std::size_t kVolumeNameOffset = 704;
constexpr std::size_t kContainerUuidOffset = 72;
constexpr std::uint64_t kNoKey = ~std::uint64_t{0};

struct ObjectHeader {
  std::uint64_t oid = 0;
  std::uint16_t type = 0;
  std::uint16_t typeFlags = 0;
  std::uint16_t subtype = 0;
};

// Null when the block is too short for a header.
std::optional<ObjectHeader> ReadObjectHeader(ByteSpan block);
// Identifier not 0, type and subtype at most 31: the only test made before a body is interpreted.
bool IsObjectValid(ByteSpan block);

struct NodeHeader {
  std::uint16_t flags = 0;
  std::uint32_t keyCount = 0;
  std::uint16_t tableLength = 0;
};
std::optional<NodeHeader> ReadNodeHeader(ByteSpan block);

// One table-of-contents entry placed in its block. valueLength is 0 for fixed-size entries.
struct NodeEntry {
  std::size_t keyPos = 0;
  std::size_t keyLength = 0;
  std::size_t valuePos = 0;
  std::size_t valueLength = 0;
};

// Where entry `index` of a variable-size table puts its key and value, or null when the entry fails a bound:
// the value must start strictly inside the block and end within it, the key likewise. valueAdjust is the
// tree information subtracted in root nodes.
std::optional<NodeEntry> VariableEntry(ByteSpan block, const NodeHeader& node, std::uint32_t index,
                                       std::uint32_t valueAdjust);
// The same for a fixed-size (object-map) table; the value is the 16-byte map value.
std::optional<NodeEntry> FixedEntry(ByteSpan block, const NodeHeader& node, std::uint32_t index,
                                    std::uint32_t valueAdjust);

// Nanoseconds since 1970 to FILETIME, whole seconds.
std::uint64_t ToFileTime(std::uint64_t nanoseconds);
// Between 1985-11-05 and 2029-05-14, both ends included.
bool IsPlausibleTime(std::uint64_t nanoseconds);

enum class RecordKind { kInode, kDirectory, kExtent, kOther };
// The kind by the key's top byte (0x30, 0x90 and 0x80 only) and the 56-bit owner identifier.
RecordKind KindOf(ByteSpan key, std::uint64_t* owner);

struct InodeRecord {
  std::uint64_t parent = 0;
  std::uint64_t privateId = 0;
  std::uint64_t created = 0;
  std::uint64_t modified = 0;
  std::uint64_t changed = 0;
  std::uint64_t accessed = 0;
  bool directory = false;
  std::uint64_t size = 0;
  std::string name;  // as stored, its NUL included
};
std::optional<InodeRecord> ParseInode(ByteSpan value);

struct DirectoryRecord {
  std::string name;  // as stored, its NUL included
  std::uint64_t fileId = 0;
  std::uint64_t dateAdded = 0;
  bool directory = false;
};
std::optional<DirectoryRecord> ParseDirectory(ByteSpan key, ByteSpan value);

struct ExtentRecord {
  std::uint64_t logicalOffset = 0;
  std::uint64_t lengthAndFlags = 0;
  std::uint64_t physicalBlock = 0;
};
std::optional<ExtentRecord> ParseExtent(ByteSpan key, ByteSpan value);

}  // namespace quellsy::apfs
