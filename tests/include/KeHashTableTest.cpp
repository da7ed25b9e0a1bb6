#include <gtest/gtest.h>

#include <string>

#include "include/KeHashTable.h"

namespace {

using quellsy::KeHashKeys;

TEST(KeHashTable, KeyTableMatchesTheArchiveFormatTable) {
  const auto& keys = KeHashKeys::Keys();
  const std::pair<std::size_t, std::uint32_t> known[] = {
      {0x000, 0x55C636E2}, {0x001, 0x02BE0170}, {0x100, 0x76F8C1B1}, {0x400, 0x193AA698}, {0x4FF, 0x7303286C}};
  for (const auto& [index, value] : known) EXPECT_EQ(keys[index], value) << index;
}

TEST(KeHashTable, HashFoldsOnlyAsciiLetters) {
  EXPECT_EQ(KeHashKeys::GetHashCode("", 0), 0x7FED7FEDu);
  for (unsigned type = 0; type < 3; ++type) {
    EXPECT_EQ(KeHashKeys::GetHashCode("JpEg", type), KeHashKeys::GetHashCode("jpeg", type));
    EXPECT_NE(KeHashKeys::GetHashCode("jpeg", type), KeHashKeys::GetHashCode("jpg", type));
  }
  // Bytes above 0x7F index the key row unsigned and are not folded.
  const std::string upper = "\xC3\x89";  // É
  const std::string lower = "\xC3\xA9";  // é
  EXPECT_NE(KeHashKeys::GetHashCode(upper.c_str(), 0), KeHashKeys::GetHashCode(lower.c_str(), 0));
  EXPECT_EQ(KeHashKeys::GetHashCode("\xFF\xFE\x80", 2), KeHashKeys::GetHashCode("\xFF\xFE\x80", 2));
}

TEST(KeHashTable, InsertFindAndFullTable) {
  CKeHashTable<int, 8> table;
  EXPECT_EQ(table.InsertNode(nullptr, 1), 0);
  EXPECT_EQ(table.GetHashTablePos(nullptr), -1);
  EXPECT_EQ(table.FindNode("missing"), nullptr);
  for (int i = 0; i < 8; ++i) ASSERT_EQ(table.InsertNode(("k" + std::to_string(i)).c_str(), i), 1) << i;
  EXPECT_EQ(table.InsertNode("k8", 8), 0) << "full";
  EXPECT_EQ(table.UsedSlots(), 8u);
  for (int i = 0; i < 8; ++i) {
    const int* value = table.FindNode(("K" + std::to_string(i)).c_str());
    ASSERT_NE(value, nullptr) << i;
    EXPECT_EQ(*value, i);
  }
  EXPECT_EQ(table.FindNode("k8"), nullptr);
  // The first of two equal keys is the one found.
  CKeHashTable<int, 8> twice;
  twice.InsertNode("dup", 1);
  twice.InsertNode("DUP", 2);
  EXPECT_EQ(*twice.FindNode("dup"), 1);
  EXPECT_EQ(twice.UsedSlots(), 2u);
}

}  // namespace
