#include "APFS/ApfsFormat.h"

#include <algorithm>

namespace quellsy::apfs {
namespace {

constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr std::uint64_t kNanosecondsPerSecond = 1000000000ull;
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000ull;
constexpr std::uint64_t kEarliestTime = 500000000000000000ull;
constexpr std::uint64_t kLatestTime = 1873497444986126336ull;
constexpr std::size_t kInodeMinimum = 100;
constexpr std::size_t kDirectoryMinimum = 18;
constexpr std::size_t kExtentMinimum = 16;
constexpr std::size_t kMaxExtendedFields = 1024;
constexpr std::uint16_t kFieldDataStream = 0x2008;
constexpr std::uint16_t kFieldName = 0x0204;
constexpr std::uint16_t kNameLengthMask = 0x1FF;

bool Fits(std::size_t size, std::size_t pos, std::size_t length) { return pos <= size && size - pos >= length; }

// Names keep the stored length, their terminating NUL included.
std::string StoredName(ByteSpan bytes) { return std::string(bytes.begin(), bytes.end()); }

std::size_t PadTo8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }

}  // namespace

std::optional<ObjectHeader> ReadObjectHeader(ByteSpan block) {
  FieldReader r(block);
  ObjectHeader h{r.le64(8), r.le16(24), r.le16(26), r.le16(28)};
  if (!r.ok()) return std::nullopt;
  return h;
}

bool IsObjectValid(ByteSpan block) {
  const auto h = ReadObjectHeader(block);
  return h && h->oid != 0 && h->type <= 31 && h->subtype <= 31;
}

std::optional<NodeHeader> ReadNodeHeader(ByteSpan block) {
  FieldReader r(block);
  NodeHeader n{r.le16(32), r.le32(36), r.le16(42)};
  if (!r.ok() || block.size() < kNodeHeaderSize) return std::nullopt;
  return n;
}

namespace {
std::optional<NodeEntry> PlaceEntry(ByteSpan block, const NodeHeader& node, std::size_t keyOffset,
                                    std::size_t keyLength, std::size_t valueOffset, std::size_t valueLength,
                                    std::uint32_t valueAdjust) {
  const std::size_t size = block.size();
  const std::size_t keyPos = kNodeHeaderSize + node.tableLength + keyOffset;
  // The value must start strictly inside the block: after its first byte and before its end.
  if (valueOffset + valueAdjust >= size || valueOffset + valueAdjust == 0) return std::nullopt;
  const std::size_t valuePos = size - valueOffset - valueAdjust;
  if (keyPos >= size || !Fits(size, keyPos, keyLength) || !Fits(size, valuePos, valueLength)) return std::nullopt;
  return NodeEntry{keyPos, keyLength, valuePos, valueLength};
}
}  // namespace

std::optional<NodeEntry> VariableEntry(ByteSpan block, const NodeHeader& node, std::uint32_t index,
                                       std::uint32_t valueAdjust) {
  FieldReader r(block);
  const std::size_t at = kNodeHeaderSize + std::size_t{index} * 8;
  const std::uint16_t keyOffset = r.le16(at), keyLength = r.le16(at + 2);
  const std::uint16_t valueOffset = r.le16(at + 4), valueLength = r.le16(at + 6);
  if (!r.ok()) return std::nullopt;
  return PlaceEntry(block, node, keyOffset, keyLength, valueOffset, valueLength, valueAdjust);
}

std::optional<NodeEntry> FixedEntry(ByteSpan block, const NodeHeader& node, std::uint32_t index,
                                    std::uint32_t valueAdjust) {
  FieldReader r(block);
  const std::size_t at = kNodeHeaderSize + std::size_t{index} * 4;
  const std::uint16_t keyOffset = r.le16(at), valueOffset = r.le16(at + 2);
  if (!r.ok()) return std::nullopt;
  return PlaceEntry(block, node, keyOffset, 16, valueOffset, 16, valueAdjust);
}

std::uint64_t ToFileTime(std::uint64_t nanoseconds) {
  return kUnixEpochAsFileTime + (nanoseconds / kNanosecondsPerSecond) * kFileTimeTicksPerSecond;
}

bool IsPlausibleTime(std::uint64_t nanoseconds) {
  return nanoseconds >= kEarliestTime && nanoseconds <= kLatestTime;
}

RecordKind KindOf(ByteSpan key, std::uint64_t* owner) {
  const auto head = le64(key, 0);
  if (!head) return RecordKind::kOther;
  if (owner != nullptr) *owner = *head & 0x00FFFFFFFFFFFFFFull;
  switch (*head >> 56) {
    case 0x30: return RecordKind::kInode;
    case 0x90: return RecordKind::kDirectory;
    case 0x80: return RecordKind::kExtent;
    default: return RecordKind::kOther;
  }
}

std::optional<InodeRecord> ParseInode(ByteSpan value) {
  if (value.size() < kInodeMinimum) return std::nullopt;
  FieldReader r(value);
  InodeRecord inode;
  inode.parent = r.le64(0);
  inode.privateId = r.le64(8);
  inode.created = r.le64(16);
  inode.modified = r.le64(24);
  inode.changed = r.le64(32);
  inode.accessed = r.le64(40);
  inode.directory = (r.le16(80) & 0x4000) != 0;
  const std::size_t count = std::min<std::size_t>(r.le16(92), kMaxExtendedFields);
  if (!r.ok()) return std::nullopt;
  std::size_t data = 96 + count * 4;
  for (std::size_t i = 0; i < count && data < value.size(); ++i) {
    const std::size_t at = 96 + i * 4;
    const auto type = le16(value, at), size = le16(value, at + 2);
    if (!type || !size) break;
    if (*type == kFieldDataStream) {
      if (const auto logical = le64(value, data)) inode.size = *logical;
    } else if (*type == kFieldName) {
      const std::size_t length = *size & kNameLengthMask;
      if (Fits(value.size(), data, length)) inode.name = StoredName(value.subspan(data, length));
    }
    data += PadTo8(*size);
  }
  return inode;
}

std::optional<DirectoryRecord> ParseDirectory(ByteSpan key, ByteSpan value) {
  if (value.size() < kDirectoryMinimum) return std::nullopt;
  const auto lengthAndHash = le32(key, 8);
  if (!lengthAndHash) return std::nullopt;
  const std::size_t length = *lengthAndHash & kNameLengthMask;
  if (!Fits(key.size(), 12, length)) return std::nullopt;
  FieldReader r(value);
  DirectoryRecord record{StoredName(key.subspan(12, length)), r.le64(0), r.le64(8), r.le16(16) == 4};
  if (!r.ok()) return std::nullopt;
  return record;
}

std::optional<ExtentRecord> ParseExtent(ByteSpan key, ByteSpan value) {
  if (value.size() < kExtentMinimum) return std::nullopt;
  const auto logical = le64(key, 8);
  if (!logical) return std::nullopt;
  FieldReader r(value);
  ExtentRecord record{*logical, r.le64(0), r.le64(8)};
  if (!r.ok()) return std::nullopt;
  return record;
}

}  // namespace quellsy::apfs
