#include "HFSPlus/HFSPlusLib/HFSPlusUnicode.h"

#include <gtest/gtest.h>

#include "HFSPlus/HFSPlusLib/CHFSPlusAttribute.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusCatalog.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusExtents.h"
#include "HFSPlusTestSupport.h"

namespace quellsy::test {
namespace {

using hfsplus::FoldUnit;

// Values read off the published case-folding table by hand.
struct FoldCase {
  std::uint16_t unit;
  std::uint16_t folded;
};

void PrintTo(const FoldCase& c, std::ostream* os) { *os << std::hex << c.unit; }

class FoldTable : public ::testing::TestWithParam<FoldCase> {};

TEST_P(FoldTable, FoldsAsPublished) { EXPECT_EQ(FoldUnit(GetParam().unit), GetParam().folded); }

INSTANTIATE_TEST_SUITE_P(
    Units, FoldTable,
    ::testing::Values(FoldCase{0x0041, 0x0061}, FoldCase{0x005A, 0x007A}, FoldCase{0x0061, 0x0061},
                      FoldCase{0x00C0, 0x00C0},  // precomposed letters are not folded: names are decomposed
                      FoldCase{0x00C6, 0x00E6}, FoldCase{0x00DE, 0x00FE}, FoldCase{0x0130, 0x0130},
                      FoldCase{0x0189, 0x0256}, FoldCase{0x01C5, 0x01C6}, FoldCase{0x0391, 0x03B1},
                      FoldCase{0x03A2, 0x03A2}, FoldCase{0x03A9, 0x03C9}, FoldCase{0x0410, 0x0430},
                      FoldCase{0x0419, 0x0419}, FoldCase{0x0478, 0x0479}, FoldCase{0x0476, 0x0476},
                      FoldCase{0x0556, 0x0586}, FoldCase{0x10C5, 0x10F5}, FoldCase{0x2160, 0x2170},
                      FoldCase{0xFF3A, 0xFF5A}, FoldCase{0x200C, 0x0000}, FoldCase{0x206F, 0x0000},
                      FoldCase{0xFEFF, 0x0000}, FoldCase{0x0000, 0xFFFF}, FoldCase{0xFFFF, 0xFFFF}));

struct CompareCase {
  std::u16string a;
  std::u16string b;
  int folded;  // FastUnicodeCompare
  int binary;  // unit by unit
};

void PrintTo(const CompareCase& c, std::ostream* os) { *os << c.a.size() << " vs " << c.b.size() << " units"; }

class NameComparisons : public ::testing::TestWithParam<CompareCase> {};

TEST_P(NameComparisons, BothOrders) {
  const auto& c = GetParam();
  EXPECT_EQ(hfsplus::FastUnicodeCompare(Units(c.a), Units(c.b)), c.folded);
  EXPECT_EQ(hfsplus::FastUnicodeCompare(Units(c.b), Units(c.a)), -c.folded);
  EXPECT_EQ(hfsplus::BinaryUnicodeCompare(Units(c.a), Units(c.b)), c.binary);
  EXPECT_EQ(hfsplus::BinaryUnicodeCompare(Units(c.b), Units(c.a)), -c.binary);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameComparisons,
    ::testing::Values(CompareCase{u"ABC", u"abc", 0, -1}, CompareCase{u"a:b", u"a/b", 0, 0},
                      CompareCase{u"ab", u"abc", -1, -1}, CompareCase{u"b", u"A", 1, 1},
                      CompareCase{u"a\u200Db", u"ab", 0, 1}, CompareCase{u"\u00C0", u"\u00E0", -1, -1},
                      CompareCase{std::u16string(1, u'\0'), u"a", 1, -1}, CompareCase{u"", u"", 0, 0},
                      CompareCase{u"\u0391", u"\u03B1", 0, -1}, CompareCase{u"Zebra", u"apple", 1, -1}));

TEST(CatalogKeyCompare, ParentFirstThenNameByCompareType) {
  EXPECT_EQ(CHFSPlusCatalog::CompareKey(CatalogKeyOf(1, u"z"), CatalogKeyOf(2, u"A"), hfsplus::kCaseFolding), -1);
  EXPECT_EQ(CHFSPlusCatalog::CompareKey(CatalogKeyOf(7, u"ABC"), CatalogKeyOf(7, u"abc"), hfsplus::kCaseFolding), 0);
  EXPECT_EQ(CHFSPlusCatalog::CompareKey(CatalogKeyOf(7, u"ABC"), CatalogKeyOf(7, u"abc"), hfsplus::kBinaryCompare), -1);
  EXPECT_EQ(CHFSPlusCatalog::CompareKey(CatalogKeyOf(7, u"a:b"), CatalogKeyOf(7, u"a/b"), hfsplus::kBinaryCompare), 0);
}

TEST(ExtentAndAttributeKeyCompare, FieldOrder) {
  auto extent = [](std::uint32_t file, std::uint8_t fork, std::uint32_t start) {
    HFSPlusExtentKey k;
    k.fileID = file;
    k.forkType = fork;
    k.startBlock = start;
    return k;
  };
  EXPECT_EQ(CHFSPlusExtents::CompareKey(extent(5, 0xFF, 0), extent(6, 0, 0)), -1);
  EXPECT_EQ(CHFSPlusExtents::CompareKey(extent(6, 0xFF, 0), extent(6, 0, 100)), 1);
  EXPECT_EQ(CHFSPlusExtents::CompareKey(extent(6, 0, 8), extent(6, 0, 100)), -1);
  EXPECT_EQ(CHFSPlusExtents::CompareKey(extent(6, 0, 8), extent(6, 0, 8)), 0);

  auto attr = [](std::uint32_t file, const std::u16string& name, std::uint32_t start) {
    HFSPlusAttrKey k;
    k.fileID = file;
    k.name = Units(name);
    k.startBlock = start;
    return k;
  };
  EXPECT_EQ(CHFSPlusAttribute::CompareKey(attr(20, u"b", 0), attr(21, u"a", 0)), -1);
  EXPECT_EQ(CHFSPlusAttribute::CompareKey(attr(20, u"com.x", 0), attr(20, u"com.x.y", 0)), -1);
  EXPECT_EQ(CHFSPlusAttribute::CompareKey(attr(20, u"B", 0), attr(20, u"a", 0)), -1);  // no case folding
  EXPECT_EQ(CHFSPlusAttribute::CompareKey(attr(20, u"x", 0), attr(20, u"x", 9)), 0);   // first block ignored
}

}  // namespace
}  // namespace quellsy::test
