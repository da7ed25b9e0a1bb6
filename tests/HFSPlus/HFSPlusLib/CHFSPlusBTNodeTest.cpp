#include "HFSPlus/HFSPlusLib/CHFSPlusBTNode.h"

#include <gtest/gtest.h>

#include <functional>

#include "HFSPlus/HFSPlusLib/CHFSPlusCatalog.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A node laid out by hand: descriptor, records from byte 14, offsets backwards from the end.
Bytes MakeNode(std::size_t nodeSize, std::int8_t kind, std::uint8_t height, const std::vector<Bytes>& records) {
  Bytes node(nodeSize, 0);
  FieldWriter w(node);
  w.u8(8, static_cast<std::uint8_t>(kind));
  w.u8(9, height);
  w.be16(10, static_cast<std::uint16_t>(records.size()));
  std::size_t offset = 14;
  for (std::size_t i = 0; i < records.size(); ++i) {
    w.be16(nodeSize - 2 - 2 * i, static_cast<std::uint16_t>(offset));
    std::copy(records[i].begin(), records[i].end(), node.begin() + static_cast<std::ptrdiff_t>(offset));
    offset += records[i].size();
  }
  w.be16(nodeSize - 2 - 2 * records.size(), static_cast<std::uint16_t>(offset));
  return node;
}

Bytes Record(std::size_t keyLength, std::size_t dataSize, std::uint32_t leadingType, bool typeIsU32) {
  Bytes r(keyLength + 2 + dataSize, 0);
  FieldWriter w(r);
  w.be16(0, static_cast<std::uint16_t>(keyLength));
  if (typeIsU32)
    w.be32(keyLength + 2, leadingType);
  else
    w.be16(keyLength + 2, static_cast<std::uint16_t>(leadingType));
  return r;
}

Bytes ThreadRecord(std::uint16_t nameLength) {
  Bytes r = Record(6, 10 + 2 * std::size_t{nameLength}, 3, false);
  FieldWriter(r).be16(8 + 8, nameLength);  // key of 8 bytes, then the name length at 8 into the thread
  return r;
}

struct NodeCase {
  const char* name;
  std::function<Bytes()> make;
  bool valid;
};

void PrintTo(const NodeCase& c, std::ostream* os) { *os << c.name; }

class NodeTest : public ::testing::TestWithParam<NodeCase> {};

TEST_P(NodeTest, Validity) {
  const Bytes node = GetParam().make();
  EXPECT_EQ(CHFSPlusBTNode::IsValidNode(node), GetParam().valid);
  CHFSPlusBTNode built(node);
  EXPECT_EQ(built.Descriptor().has_value(), GetParam().valid);
  if (!GetParam().valid) {
    EXPECT_EQ(ErrorOf(built.GetLastError()), 6u);
  }
}

const std::vector<Bytes> kTwo = {Record(6, 20, 1, false), Record(6, 30, 1, false)};

INSTANTIATE_TEST_SUITE_P(
    Cases, NodeTest,
    ::testing::Values(
        NodeCase{"leaf", [] { return MakeNode(512, -1, 1, kTwo); }, true},
        NodeCase{"empty_leaf", [] { return MakeNode(512, -1, 1, {}); }, true},
        NodeCase{"index_any_height", [] { return MakeNode(4096, 0, 5, kTwo); }, true},
        NodeCase{"map_any_height", [] { return MakeNode(512, 2, 3, kTwo); }, true},
        NodeCase{"header", [] { return MakeNode(1024, 1, 0, kTwo); }, true},
        NodeCase{"leaf_height_2", [] { return MakeNode(512, -1, 2, kTwo); }, false},
        NodeCase{"header_height_1", [] { return MakeNode(512, 1, 1, kTwo); }, false},
        NodeCase{"kind_3", [] { return MakeNode(512, 3, 1, kTwo); }, false},
        NodeCase{"kind_minus_2", [] { return MakeNode(512, -2, 1, kTwo); }, false},
        NodeCase{"size_256", [] { return MakeNode(256, -1, 1, kTwo); }, false},
        NodeCase{"size_768", [] { return MakeNode(768, -1, 1, kTwo); }, false},
        NodeCase{"first_offset_not_14",
                 [] {
                   auto n = MakeNode(512, -1, 1, kTwo);
                   FieldWriter(n).be16(510, 16);
                   return n;
                 },
                 false},
        NodeCase{"offsets_backwards",
                 [] {
                   auto n = MakeNode(512, -1, 1, kTwo);
                   FieldWriter(n).be16(508, 12);
                   return n;
                 },
                 false},
        NodeCase{"free_space_into_table",
                 [] {
                   auto n = MakeNode(512, -1, 1, kTwo);
                   FieldWriter(n).be16(506, 507);
                   return n;
                 },
                 false},
        NodeCase{"count_past_node",
                 [] {
                   auto n = MakeNode(512, -1, 1, kTwo);
                   FieldWriter(n).be16(10, 300);
                   return n;
                 },
                 false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(NodeRecords, RecordsByOffsetTable) {
  CHFSPlusBTNode node(MakeNode(512, -1, 1, kTwo));
  ASSERT_EQ(node.GetRecordCount(), 2);
  const auto first = node.GetRecord(0);
  const auto second = node.GetRecord(1);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->size(), 28u);
  EXPECT_EQ(second->size(), 38u);
  EXPECT_EQ(first->data(), node.Bytes().data() + 14);
  EXPECT_EQ(second->data(), node.Bytes().data() + 42);
  EXPECT_FALSE(node.GetRecord(2));
  EXPECT_EQ(ErrorOf(node.GetLastError()), 5u);

  CHFSPlusBTNode broken(MakeNode(512, 7, 1, kTwo));
  EXPECT_EQ(broken.GetRecordCount(), 0);
  EXPECT_FALSE(broken.GetRecord(0));
  EXPECT_EQ(ErrorOf(broken.GetLastError()), 2u);
}

struct BelongCase {
  const char* name;
  std::vector<Bytes> records;
  std::uint32_t tree;
};

void PrintTo(const BelongCase& c, std::ostream* os) { *os << c.name; }

class BelongTest : public ::testing::TestWithParam<BelongCase> {};

TEST_P(BelongTest, GuessesTheTree) {
  CHFSPlusBTNode node(MakeNode(4096, -1, 1, GetParam().records));
  EXPECT_EQ(node.TestNodeBelongToFile(), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BelongTest,
    ::testing::Values(BelongCase{"thread", {ThreadRecord(5)}, 4}, BelongCase{"empty_name_thread", {ThreadRecord(0)}, 4},
                      BelongCase{"folder", {Record(10, 88, 1, false)}, 4},
                      BelongCase{"file", {Record(10, 248, 2, false)}, 4},
                      BelongCase{"extents", {Record(10, 64, 0, false)}, 3},
                      BelongCase{"attribute_fork", {Record(20, 88, 0x20, true)}, 8},
                      BelongCase{"attribute_extents", {Record(20, 72, 0x30, true)}, 8},
                      BelongCase{"extents_then_thread", {Record(10, 64, 0, false), ThreadRecord(3)}, 4},
                      BelongCase{"unknown", {Record(10, 40, 9, false)}, 0},
                      BelongCase{"key_past_record", {Bytes{0x7F, 0xFF, 0, 0}}, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(CatalogThread, LengthMustMatchName) {
  Bytes thread(16, 0);
  FieldWriter w(thread);
  w.be16(0, 4);
  w.be16(8, 3);
  EXPECT_TRUE(IsValidCatalogThread(thread));
  EXPECT_FALSE(IsValidCatalogThread(ByteSpan(thread).first(14)));
  w.be16(0, 1);
  EXPECT_FALSE(IsValidCatalogThread(thread));
  EXPECT_FALSE(IsValidCatalogThread(ByteSpan(thread).first(8)));
}

// The catalog walk passes thread records by unparsed: exactly those whose key and data the parsers read, the
// data as a thread, so that a damaged one still fails the walk as before.
TEST(CatalogThread, PassedByExactlyWhenItParsesAsAThread) {
  Bytes longName = ThreadRecord(300);
  Bytes nameCut = ThreadRecord(5);
  nameCut.resize(nameCut.size() - 2);
  Bytes keyCut = ThreadRecord(2);
  FieldWriter(keyCut).be16(6, 1);  // one name unit in a key of 6 bytes
  Bytes fileThread = ThreadRecord(4);
  FieldWriter(fileThread).be16(8, 4);
  const std::vector<Bytes> records{ThreadRecord(5), ThreadRecord(0), fileThread, longName,
                                   nameCut,         keyCut,          Record(6, 248, 2, false)};
  const Bytes bytes = MakeNode(8192, -1, 1, records);
  ASSERT_TRUE(CHFSPlusBTNode::IsValidNode(bytes));
  CHFSPlusBTNode node{ByteSpan(bytes)};
  CHFSPlusCatalog catalog(nullptr, nullptr);  // no file: records are read from the node in hand
  const std::vector<bool> expected{true, true, true, false, false, false, false};
  for (std::uint16_t i = 0; i < records.size(); ++i) {
    const auto key = catalog.KeyRead(node, i);
    const auto record = catalog.DataRead(node, i);
    const bool parsedAsThread = key && record && std::holds_alternative<HFSPlusCatalogThread>(*record);
    EXPECT_EQ(parsedAsThread, expected[i]) << "record " << i;
    EXPECT_EQ(catalog.IsThreadRecord(node, i), parsedAsThread) << "record " << i;
  }
}

}  // namespace
}  // namespace quellsy::test
