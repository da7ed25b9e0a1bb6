// Entry sets into records: the per-entry tests, sets that span clusters, what ends a directory, and names.

#include "ExFat/CEFDTAnalyze.h"

#include <gtest/gtest.h>

#include <functional>

#include "ExFatTestBytes.h"

namespace quellsy::test {
namespace {

using namespace exfatbytes;

constexpr std::uint64_t kDeviceSectors = 1 << 20;

class ExFatEntrySetTest : public testing::Test {
 protected:
  void SetUp() override { analyzer.PrepareAnayze(9, 12, kDeviceSectors); }

  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const _tagFileBaseInfo& info : analyzer.TakeRecords()) names.push_back(info.name);
    return names;
  }

  CEFDTAnalyze analyzer;
};

TEST_F(ExFatEntrySetTest, ASetBecomesARecordWithItsFields) {
  StreamFields stream;
  stream.flags = 0x03;
  stream.firstCluster = 77;
  stream.length = 123456;
  FileFields file;
  file.attributes = 0x21;
  file.creation = kStamp + 1;
  const Bytes cluster = Join({Entry(0x81), Entry(0x82), EntrySet(u"report.pdf", stream, file), Entry(0x00)});
  EXPECT_FALSE(analyzer.Analyze(cluster, 1000));  // ends at the end-of-directory entry
  const std::vector<_tagFileBaseInfo> records = analyzer.TakeRecords();
  ASSERT_EQ(records.size(), 1u);
  const _tagFileBaseInfo& r = records[0];
  EXPECT_EQ(r.name, "report.pdf");
  EXPECT_EQ(r.dataLength, 123456);
  EXPECT_EQ(r.firstCluster, 77u);
  EXPECT_EQ(r.noFatChain, 1);
  EXPECT_EQ(r.inUse, 1);
  EXPECT_EQ(r.attributes, 0x21);
  EXPECT_EQ(r.creationTime, kStamp + 1);
  EXPECT_EQ(r.modificationTime, kStamp);
  EXPECT_EQ(r.lastAccessTime, kStamp);
  // The file entry is the third of the cluster: bytes 64-95, still in its first sector.
  EXPECT_EQ(r.metadataSector, 1000);
}

TEST_F(ExFatEntrySetTest, TheMetadataSectorIsTheOneHoldingTheFileEntry) {
  Bytes cluster;
  for (int i = 0; i < 16; ++i) cluster = Join({cluster, Entry(0x81)});  // one 512-byte sector of them
  cluster = Join({cluster, EntrySet(u"second.txt")});
  EXPECT_TRUE(analyzer.Analyze(cluster, 1000));
  const std::vector<_tagFileBaseInfo> records = analyzer.TakeRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].metadataSector, 1001);
}

TEST_F(ExFatEntrySetTest, ASetSpanningTwoClustersIsCompleted) {
  const Bytes set = EntrySet(u"a name that needs three name entries, 40+");
  ASSERT_EQ(set.size(), 5u * 32);
  EXPECT_TRUE(analyzer.Analyze(std::span(set).first(64), 10));
  EXPECT_TRUE(analyzer.Records().empty());
  EXPECT_TRUE(analyzer.Analyze(std::span(set).subspan(64), 18));
  EXPECT_EQ(Names(), std::vector<std::string>{"a name that needs three name entries, 40+"});
}

TEST_F(ExFatEntrySetTest, ResetDropsAHalfReadSet) {
  const Bytes set = EntrySet(u"x.txt");
  EXPECT_TRUE(analyzer.Analyze(std::span(set).first(64), 10));
  analyzer.Reset();
  EXPECT_TRUE(analyzer.Analyze(std::span(set).subspan(64), 18));
  EXPECT_TRUE(Names().empty());
}

struct SecondaryCase {
  std::uint8_t count;
  bool valid;
};

void PrintTo(const SecondaryCase& c, std::ostream* os) { *os << int{c.count}; }

class ExFatSecondaryCount : public ExFatEntrySetTest, public testing::WithParamInterface<SecondaryCase> {};

TEST_P(ExFatSecondaryCount, TwoToEighteen) {
  FileFields file;
  file.secondaries = GetParam().count;
  EXPECT_EQ(analyzer.SetBaseData(FileEntry(file), 0), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Counts, ExFatSecondaryCount,
                         testing::Values(SecondaryCase{1, false}, SecondaryCase{2, true}, SecondaryCase{18, true},
                                         SecondaryCase{19, false}));

struct FileEntryCase {
  const char* name;
  std::function<void(FileFields&, Bytes&)> change;
};

void PrintTo(const FileEntryCase& c, std::ostream* os) { *os << c.name; }

class ExFatFileEntryRejected : public ExFatEntrySetTest, public testing::WithParamInterface<FileEntryCase> {};

// time: hours << 11 | minutes << 5 | two-second count; date: years since 1980 << 9 | month << 5 | day.
constexpr std::uint32_t Stamp(std::uint32_t date, std::uint32_t time) { return date << 16 | time; }

TEST_P(ExFatFileEntryRejected, AndTheDirectoryEndsThere) {
  FileFields file;
  Bytes scratch;
  GetParam().change(file, scratch);
  Bytes entry = FileEntry(file);
  GetParam().change(file, entry);
  EXPECT_FALSE(analyzer.SetBaseData(entry, 0));
  EXPECT_FALSE(analyzer.Analyze(Join({entry, StreamEntry({}), NameEntries(u"a")}), 0));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ExFatFileEntryRejected,
    testing::Values(
        FileEntryCase{"Day0", [](FileFields& f, Bytes&) { f.creation = Stamp((40 << 9) | (1 << 5) | 0, 0); }},
        FileEntryCase{"Month0", [](FileFields& f, Bytes&) { f.modification = Stamp((40 << 9) | (0 << 5) | 1, 0); }},
        FileEntryCase{"Month13", [](FileFields& f, Bytes&) { f.access = Stamp((40 << 9) | (13 << 5) | 1, 0); }},
        FileEntryCase{"Hour24", [](FileFields& f, Bytes&) { f.creation = Stamp(0x5022, 24 << 11); }},
        FileEntryCase{"Minute60", [](FileFields& f, Bytes&) { f.creation = Stamp(0x5022, 60 << 5); }},
        FileEntryCase{"Seconds60", [](FileFields& f, Bytes&) { f.creation = Stamp(0x5022, 30); }},
        FileEntryCase{"TenMs200", [](FileFields& f, Bytes&) { f.tenMs = 200; }},
        FileEntryCase{"ReservedWord", [](FileFields&, Bytes& e) { if (!e.empty()) e[7] = 1; }},
        FileEntryCase{"ReservedTail", [](FileFields&, Bytes& e) { if (!e.empty()) e[31] = 1; }},
        FileEntryCase{"TypeBits", [](FileFields&, Bytes& e) { if (!e.empty()) e[0] = 0xA5; }}),
    [](const testing::TestParamInfo<FileEntryCase>& param) { return std::string(param.param.name); });

TEST_F(ExFatEntrySetTest, TheLastPlausibleTimesPass) {
  FileFields file;
  file.creation = Stamp((127 << 9) | (12 << 5) | 31, (23 << 11) | (59 << 5) | 29);
  file.tenMs = 199;
  EXPECT_TRUE(analyzer.SetBaseData(FileEntry(file), 0));
}

struct StreamCase {
  const char* name;
  std::function<void(StreamFields&, Bytes&)> change;
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

class ExFatStreamRejected : public ExFatEntrySetTest, public testing::WithParamInterface<StreamCase> {};

TEST_P(ExFatStreamRejected, AsImplausible) {
  StreamFields stream;
  Bytes scratch;
  GetParam().change(stream, scratch);
  Bytes entry = StreamEntry(stream);
  GetParam().change(stream, entry);
  EXPECT_FALSE(analyzer.SetStreamData(entry));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ExFatStreamRejected,
    testing::Values(
        StreamCase{"Cluster1", [](StreamFields& s, Bytes&) { s.firstCluster = 1; }},
        StreamCase{"ClusterPastTheLast", [](StreamFields& s, Bytes&) { s.firstCluster = 0xFFFFFFF7; }},
        StreamCase{"LongerThanTheDevice", [](StreamFields& s, Bytes&) { s.length = kDeviceSectors << 9; }},
        StreamCase{"ContiguousPastTheClusters",
                   [](StreamFields& s, Bytes&) {
                     s.flags = 0x03;
                     s.firstCluster = 0xFFFFFFF0;
                     s.length = 1 << 15;
                   }},
        StreamCase{"ReservedByte", [](StreamFields&, Bytes& e) { if (!e.empty()) e[2] = 1; }},
        StreamCase{"ReservedWord", [](StreamFields&, Bytes& e) { if (!e.empty()) e[6] = 1; }},
        StreamCase{"ReservedLong", [](StreamFields&, Bytes& e) { if (!e.empty()) e[18] = 1; }},
        StreamCase{"TypeBits", [](StreamFields&, Bytes& e) { if (!e.empty()) e[0] = 0xE0; }}),
    [](const testing::TestParamInfo<StreamCase>& param) { return std::string(param.param.name); });

TEST_F(ExFatEntrySetTest, AStreamWhoseInUseBitDiffersDropsTheSetButTheWalkGoesOn) {
  Bytes broken = EntrySet(u"lost.txt");
  broken[32] = 0x40;  // the stream says "not in use", its file entry "in use"
  EXPECT_TRUE(analyzer.Analyze(Join({broken, EntrySet(u"kept.txt")}), 0));
  EXPECT_EQ(Names(), std::vector<std::string>{"kept.txt"});
}

TEST_F(ExFatEntrySetTest, BitmapAndUpcaseEntriesBetweenSetsAreHarmlessInsideOneTheSetIsLost) {
  const Bytes set = EntrySet(u"inside.txt");
  const Bytes split = Join({std::vector(set.begin(), set.begin() + 64), Entry(0x82), std::vector(set.begin() + 64, set.end())});
  EXPECT_TRUE(analyzer.Analyze(Join({EntrySet(u"one"), Entry(0x81), Entry(0x82), EntrySet(u"two"), split,
                                     EntrySet(u"three")}),
                               0));
  EXPECT_EQ(Names(), (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(ExFatEntrySetTest, AnAsteriskInANameEndsTheDirectory) {
  EXPECT_FALSE(analyzer.Analyze(Join({EntrySet(u"before"), EntrySet(u"a*b"), EntrySet(u"after")}), 0));
  EXPECT_EQ(Names(), std::vector<std::string>{"before"});
}

TEST_F(ExFatEntrySetTest, ControlCharactersAreRefusedUpTo0x19) {
  EXPECT_FALSE(analyzer.SetNameData(NameEntries(std::u16string(u"a") + char16_t{0x19})));
  EXPECT_TRUE(analyzer.SetNameData(NameEntries(std::u16string(u"a") + char16_t{0x1A})));
  EXPECT_FALSE(analyzer.SetNameData(NameEntries(std::u16string(u"a") + char16_t{0xFF})));
  EXPECT_TRUE(analyzer.SetNameData(NameEntries(u"\u00FE\u0100")));
  Bytes flagged = NameEntries(u"a");
  flagged[1] = 1;
  EXPECT_FALSE(analyzer.SetNameData(flagged));
  EXPECT_FALSE(analyzer.SetNameData(Entry(0xC1)));  // the first character is 0
}

TEST_F(ExFatEntrySetTest, DeletedSetsAreRecordsNotInUse) {
  FileFields file;
  file.inUse = false;
  EXPECT_TRUE(analyzer.Analyze(EntrySet(u"gone.txt", {}, file), 0));
  const std::vector<_tagFileBaseInfo> records = analyzer.TakeRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, "gone.txt");
  EXPECT_EQ(records[0].inUse, 0);
}

TEST_F(ExFatEntrySetTest, LongAndNonAsciiNames) {
  const std::u16string longest(255, u'L');
  // The smiley's surrogate pair is split between the first and second name entry.
  const std::u16string split = std::u16string(14, u'a') + u"\U0001F600" + u"é";
  const std::u16string mixed = u"Ünïcødé ファイル";
  EXPECT_TRUE(analyzer.Analyze(Join({EntrySet(longest), EntrySet(split), EntrySet(mixed)}), 0));
  EXPECT_EQ(Names(), (std::vector<std::string>{std::string(255, 'L'), std::string(14, 'a') + "\U0001F600é",
                                              "Ünïcødé ファイル"}));
}

TEST_F(ExFatEntrySetTest, AnUnpairedSurrogateBecomesAnUnderscoreSoNamesStayUtf8) {
  const std::u16string name = std::u16string(u"ab") + char16_t{0xD800} + u"c";
  EXPECT_TRUE(analyzer.Analyze(EntrySet(name), 0));
  EXPECT_EQ(Names(), std::vector<std::string>{"ab_c"});
}

TEST_F(ExFatEntrySetTest, TheNameEndsAtItsLength) {
  Bytes set = EntrySet(u"short");
  set[32 + 3] = 3;  // the stream says three characters
  EXPECT_TRUE(analyzer.Analyze(set, 0));
  EXPECT_EQ(Names(), std::vector<std::string>{"sho"});
}

Bytes Label(std::uint8_t count, const std::u16string& text) {
  Bytes e(32, 0);
  e[0] = 0x83;
  e[1] = count;
  FieldWriter w(e);
  for (std::size_t i = 0; i < text.size(); ++i) w.le16(2 + 2 * i, text[i]);
  return e;
}

TEST_F(ExFatEntrySetTest, LabelEntries) {
  EXPECT_TRUE(analyzer.SetVloumeLabel(Label(0, u"")));
  EXPECT_TRUE(analyzer.SetVloumeLabel(Label(5, u"EXVOL")));
  EXPECT_TRUE(analyzer.SetVloumeLabel(Label(11, u"ELEVENCHARS")));
  // Some writers put up to 15 characters there, over the reserved words.
  EXPECT_TRUE(analyzer.SetVloumeLabel(Label(15, u"testvolumelabel")));
  EXPECT_FALSE(analyzer.SetVloumeLabel(Label(16, u"testvolumelabel")));
  EXPECT_FALSE(analyzer.SetVloumeLabel(Label(3, u"EXVOL")));  // characters after the count
  EXPECT_FALSE(analyzer.SetVloumeLabel(Label(3, u"A?B")));
  Bytes reserved = Label(5, u"EXVOL");
  reserved[28] = 1;
  EXPECT_FALSE(analyzer.SetVloumeLabel(reserved));
  EXPECT_TRUE(analyzer.GetVolumeLabel().empty());
  EXPECT_FALSE(analyzer.Analyze(Join({EntrySet(u"one"), reserved, EntrySet(u"two")}), 0));
  EXPECT_EQ(Names(), std::vector<std::string>{"one"});
}

TEST_F(ExFatEntrySetTest, UnknownTypesEndTheDirectory) {
  for (const std::uint8_t type : {0x00, 0xA0, 0xE0, 0x20, 0xFF}) {
    SCOPED_TRACE(int{type});
    EXPECT_FALSE(analyzer.Analyze(Join({EntrySet(u"one"), Entry(type), EntrySet(u"two")}), 0));
    EXPECT_EQ(Names(), std::vector<std::string>{"one"});
  }
}

TEST_F(ExFatEntrySetTest, TheFirstBitmapEntryIsKept) {
  Bytes bitmap = Entry(0x81);
  FieldWriter(bitmap).le32(20, 2);
  FieldWriter(bitmap).le64(24, 1234);
  Bytes second = Entry(0x81);
  FieldWriter(second).le32(20, 9);
  EXPECT_TRUE(analyzer.Analyze(Join({bitmap, second}), 0));
  EXPECT_EQ(analyzer.GetBitmapCluster(), 2u);
  EXPECT_EQ(analyzer.GetBitmapLength(), 1234u);
}

}  // namespace
}  // namespace quellsy::test
