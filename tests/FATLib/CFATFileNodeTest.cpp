// FAT nodes and their properties: what one file's raw entries become (names, long names, state, times), and
// how a node carries its properties, IDs and runs.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "FATLib/CFATFileNode.h"
#include "FATLib/CFATFilePropertiesBuilder.h"
#include "FATLib/CFATLongNameBuilder.h"
#include "FatTestBytes.h"
#include "Utility/CatchExeception.h"
#include "Utility/DosDateTime.h"
#include "Utility/TimeUtil.h"
#include "include/DataRunList.h"
#include "support/ScopedTimeZone.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using Entry = std::array<std::uint8_t, 32>;

// A long-name piece that carries the checksum of name11.
Entry Piece(std::uint8_t sequence, const std::u16string& units, const std::string& name11) {
  Entry piece = MakeLongNameEntry(sequence, units);
  piece[13] = CFATLongNameBuilder::ShortNameChecksum(ByteSpan(reinterpret_cast<const std::uint8_t*>(name11.data()), 11));
  return piece;
}

std::vector<std::uint8_t> Join(std::initializer_list<Entry> entries) {
  std::vector<std::uint8_t> bytes;
  for (const Entry& entry : entries) bytes.insert(bytes.end(), entry.begin(), entry.end());
  return bytes;
}

struct NameCase {
  const char* label;
  std::vector<std::uint8_t> entries;
  const char* name;  // null: no properties
  bool deleted;
};

std::vector<NameCase> NameCases() {
  const std::string shortName = "LONGNA~1TXT";
  const std::string erasedName = "\xE5ONGNA~1TXT";
  Entry lower = MakeEntry({"readme  txt", 0x20, 5, 10});
  for (std::size_t i = 0; i < 11; ++i) lower[i] = static_cast<std::uint8_t>(std::toupper(lower[i]));
  lower[12] = 0x18;
  Entry lowerBase = MakeEntry({"MAKEFILE   ", 0x20, 5, 10});
  lowerBase[12] = 0x08;
  return {
      {"8.3 name alone", Join({MakeEntry({"README  TXT", 0x20, 5, 10})}), "README.TXT", false},
      {"lower-case flags of base and extension", Join({lower}), "readme.txt", false},
      {"lower-case base without extension", Join({lowerBase}), "makefile", false},
      {"erased 8.3 entry", Join({MakeEntry({"\xE5OO     BAK", 0x20, 5, 10})}), "#OO.BAK", true},
      {"long name in two pieces",
       Join({Piece(0x42, u"e.txt", shortName), Piece(0x01, u"Long name her", shortName),
             MakeEntry({shortName, 0x20, 5, 10})}),
       "Long name here.txt", false},
      {"surrogate pair split across the pieces",
       Join({Piece(0x42, u"\xDE00x.txt", shortName), Piece(0x01, u"abcdefghijkl\xD83D", shortName),
             MakeEntry({shortName, 0x20, 5, 10})}),
       "abcdefghijkl\xF0\x9F\x98\x80x.txt", false},
      {"lone surrogate becomes an underscore",
       Join({Piece(0x41, u"a\xDC00" u"b.txt", shortName), MakeEntry({shortName, 0x20, 5, 10})}), "a_b.txt", false},
      {"orphaned piece before a new name is dropped",
       Join({Piece(0x41, u"old.txt", shortName), Piece(0x41, u"new.txt", shortName),
             MakeEntry({shortName, 0x20, 5, 10})}),
       "new.txt", false},
      {"checksum of another short name: the 8.3 name",
       Join({Piece(0x41, u"stale.txt", "OTHER   TXT"), MakeEntry({shortName, 0x20, 5, 10})}), "LONGNA~1.TXT", false},
      {"erased entry keeps its long name (its checksum cannot be known)",
       Join({Piece(0x41, u"was here.txt", shortName), MakeEntry({erasedName, 0x20, 5, 10})}), "was here.txt", true},
      {"long name with a forbidden character: the 8.3 name",
       Join({Piece(0x41, u"a?b.txt", shortName), MakeEntry({shortName, 0x20, 5, 10})}), "LONGNA~1.TXT", false},
      {"no short entry", Join({Piece(0x41, u"lost.txt", shortName)}), nullptr, false},
  };
}

TEST(CFATFilePropertiesBuilderTest, NamesAndStateFromRawEntries) {
  for (NameCase& c : NameCases()) {
    SCOPED_TRACE(c.label);
    auto properties = CFATFilePropertiesBuilder::BuildFATFilePropertyFromDirEntryBuffer(c.entries);
    if (c.name == nullptr) {
      EXPECT_EQ(properties, nullptr);
      continue;
    }
    ASSERT_NE(properties, nullptr);
    EXPECT_STREQ(properties->GetFileName(), c.name);
    EXPECT_EQ(properties->GetFileNameLength(), std::string(c.name).size());
    EXPECT_EQ(properties->IsDeleted(), c.deleted);
    EXPECT_EQ(properties->GetFileSize(), 10);
    EXPECT_EQ(properties->GetAttribute(), 0x20);
  }
}

TEST(CFATFilePropertiesBuilderTest, NameOfMaxUnitsIsRefused) {
  const std::string shortName = "LONGNA~1TXT";
  for (const std::size_t pieces : {std::size_t{157}, std::size_t{158}}) {
    SCOPED_TRACE(pieces);
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = pieces; i > 0; --i) {
      const Entry piece = Piece(static_cast<std::uint8_t>(i), u"abcdefghijklm", shortName);
      bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    const Entry entry = MakeEntry({shortName, 0x20, 5, 10});
    bytes.insert(bytes.end(), entry.begin(), entry.end());
    auto properties = CFATFilePropertiesBuilder::BuildFATFilePropertyFromDirEntryBuffer(bytes);
    // 157 pieces are 2041 units; 158 reach 2054, past the limit of 2047.
    if (pieces == 157) {
      ASSERT_NE(properties, nullptr);
      EXPECT_EQ(std::string(properties->GetFileName()).size(), pieces * 13);
    } else {
      EXPECT_EQ(properties, nullptr);
    }
  }
}

std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
  std::tm calendar{};
  calendar.tm_year = year - 1900;
  calendar.tm_mon = month - 1;
  calendar.tm_mday = day;
  calendar.tm_hour = hour;
  calendar.tm_min = minute;
  calendar.tm_sec = second;
  return static_cast<std::int64_t>(timegm(&calendar));
}

TEST(FATDosTimeTest, DosWordsAreLocalTime) {
  struct Case {
    const char* zone;
    std::uint16_t date;
    std::uint16_t time;
    std::int64_t utc;
  };
  const std::uint16_t date = (41 << 9) | (3 << 5) | 4;   // 2021-03-04
  const std::uint16_t time = (5 << 11) | (6 << 5) | 4;   // 05:06:08
  const std::uint16_t summer = (41 << 9) | (7 << 5) | 1;  // 2021-07-01
  const Case cases[] = {
      {"UTC", date, time, UtcSeconds(2021, 3, 4, 5, 6, 8)},
      {"EST5", date, time, UtcSeconds(2021, 3, 4, 10, 6, 8)},
      {"CET-1CEST,M3.5.0,M10.5.0/3", summer, 0, UtcSeconds(2021, 6, 30, 22, 0, 0)},
      // Day 0 of month 0 is normalised by the calendar: 1979-11-30.
      {"UTC", 0, 0, UtcSeconds(1979, 11, 30, 0, 0, 0)},
      {"UTC", (41 << 9) | (3 << 5) | 4, 0xBF7D, UtcSeconds(2021, 3, 4, 23, 59, 58)},
      // Either side of the spring change (2021-03-28 02:00 -> 03:00 local).
      {"CET-1CEST,M3.5.0,M10.5.0/3", (41 << 9) | (3 << 5) | 28, (1 << 11) | (59 << 5) | 29,
       UtcSeconds(2021, 3, 28, 0, 59, 58)},
      {"CET-1CEST,M3.5.0,M10.5.0/3", (41 << 9) | (3 << 5) | 28, (3 << 11) | (30 << 5),
       UtcSeconds(2021, 3, 28, 1, 30, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.date) + " " + std::to_string(c.time));
    ScopedTimeZone zone(c.zone);
    EXPECT_EQ(DosDateTimeToFileTime(c.date, c.time), UnixSecondsToFileTime(c.utc));
  }
}

TEST(CFATFilePropertiesBuilderTest, TimesComeFromTheirOwnWords) {
  ScopedTimeZone zone("UTC");
  Entry entry = MakeEntry({"TIMES   TXT", 0x20, 5, 10});
  FieldWriter w(entry);
  w.le16(14, (1 << 11) | (2 << 5) | 3);   // creation 01:02:06
  w.le16(16, (40 << 9) | (1 << 5) | 2);   // 2020-01-02
  w.le16(18, (40 << 9) | (2 << 5) | 3);   // access 2020-02-03
  w.le16(22, (4 << 11) | (5 << 5) | 6);   // write 04:05:12
  w.le16(24, (40 << 9) | (3 << 5) | 4);   // 2020-03-04
  auto properties = CFATFilePropertiesBuilder::BuildFATFilePropertyFromDirEntryBuffer(MutableByteSpan(entry));
  ASSERT_NE(properties, nullptr);
  EXPECT_EQ(properties->GetCreationTime(), UnixSecondsToFileTime(UtcSeconds(2020, 1, 2, 1, 2, 6)));
  EXPECT_EQ(properties->GetLastAccessTime(), UnixSecondsToFileTime(UtcSeconds(2020, 2, 3, 0, 0, 0)));
  EXPECT_EQ(properties->GetModificationTime(), UnixSecondsToFileTime(UtcSeconds(2020, 3, 4, 4, 5, 12)));
}

std::unique_ptr<CFATFileProperties> MakeProperties(const char* name, long long first, long long parent,
                                                   unsigned short attribute = 0x20) {
  auto properties = std::make_unique<CFATFileProperties>();
  properties->SetFileName(name);
  properties->SetFirstCluster(first);
  properties->SetParentFirstCluster(parent);
  properties->SetMetadataSector(1234);
  properties->SetAttribute(attribute);
  properties->SetFileSize(4096);
  return properties;
}

IDataRunList* Runs(std::initializer_list<DataRun> runs) {
  IDataRunList* list = CreateDataRunList();
  for (const DataRun& run : runs) list->AddDataRun(&run);
  return list;
}

TEST(CFATFileNodeTest, PropertiesGiveIdsAndTheNodeOwnsAClonableCopy) {
  auto* node = new CFATFileNode();
  node->SetFileProperties(MakeProperties("a.txt", 77, 5).release());
  node->SetDataRunList(Runs({{75, 3}, {90, 1}}));
  node->SetBelongedPartition(3);
  EXPECT_EQ(node->GetCurrentNodeID(), 77);
  EXPECT_EQ(node->GetParentNodeID(), 5);
  EXPECT_EQ(node->GetMetadataStartPosition(), 1234);
  EXPECT_EQ(node->GetSearcheType(), SEARCHER_FAT);
  EXPECT_FALSE(node->IsDirectory());
  EXPECT_FALSE(node->IsDeleted());
  node->MarkDeleted();
  EXPECT_TRUE(node->IsDeleted());

  auto* copy = dynamic_cast<CFATFileNode*>(node->Clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->GetFATFileProperties(), node->GetFATFileProperties());
  ASSERT_NE(copy->GetDataRunList(), nullptr);
  EXPECT_NE(copy->GetDataRunList(), node->GetDataRunList());
  EXPECT_EQ(copy->GetCurrentNodeID(), 77);
  EXPECT_EQ(copy->GetParentNodeID(), 5);
  EXPECT_EQ(copy->GetBelongedPartition(), 3);
  EXPECT_TRUE(copy->IsDeleted());
  // The copy lives on its own.
  node->Release();
  EXPECT_STREQ(copy->GetFileName(), "a.txt");
  EXPECT_EQ(copy->GetDataRunList()->GetFirst()->lcn, 75);
  copy->SetFileName("..hidden");
  copy->FilterFileNameByDot();
  EXPECT_STREQ(copy->GetFileName(), "hidden");
  copy->Release();
}

TEST(CFATFilePropertiesTest, CloneOwnsItsRunsAndAssignmentLeavesThem) {
  auto properties = MakeProperties("dir", 9, 2, 0x10);
  properties->SetDataRunList(Runs({{7, 1}}));
  std::unique_ptr<IFileProperties> clone(properties->Clone());
  ASSERT_NE(clone, nullptr);
  ASSERT_NE(clone->GetDataRunList(), nullptr);
  EXPECT_NE(clone->GetDataRunList(), properties->GetDataRunList());

  CFATFileProperties target;
  target.SetDataRunList(Runs({{1, 1}}));
  target.SetMetadataSector(55);
  target = *properties;
  EXPECT_STREQ(target.GetFileName(), "dir");
  EXPECT_EQ(target.GetFirstCluster(), 9);
  EXPECT_EQ(target.GetParentFirstCluster(), 2);
  EXPECT_TRUE(target.IsDirectory());
  EXPECT_EQ(target.GetDataRunList()->GetFirst()->lcn, 1);
  EXPECT_EQ(target.GetMetadataSector(), 55);
}

TEST(CFATFileNodeTest, NewerEntryOfTheSameFolderReplacesTheOldOne) {
  CFATFileNode older;
  older.SetFileProperties(MakeProperties("OLDNAME", 40, 2, 0x10).release());
  older.GetFATFileProperties()->SetCreationTime(100);
  CFATFileNode newer;
  newer.SetFileProperties(MakeProperties("New name", 40, 2, 0x10).release());
  newer.GetFATFileProperties()->SetCreationTime(200);
  EXPECT_FALSE(older == newer);
  EXPECT_STREQ(older.GetFileName(), "New name");
  EXPECT_EQ(older.GetCreationTime(), 200u);
}

TEST(CFATFileNodeTest, DebugLineOnlyWhenTracing) {
  TempDir logs;
  CatchExeception::SetWorkPathForTesting(logs.path().string());
  for (const bool trace : {false, true}) {
    CFATFileNode::SetDebugTrace(trace);
    CFATFileNode node;
    node.SetFileProperties(MakeProperties(trace ? "traced.txt" : "quiet.txt", 0x1234, 0x10).release());
  }
  CFATFileNode::SetDebugTrace(false);
  CatchExeception::SetWorkPathForTesting("");
  std::ifstream in(logs.path() / "sQuellsy.log");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("=====traced.txt====== Current:1234 Parent:10"), std::string::npos);
  EXPECT_EQ(text.str().find("quiet.txt"), std::string::npos);
}

}  // namespace
}  // namespace quellsy::test
