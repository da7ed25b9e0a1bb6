#pragma once
// Writes small APFS containers for tests, deterministically: a container superblock, the container's object
// map with one root leaf listing the volumes, and per volume a volume superblock, its object map and one
// file-system-tree root leaf holding the records the test adds (inodes, directory records, extents), with file
// data in blocks after the metadata. Blocks are 4096 bytes; checksums are left 0 (nothing here checks them).

#include <cstdint>
#include <string>
#include <vector>

namespace quellsy::test::apfs {

// One record of a file-system tree, key and value as stored.
struct TreeRecord {
  std::vector<std::uint8_t> key;
  std::vector<std::uint8_t> value;
};

// Nanoseconds since 1970 for a time in whole seconds.
constexpr std::uint64_t Seconds(std::uint64_t seconds) { return seconds * 1000000000ull; }

// name is given without its NUL; the record stores it with one. size 0 writes no data-stream field.
TreeRecord Inode(std::uint64_t id, std::uint64_t parent, const std::string& name, bool directory,
                 std::uint64_t size, std::uint64_t created);
TreeRecord DirectoryRecord(std::uint64_t parent, const std::string& name, std::uint64_t fileId, bool directory,
                           std::uint64_t dateAdded);
TreeRecord Extent(std::uint64_t owner, std::uint64_t logicalOffset, std::uint64_t length, std::uint64_t block);

// One file-system-tree node (root leaf unless told otherwise); keyCount overrides the stored count when set.
std::vector<std::uint8_t> TreeNode(std::uint64_t oid, const std::vector<TreeRecord>& records,
                                   std::uint16_t flags = 3, std::int64_t keyCount = -1);

class ContainerWriter {
 public:
  explicit ContainerWriter(std::uint64_t blocks = 128);

  // Adds a volume whose tree is the given records; returns its index.
  int AddVolume(const std::string& name, std::vector<TreeRecord> records);
  // Places data in fresh blocks and returns the first block's number.
  std::uint64_t AddData(const std::vector<std::uint8_t>& bytes);
  // The whole container.
  std::vector<std::uint8_t> Build() const;

 private:
  struct Volume {
    std::string name;
    std::vector<TreeRecord> records;
  };
  std::uint64_t blocks_;
  std::uint64_t nextData_;
  std::vector<Volume> volumes_;
  std::vector<std::pair<std::uint64_t, std::vector<std::uint8_t>>> data_;
};

}  // namespace quellsy::test::apfs
