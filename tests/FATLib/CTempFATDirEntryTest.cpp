#include "FATLib/CTempFATDirEntry.h"

#include <gtest/gtest.h>

#include <functional>

#include "FatTestBytes.h"

namespace quellsy::test {
namespace {

struct ValidityCase {
  const char* name;
  std::function<void(EntryFields&)> change;
  bool strict;
  bool relaxed;
};

class EntryValidity : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(EntryValidity, StrictAndRelaxed) {
  EntryFields fields{"README  TXT", 0x20, 5, 100};
  GetParam().change(fields);
  auto bytes = MakeEntry(fields);
  const CTempFATDirEntry entry(bytes);
  EXPECT_EQ(entry.IsValidFATDirEntry(0), GetParam().strict);
  EXPECT_EQ(entry.IsValidFATDirEntry(1), GetParam().relaxed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryValidity,
    ::testing::Values(
        ValidityCase{"PlainFile", [](EntryFields&) {}, true, true},
        ValidityCase{"EmptyFile", [](EntryFields& f) { f.cluster = 0; f.size = 0; }, true, true},
        ValidityCase{"ClusterWithoutSize", [](EntryFields& f) { f.size = 0; }, false, true},
        ValidityCase{"SizeWithoutCluster", [](EntryFields& f) { f.cluster = 0; }, false, true},
        ValidityCase{"DirectoryWithSizeAndHighCluster",
                     [](EntryFields& f) { f.attribute = 0x10; f.cluster = 0x10005; }, false, true},
        ValidityCase{"DirectoryWithSizeLowCluster", [](EntryFields& f) { f.attribute = 0x10; }, true, true},
        ValidityCase{"LongNamePiece", [](EntryFields& f) { f.attribute = 0x0F; f.name11 = std::string(11, '\x01'); },
                     true, true},
        ValidityCase{"AttributeAbove3F", [](EntryFields& f) { f.attribute = 0x80; }, false, false},
        ValidityCase{"Month13", [](EntryFields& f) { f.date = (45 << 9) | (13 << 5) | 1; }, false, false},
        ValidityCase{"Day0", [](EntryFields& f) { f.date = (45 << 9) | (3 << 5); }, false, false},
        ValidityCase{"ZeroDateAndTime", [](EntryFields& f) { f.date = 0; f.time = 0; }, true, true},
        ValidityCase{"Seconds60", [](EntryFields& f) { f.time = (10 << 11) | (3 << 5) | 30; }, false, false},
        ValidityCase{"Minute60", [](EntryFields& f) { f.time = (10 << 11) | (60 << 5); }, false, false},
        ValidityCase{"Hour24", [](EntryFields& f) { f.time = (24 << 11) | 1; }, false, false},
        ValidityCase{"LabelWithOddName", [](EntryFields& f) { f.attribute = 0x08; f.name11 = "A*B?       "; f.cluster = 0; f.size = 0; },
                     true, true},
        ValidityCase{"BadCharacter", [](EntryFields& f) { f.name11 = "READ*ME TXT"; }, false, false},
        ValidityCase{"LeadingBlank", [](EntryFields& f) { f.name11 = " README TXT"; }, false, false},
        ValidityCase{"ControlCharacter", [](EntryFields& f) { f.name11 = "READ\x19ME TXT"; }, false, false},
        ValidityCase{"NeverUsed", [](EntryFields& f) { f = EntryFields{std::string(11, '\0'), 0, 0, 0, 0, 0}; }, false,
                     false},
        ValidityCase{"Erased", [](EntryFields& f) { f.name11 = "\xE5" "EADME  TXT"; }, true, true},
        // A byte of 0x80 or more leads a two-byte character: the byte after it is not tested.
        ValidityCase{"LeadByteHidesNext", [](EntryFields& f) { f.name11 = "A\x81*B    TXT"; }, true, true},
        ValidityCase{"AllowedPunctuation", [](EntryFields& f) { f.name11 = "a+,;=[] txt"; }, true, true}),
    [](const auto& p) { return std::string(p.param.name); });

struct NameCase {
  std::string name11;
  std::uint8_t attribute;
  int asLabel;
  const char* expected;
};

class ShortNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ShortNames, Formats) {
  auto bytes = MakeEntry({GetParam().name11, GetParam().attribute});
  EXPECT_EQ(CTempFATDirEntry(bytes).GetShortName(GetParam().asLabel), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShortNames,
                         ::testing::Values(NameCase{"README  TXT", 0x20, 0, "README.TXT"},
                                           NameCase{"\xE5OO     BAK", 0x20, 0, "#OO.BAK"},
                                           NameCase{"MY DISK    ", 0x08, 1, "MY DISK"},
                                           NameCase{"QUELLSY 32 ", 0x08, 1, "QUELLSY 32"},
                                           NameCase{"AB      C  ", 0x08, 1, "AB      C"},
                                           NameCase{"LONGLABEL12", 0x08, 1, "LONGLABEL12"},
                                           NameCase{"NOEXT      ", 0x20, 0, "NOEXT"},
                                           NameCase{"CAF\x90    T\x82T", 0x20, 0, "CAF_.T_T"},
                                           NameCase{std::string("AB\0     TXT", 11), 0x20, 0, "AB.TXT"}));

TEST(CTempFATDirEntry, LongNamePiecesConvertFromUtf16) {
  struct Case {
    std::u16string units;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {u"long.txt", "long.txt"},
      {u"A long name ü", "A long name \xC3\xBC"},             // all 13 units, no terminator in the piece
      {u"x\U0001F600y", "x\xF0\x9F\x98\x80y"},                // a surrogate pair keeps its character
      {u"", "_"},                                              // nothing converts
      {std::u16string(u"ab") + char16_t(0xD800) + u"c", "ab"},  // an unpaired surrogate ends the piece
  };
  for (const auto& c : cases) {
    auto bytes = MakeLongNameEntry(0x41, c.units);
    const CTempFATDirEntry entry(bytes);
    EXPECT_TRUE(entry.IsLongFileNameEntry());
    EXPECT_EQ(entry.GetLongFileName(), c.expected);
    EXPECT_EQ(entry.GetLongFileNameIndex(), 0x41);
  }
  auto shortEntry = MakeEntry({"README  TXT"});
  EXPECT_FALSE(CTempFATDirEntry(shortEntry).GetLongFileNameIndex().has_value());
}

TEST(CTempFATDirEntry, FirstClusterReadWriteAndRevision) {
  auto bytes = MakeEntry({"README  TXT", 0x20, 0x0001ABCD, 10});
  CTempFATDirEntry entry(bytes);
  EXPECT_EQ(entry.GetFirstClusterNO(), 0x0001ABCDu);

  entry.SetFirstClusterNO(0x0023BEEF);
  EXPECT_EQ(bytes[20], 0x23);
  EXPECT_EQ(bytes[21], 0x00);
  EXPECT_EQ(bytes[26], 0xEF);
  EXPECT_EQ(bytes[27], 0xBE);
  EXPECT_EQ(entry.GetFirstClusterNO(), 0x0023BEEFu);

  entry.SetReviseDirEntryCluNum(0x5BEEF);
  EXPECT_EQ(entry.GetFirstClusterNO(), 0x0023BEEFu);  // revision off
  entry.SetIsReviseDirEntryCluNum(1);
  EXPECT_EQ(entry.GetFirstClusterNO(), 0x5BEEFu);
  entry.SetReviseDirEntryCluNum(0);
  EXPECT_EQ(entry.GetFirstClusterNO(), 0x0023BEEFu);  // only a positive revision counts
}

TEST(CTempFATDirEntry, ViewMovesAndShortBuffersAreInvalid) {
  auto bad = MakeEntry({"README  TXT", 0xC0});
  auto good = MakeEntry({"GOOD    TXT", 0x20, 3, 10});
  CTempFATDirEntry entry(bad);
  EXPECT_FALSE(entry.IsValidFATDirEntry(1));
  // Once moved, the view judges the entry it now shows, not the one it was made with.
  EXPECT_TRUE(entry.InitFromBuffer(good));
  EXPECT_EQ(entry.GetShortName(0), "GOOD.TXT");

  EXPECT_FALSE(entry.InitFromBuffer(MutableByteSpan(good).first(31)));
  EXPECT_FALSE(entry.IsValidFATDirEntry(1));
  EXPECT_EQ(entry.GetShortName(0), "");
  EXPECT_EQ(entry.GetFirstClusterNO(), 0u);
}

TEST(CTempFATDirEntry, FlagsAndNameHelpers) {
  auto erasedDir = MakeEntry({"\xE5OLD       ", 0x10, 7, 0});
  const CTempFATDirEntry entry(erasedDir);
  EXPECT_TRUE(entry.IsErased());
  EXPECT_TRUE(entry.IsDirectory());
  EXPECT_FALSE(entry.IsVolumeLabel());
  EXPECT_FALSE(entry.IsNeverUsed());
  EXPECT_TRUE(entry.IsFilenameEqual("\xE5OLD    ", "   "));
  EXPECT_FALSE(entry.IsFilenameEqual("\xE5OLD", "   "));

  EXPECT_TRUE(CTempFATDirEntry::IsValidLongFileName("A long name.txt"));
  EXPECT_FALSE(CTempFATDirEntry::IsValidLongFileName(""));
  for (const char c : std::string("?*|\\/:\"<>")) {
    EXPECT_FALSE(CTempFATDirEntry::IsValidLongFileNameChar(c)) << c;
    EXPECT_FALSE(CTempFATDirEntry::IsValidLongFileName(std::string("ab") + c)) << c;
  }
}

}  // namespace
}  // namespace quellsy::test
