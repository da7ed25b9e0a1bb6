// Object tests, node-entry bounds, record lengths and times of the container structures.

#include <gtest/gtest.h>

#include <vector>

#include "APFS/ApfsFormat.h"
#include "Utility/ByteReader.h"

namespace {

using namespace quellsy::apfs;

std::vector<std::uint8_t> Block() { return std::vector<std::uint8_t>(kBlockSize, 0); }

struct HeaderCase {
  std::uint64_t oid;
  std::uint16_t type;
  std::uint16_t subtype;
  bool valid;
};

class ObjectValidity : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ObjectValidity, IdentifierTypeAndSubtypeDecide) {
  auto block = Block();
  quellsy::FieldWriter w(block);
  w.le64(8, GetParam().oid);
  w.le16(24, GetParam().type);
  w.le16(28, GetParam().subtype);
  w.le32(32, kContainerMagic);  // the magic does not rescue a bad header
  EXPECT_EQ(IsObjectValid(block), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Headers, ObjectValidity,
                         ::testing::Values(HeaderCase{0, 1, 0, false}, HeaderCase{7, 32, 0, false},
                                           HeaderCase{7, 3, 32, false}, HeaderCase{7, 31, 31, true},
                                           HeaderCase{1, 1, 0, true}));

TEST(ObjectValidity, ShortBlockIsNotAnObject) {
  const std::vector<std::uint8_t> tiny(29, 1);
  EXPECT_FALSE(IsObjectValid(tiny));
}

struct EntryCase {
  const char* what;
  std::uint16_t tableLength;
  std::uint16_t keyOffset, keyLength, valueOffset, valueLength;
  std::uint32_t adjust;
  bool used;
  std::size_t keyPos, valuePos;  // worked out by hand: 56 + table + key offset; 4096 - value offset - adjust
};

class EntryBounds : public ::testing::TestWithParam<EntryCase> {};

TEST_P(EntryBounds, KeyAndValueMustLieInsideTheBlock) {
  const EntryCase& c = GetParam();
  auto block = Block();
  quellsy::FieldWriter w(block);
  w.le16(42, c.tableLength);
  w.le16(56, c.keyOffset);
  w.le16(58, c.keyLength);
  w.le16(60, c.valueOffset);
  w.le16(62, c.valueLength);
  const NodeHeader node{0, 1, c.tableLength};
  const auto entry = VariableEntry(block, node, 0, c.adjust);
  ASSERT_EQ(entry.has_value(), c.used) << c.what;
  if (!entry) return;
  EXPECT_EQ(entry->keyPos, c.keyPos) << c.what;
  EXPECT_EQ(entry->valuePos, c.valuePos) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, EntryBounds,
    ::testing::Values(EntryCase{"value ending at the block end", 64, 0, 16, 100, 100, 0, true, 120, 3996},
                      EntryCase{"root value before the tree information", 64, 8, 16, 100, 60, 40, true, 128, 3956},
                      EntryCase{"value position 0", 64, 0, 16, 4096, 8, 0, false, 0, 0},
                      EntryCase{"root value position 0", 64, 0, 16, 4056, 8, 40, false, 0, 0},
                      EntryCase{"value position at the block end", 64, 0, 16, 0, 0, 0, false, 0, 0},
                      EntryCase{"value running past the block", 64, 0, 16, 100, 101, 0, false, 0, 0},
                      EntryCase{"key starting past the block", 8, 4040, 8, 100, 16, 0, false, 0, 0},
                      EntryCase{"key running past the block", 8, 4031, 2, 100, 16, 0, false, 0, 0},
                      EntryCase{"key on the last byte", 8, 4031, 1, 100, 16, 0, true, 4095, 3996}));

TEST(EntryBounds, FixedEntryTakesSixteenByteValues) {
  auto block = Block();
  quellsy::FieldWriter w(block);
  w.le16(56, 0);
  w.le16(58, 16);
  w.le16(60, 0);
  w.le16(62, 8);
  const NodeHeader node{5, 2, 8};
  ASSERT_TRUE(FixedEntry(block, node, 0, 40).has_value());
  EXPECT_EQ(FixedEntry(block, node, 0, 40)->valuePos, 4096u - 16 - 40);
  EXPECT_FALSE(FixedEntry(block, node, 1, 0).has_value()) << "a 16-byte value 8 bytes before the end";
}

TEST(Times, ConvertInWholeSeconds) {
  EXPECT_EQ(ToFileTime(1500000000999999999ull), 116444736000000000ull + 15000000000000000ull);
  EXPECT_EQ(ToFileTime(0), 116444736000000000ull);
}

TEST(Times, PlausibleBoundsAreInclusive) {
  EXPECT_TRUE(IsPlausibleTime(500000000000000000ull));
  EXPECT_FALSE(IsPlausibleTime(499999999999999999ull));
  EXPECT_TRUE(IsPlausibleTime(1873497444986126336ull));
  EXPECT_FALSE(IsPlausibleTime(1873497444986126337ull));
}

TEST(Records, KindComesFromTheTopByteOnly) {
  std::vector<std::uint8_t> key(8, 0);
  const std::pair<std::uint8_t, RecordKind> cases[] = {{0x30, RecordKind::kInode},
                                                        {0x90, RecordKind::kDirectory},
                                                        {0x80, RecordKind::kExtent},
                                                        {0x31, RecordKind::kOther},
                                                        {0x40, RecordKind::kOther}};
  for (const auto& [top, kind] : cases) {
    key = {0x12, 0x34, 0, 0, 0, 0, 0x01, top};
    std::uint64_t owner = 0;
    EXPECT_EQ(KindOf(key, &owner), kind) << int{top};
    EXPECT_EQ(owner, 0x0001000000003412ull);
  }
}

TEST(Records, ShortValuesAreSkipped) {
  const std::vector<std::uint8_t> key(16, 0);
  EXPECT_FALSE(ParseInode(std::vector<std::uint8_t>(99, 0)));
  EXPECT_TRUE(ParseInode(std::vector<std::uint8_t>(100, 0)));
  EXPECT_FALSE(ParseDirectory(key, std::vector<std::uint8_t>(17, 0)));
  EXPECT_TRUE(ParseDirectory(key, std::vector<std::uint8_t>(18, 0)));
  EXPECT_FALSE(ParseExtent(key, std::vector<std::uint8_t>(15, 0)));
  EXPECT_TRUE(ParseExtent(key, std::vector<std::uint8_t>(16, 0)));
}

// An inode value with a name field and a data-stream field, laid out by hand.
std::vector<std::uint8_t> InodeWithFields(std::uint16_t nameSize) {
  std::vector<std::uint8_t> value(96 + 8 + 16 + 40, 0);
  quellsy::FieldWriter w(value);
  w.le64(0, 2);
  w.le64(8, 77);
  w.le16(80, 0x8000);
  w.le16(92, 2);
  w.le16(96, 0x0204);
  w.le16(98, nameSize);
  w.le16(100, 0x2008);
  w.le16(102, 40);
  const char name[] = "file.txt";  // 9 bytes with its NUL, padded to 16
  std::copy(name, name + 9, value.begin() + 104);
  w.le64(104 + 16, 12345);
  return value;
}

TEST(Records, InodeTakesNameAndSizeFromItsFields) {
  const auto inode = ParseInode(InodeWithFields(9));
  ASSERT_TRUE(inode);
  EXPECT_EQ(inode->name, std::string("file.txt\0", 9));
  EXPECT_EQ(inode->size, 12345u);
  EXPECT_EQ(inode->privateId, 77u);
  EXPECT_FALSE(inode->directory);
}

TEST(Records, InodeNameRunningPastTheValueIsNotTaken) {
  const auto inode = ParseInode(InodeWithFields(0x1FF));
  ASSERT_TRUE(inode);
  EXPECT_TRUE(inode->name.empty());
}

TEST(Records, DirectoryNameLengthKeepsNineBits) {
  std::vector<std::uint8_t> key(12 + 4, 0);
  quellsy::FieldWriter w(key);
  w.le32(8, 0xABCDE000u | 4);  // hash bits above the length
  std::copy_n("abc", 4, key.begin() + 12);
  std::vector<std::uint8_t> value(18, 0);
  quellsy::FieldWriter(value).le16(16, 4);
  const auto record = ParseDirectory(key, value);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->name, std::string("abc\0", 4));
  EXPECT_TRUE(record->directory);
}

}  // namespace
