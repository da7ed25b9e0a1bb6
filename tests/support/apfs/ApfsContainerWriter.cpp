#include "support/apfs/ApfsContainerWriter.h"

#include <algorithm>
#include <stdexcept>

#include "Utility/ByteReader.h"

namespace quellsy::test::apfs {
namespace {

constexpr std::size_t kBlock = 4096;
constexpr std::uint64_t kFirstDataBlock = 64;
constexpr std::uint32_t kPhysical = 0x40000000;
constexpr std::uint32_t kTypeContainer = 1, kTypeRoot = 2, kTypeObjectMap = 0xB, kTypeVolume = 0xD;

void Header(std::vector<std::uint8_t>& block, std::uint64_t oid, std::uint32_t type, std::uint32_t subtype) {
  FieldWriter w(block);
  w.le64(8, oid);
  w.le64(16, 1);
  w.le32(24, type);
  w.le32(28, subtype);
}

void Put(std::vector<std::uint8_t>& out, std::size_t at, const std::vector<std::uint8_t>& bytes) {
  std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

std::vector<std::uint8_t> KeyHead(std::uint64_t id, std::uint8_t kind, std::size_t size) {
  std::vector<std::uint8_t> key(size, 0);
  FieldWriter(key).le64(0, id | (std::uint64_t{kind} << 60));
  return key;
}

// A root leaf of an object map mapping each listed object to its block.
std::vector<std::uint8_t> MapRoot(std::uint64_t at, const std::vector<std::pair<std::uint64_t, std::uint64_t>>& maps) {
  std::vector<std::uint8_t> block(kBlock, 0);
  Header(block, at, kTypeRoot | kPhysical, 0xB);
  FieldWriter w(block);
  w.le16(32, 7);
  w.le32(36, static_cast<std::uint32_t>(maps.size()));
  const std::uint16_t table = static_cast<std::uint16_t>(maps.size() * 4);
  w.le16(42, table);
  for (std::size_t i = 0; i < maps.size(); ++i) {
    const auto keyOffset = static_cast<std::uint16_t>(i * 16), valueOffset = static_cast<std::uint16_t>((i + 1) * 16);
    w.le16(56 + i * 4, keyOffset);
    w.le16(58 + i * 4, valueOffset);
    w.le64(56 + table + keyOffset, maps[i].first);
    w.le64(56 + table + keyOffset + 8, 1);
    const std::size_t value = kBlock - 40 - valueOffset;
    w.le32(value, 0);
    w.le32(value + 4, kBlock);
    w.le64(value + 8, maps[i].second);
  }
  return block;
}

std::vector<std::uint8_t> MapObject(std::uint64_t at, std::uint64_t root) {
  std::vector<std::uint8_t> block(kBlock, 0);
  Header(block, at, kTypeObjectMap | kPhysical, 0);
  FieldWriter(block).le64(48, root);
  return block;
}

}  // namespace

TreeRecord Inode(std::uint64_t id, std::uint64_t parent, const std::string& name, bool directory,
                 std::uint64_t size, std::uint64_t created) {
  const std::size_t nameSize = name.size() + 1, namePadded = (nameSize + 7) / 8 * 8;
  const std::uint16_t fields = size != 0 ? 2 : 1;
  std::vector<std::uint8_t> value(96 + fields * 4 + namePadded + (size != 0 ? 40 : 0), 0);
  FieldWriter w(value);
  w.le64(0, parent);
  w.le64(8, id);
  w.le64(16, created);
  w.le64(24, created + Seconds(1));
  w.le64(32, created + Seconds(2));
  w.le64(40, created + Seconds(3));
  w.le16(80, directory ? 0x41ED : 0x81A4);
  w.le16(92, fields);
  w.le16(94, static_cast<std::uint16_t>(value.size() - 96 - fields * 4));
  w.u8(96, 4);
  w.u8(97, 2);
  w.le16(98, static_cast<std::uint16_t>(nameSize));
  std::size_t data = 96 + fields * 4;
  std::copy(name.begin(), name.end(), value.begin() + static_cast<std::ptrdiff_t>(data));
  data += namePadded;
  if (size != 0) {
    w.u8(100, 8);
    w.u8(101, 0x20);
    w.le16(102, 40);
    w.le64(data, size);
    w.le64(data + 8, (size + kBlock - 1) / kBlock * kBlock);
  }
  return {KeyHead(id, 3, 8), value};
}

TreeRecord DirectoryRecord(std::uint64_t parent, const std::string& name, std::uint64_t fileId, bool directory,
                           std::uint64_t dateAdded) {
  auto key = KeyHead(parent, 9, 12 + name.size() + 1);
  FieldWriter(key).le32(8, static_cast<std::uint32_t>(name.size() + 1) | 0x12345000u);
  std::copy(name.begin(), name.end(), key.begin() + 12);
  std::vector<std::uint8_t> value(18, 0);
  FieldWriter w(value);
  w.le64(0, fileId);
  w.le64(8, dateAdded);
  w.le16(16, directory ? 4 : 8);
  return {key, value};
}

TreeRecord Extent(std::uint64_t owner, std::uint64_t logicalOffset, std::uint64_t length, std::uint64_t block) {
  auto key = KeyHead(owner, 8, 16);
  FieldWriter(key).le64(8, logicalOffset);
  std::vector<std::uint8_t> value(24, 0);
  FieldWriter w(value);
  w.le64(0, length);
  w.le64(8, block);
  return {key, value};
}

std::vector<std::uint8_t> TreeNode(std::uint64_t oid, const std::vector<TreeRecord>& records, std::uint16_t flags,
                                   std::int64_t keyCount) {
  std::vector<std::uint8_t> block(kBlock, 0);
  Header(block, oid, (flags & 1) != 0 ? kTypeRoot : 3, 0xE);
  FieldWriter w(block);
  w.le16(32, flags);
  w.le32(36, keyCount >= 0 ? static_cast<std::uint32_t>(keyCount) : static_cast<std::uint32_t>(records.size()));
  const std::size_t table = std::max<std::size_t>(records.size(), 1) * 8;
  w.le16(42, static_cast<std::uint16_t>(table));
  const std::size_t valueEnd = kBlock - ((flags & 1) != 0 ? 40 : 0);
  std::size_t keyAt = 0, valueAt = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const TreeRecord& r = records[i];
    valueAt += (r.value.size() + 7) / 8 * 8;
    if (56 + table + keyAt + r.key.size() > valueEnd - valueAt) throw std::length_error("records overflow the node");
    w.le16(56 + i * 8, static_cast<std::uint16_t>(keyAt));
    w.le16(58 + i * 8, static_cast<std::uint16_t>(r.key.size()));
    w.le16(60 + i * 8, static_cast<std::uint16_t>(valueAt));
    w.le16(62 + i * 8, static_cast<std::uint16_t>(r.value.size()));
    Put(block, 56 + table + keyAt, r.key);
    Put(block, valueEnd - valueAt, r.value);
    keyAt += (r.key.size() + 7) / 8 * 8;
  }
  return block;
}

ContainerWriter::ContainerWriter(std::uint64_t blocks) : blocks_(blocks), nextData_(kFirstDataBlock) {}

int ContainerWriter::AddVolume(const std::string& name, std::vector<TreeRecord> records) {
  volumes_.push_back({name, std::move(records)});
  return static_cast<int>(volumes_.size() - 1);
}

std::uint64_t ContainerWriter::AddData(const std::vector<std::uint8_t>& bytes) {
  const std::uint64_t first = nextData_;
  data_.emplace_back(first, bytes);
  nextData_ += std::max<std::uint64_t>((bytes.size() + kBlock - 1) / kBlock, 1);
  return first;
}

std::vector<std::uint8_t> ContainerWriter::Build() const {
  if (nextData_ > blocks_ || 3 + volumes_.size() * 4 > kFirstDataBlock) throw std::length_error("container too small");
  std::vector<std::uint8_t> image(blocks_ * kBlock, 0);
  auto block = [&](std::uint64_t n) { return n * kBlock; };
  std::vector<std::uint8_t> sb(kBlock, 0);
  Header(sb, 1, kTypeContainer, 0);
  FieldWriter w(sb);
  w.le32(32, 0x4253584E);
  w.le32(36, kBlock);
  w.le64(40, blocks_);
  w.le32(136, 0);  // the next superblock is this one: one pass
  w.le64(160, 1);
  Put(image, block(0), sb);
  Put(image, block(1), MapObject(1, 2));
  std::vector<std::pair<std::uint64_t, std::uint64_t>> volumeMaps;
  for (std::size_t v = 0; v < volumes_.size(); ++v) {
    const std::uint64_t base = 3 + v * 4;  // superblock, object map, its root, tree root
    volumeMaps.emplace_back(1026 + v, base);
    std::vector<std::uint8_t> vsb(kBlock, 0);
    Header(vsb, 1026 + v, kTypeVolume, 0);
    FieldWriter vw(vsb);
    vw.le32(32, 0x42535041);
    vw.le64(128, base + 1);
    std::copy(volumes_[v].name.begin(), volumes_[v].name.end(), vsb.begin() + 704);
    Put(image, block(base), vsb);
    Put(image, block(base + 1), MapObject(base + 1, base + 2));
    Put(image, block(base + 2), MapRoot(base + 2, {{1028, base + 3}}));
    Put(image, block(base + 3), TreeNode(1028, volumes_[v].records));
  }
  Put(image, block(2), MapRoot(2, volumeMaps));
  for (const auto& [first, bytes] : data_) Put(image, block(first), bytes);
  return image;
}

}  // namespace quellsy::test::apfs
