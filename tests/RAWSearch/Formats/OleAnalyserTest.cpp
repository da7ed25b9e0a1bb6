// The compound-document analyser: files written by the test-side writer and office samples, grown as the
// search streams past them and measured from the device; the directory rules that type them; names,
// times and labels from their summary information. The samples the complete scan must find are listed
// here too.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "CompoundFileSamples.h"
#include "FormatSamples.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Document/FileOLEAnalyser.h"

namespace quellsy::test::formats {
namespace {

using Record = FileOLEAnalyser::OleRawFileInfo;
constexpr long long kStart = 100;

class OleAnalyserTest : public RawSearchTest {
 protected:
  void SetUp() override {
    RawSearchTest::SetUp();
    // Times print in local time; the expectations are worked out in UTC.
    const char* tz = std::getenv("TZ");
    savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (savedTz_)
      setenv("TZ", savedTz_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
    RawSearchTest::TearDown();
  }

  // `file` at sector kStart of an image followed by zeros, grown as the search would (over at most
  // `maxSectors` sectors).
  std::unique_ptr<Record> Grow(const Bytes& file, long long sectorsPerBlock = 64, unsigned sectorSize = kSector,
                               long long maxSectors = 1 << 16) {
    Bytes image(kStart * sectorSize, 0);
    image.insert(image.end(), file.begin(), file.end());
    image.resize(image.size() + 64 * sectorSize, 0);
    std::unique_ptr<Record> record(dynamic_cast<Record*>(analyser_.CreateRawFileInfo()));
    record->m_llStartSector = kStart;
    record->m_pAnalyser = &analyser_;
    outcome_ = GrowRecord(*record, ImageSectors(image, sectorSize), sectorSize, sectorsPerBlock, maxSectors);
    return record;
  }

  FileOLEAnalyser analyser_;
  GrowOutcome outcome_;
  std::optional<std::string> savedTz_;
};

TEST_F(OleAnalyserTest, ClaimsTheCompoundSignatureOnly) {
  Bytes sector = MakeCompoundFile({}).bytes;
  sector.resize(kSector);
  CRawFileInfo hit;
  EXPECT_EQ(analyser_.AnalyseBuffer(sector.data(), hit), 1);
  EXPECT_EQ(hit.m_uRawFileType, static_cast<std::uint32_t>(RAW_FILE_TYPE_OLE));
  EXPECT_EQ(hit.m_ullSize, 0u);
  sector[7] = 0xE2;
  EXPECT_EQ(analyser_.AnalyseBuffer(sector.data(), hit), 0);
}

// The size rule: the header sector and every sector up to the last one the allocation table marks.
TEST_F(OleAnalyserTest, SizeFromTheCountedEntriesBothWays) {
  struct Case {
    const char* name;
    CompoundLayout layout;
  };
  CompoundLayout lastEntryNine;  // 1 allocation sector + 1 directory sector + 8 filler: last used entry 9
  CompoundLayout version4;
  version4.version = 4;
  version4.fillerSectors = 3;
  CompoundLayout indexChain;  // the second allocation sector is listed by an index sector ending in 0xFFFFFFFE
  indexChain.fatSectors = 2;
  indexChain.fatInHeader = 1;
  indexChain.fillerSectors = 200;
  CompoundLayout withSummary;
  withSummary.summary = SummaryStream({StringProperty(2, "Plan")});
  const Case cases[] = {{"version 3", lastEntryNine}, {"version 4", version4}, {"index chain", indexChain},
                        {"summary", withSummary}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CompoundFile file = MakeCompoundFile(c.layout);
    const std::uint64_t expected = std::uint64_t{file.usedSectors + 1} * file.sectorBytes;
    ASSERT_EQ(file.bytes.size(), expected);
    const auto record = Grow(file.bytes);
    EXPECT_EQ(outcome_.result, 1);
    EXPECT_EQ(record->m_ullSize, expected);
    EXPECT_EQ(record->m_uRawFileType, static_cast<std::uint32_t>(RAW_FILE_TYPE_DOC));
    const Carved carved = MeasurePlaced(analyser_, file.bytes, static_cast<long long>(expected / kSector) + 8);
    EXPECT_EQ(carved.measured, 1);
    EXPECT_EQ(carved.size, expected);
    EXPECT_EQ(carved.type, static_cast<std::uint32_t>(RAW_FILE_TYPE_DOC));
  }
  // Worked out by hand: entry 9 is the last one used, so (9 + 1 + 1) x 512.
  EXPECT_EQ(MakeCompoundFile(lastEntryNine).bytes.size(), 5632u);
  EXPECT_EQ(MakeCompoundFile(version4).bytes.size() % 4096, 0u);
}

TEST_F(OleAnalyserTest, DirectoryRulesTypeTheDocument) {
  std::array<std::uint8_t, 16> classId{};
  classId[0] = 1;
  struct Case {
    std::vector<std::string> entries;
    bool rootClassId;
    std::uint32_t type;
  };
  const Case cases[] = {
      {{"WordDocument", "1Table"}, false, RAW_FILE_TYPE_DOC},
      {{"Data", "ObjectPool"}, false, RAW_FILE_TYPE_DOC},
      {{"Contents", "Other"}, false, RAW_FILE_TYPE_MOF},
      {{"Workbook", "WordDocument"}, false, RAW_FILE_TYPE_XLS},
      {{"x", "Book"}, false, RAW_FILE_TYPE_XLS},
      {{"VisioDocument", "Workbook", "PowerPoint Document"}, false, RAW_FILE_TYPE_VSD},
      {{"x", "Scene"}, false, RAW_FILE_TYPE_MAX},
      {{"x", "y", "PowerPoint Document"}, false, RAW_FILE_TYPE_PPT},
      {{"Pictures"}, false, RAW_FILE_TYPE_PPT},
      {{"PerfectOffice_MAIN", "PerfectOffice_OBJECTS", "\x05SummaryInformation"}, false, RAW_FILE_TYPE_SHW},
      {{"PerfectOffice_MAIN", "PerfectOffice_OBJECTS", "x"}, false, RAW_FILE_TYPE_WPG},
      {{"PerfectOffice_MAIN", "PerfectOffice_OBJECTS", "x"}, true, RAW_FILE_TYPE_WPD},
      {{"RSeStorage", "x", "RSeEmbeddings"}, false, RAW_FILE_TYPE_IPT},
      {{"properties"}, false, RAW_FILE_TYPE_AAF},
      {{"NativeContent_MAIN"}, false, RAW_FILE_TYPE_QPW},
      {{"Objects", "Quill", "QuillSub"}, false, RAW_FILE_TYPE_PUB},
      {{"Objects", "Quill", "Escher"}, false, RAW_FILE_TYPE_PUB},
      {{"\x01" "CompObj", "   19", "   29"}, false, RAW_FILE_TYPE_MPP},
      {{"\x01" "CompObj", "   112", "   212"}, false, RAW_FILE_TYPE_MPP},
      {{"\x01" "CompObj", "   112", "   29"}, false, RAW_FILE_TYPE_MOF},
      {{"PropData", "Forms", "Reports"}, false, RAW_FILE_TYPE_ADP},
      {{"VBA", "VBAProject", "VBA"}, false, RAW_FILE_TYPE_ADP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entries.front());
    CompoundLayout layout;
    layout.entries = c.entries;
    if (c.rootClassId) layout.rootClassId = classId;
    const auto record = Grow(MakeCompoundFile(layout).bytes);
    EXPECT_EQ(record->m_uRawFileType, c.type);
  }
}

TEST_F(OleAnalyserTest, NamedTimedAndLabelledFromTheSummary) {
  // 2019-05-02 10:20:30 and 2018-01-02 03:04:05 UTC.
  const std::uint64_t saved = FileTimeOfUnix(1556792430);
  const std::uint64_t created = FileTimeOfUnix(1514862245);
  struct Case {
    const char* what;
    std::vector<std::string> entries;
    std::vector<PropertyValue> values;
    std::string name;
    std::string time;
    RAW_FILE_TAG tag;
    std::string label;
  };
  const Case cases[] = {
      {"word processor",
       {"WordDocument"},
       {StringProperty(2, "Plan"), StringProperty(8, "Ann"), FileTimeProperty(13, saved)},
       "Ann_Plan_2019-05-02-10-20-30",
       "",
       RAW_FILE_TAG_OFFICE,
       "Ann"},
      {"author only and creation time",
       {"Workbook"},
       {UnicodeProperty(4, u"Bo"), FileTimeProperty(12, created)},
       "Bo_Bo_2018-01-02-03-04-05",
       "2018-01-02-03-04-05",
       RAW_FILE_TAG_OFFICE,
       "Bo"},
      {"title cut, no author", {"x", "PowerPoint Document"}, {StringProperty(2, "  A title of thirty characters")},
       "unKnown_A title of thirty charac", "", RAW_FILE_TAG_OFFICE, "unKnown"},
      {"not an office kind", {"VisioDocument"}, {StringProperty(2, "Chart")}, "Chart", "", RAW_FILE_TAG_NONE, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CompoundLayout layout;
    layout.entries = c.entries;
    layout.summary = SummaryStream(c.values);
    const auto record = Grow(MakeCompoundFile(layout).bytes);
    EXPECT_EQ(record->GetRawFileName(), c.name);
    EXPECT_EQ(record->GetRawFileTime(), c.time);
    RAW_FILE_TAG tag;
    std::string label;
    record->GetRawFileTagAndValue(tag, label);
    EXPECT_EQ(tag, c.tag);
    EXPECT_EQ(label, c.label);
  }
}

TEST_F(OleAnalyserTest, WithoutSummaryTheNameIsTheSectorRange) {
  CompoundLayout layout;
  layout.entries = {"Workbook"};
  const CompoundFile file = MakeCompoundFile(layout);
  const auto record = Grow(file.bytes);
  EXPECT_EQ(record->GetRawFileName(),
            std::to_string(kStart) + "-" + std::to_string(kStart + static_cast<long long>(file.bytes.size() / kSector)));
  RAW_FILE_TAG tag;
  std::string label;
  record->GetRawFileTagAndValue(tag, label);
  EXPECT_EQ(tag, RAW_FILE_TAG_NONE);
}

TEST_F(OleAnalyserTest, BrokenStructuresAreRefusedNotFollowed) {
  struct Case {
    const char* what;
    std::function<void(Bytes&)> spoil;
  };
  const Case cases[] = {
      {"sector shift 10", [](Bytes& b) { b[30] = 10; }},
      {"no allocation sector", [](Bytes& b) { std::fill(b.begin() + 76, b.begin() + 512, 0xFF); }},
      {"allocation sector past the cap", [](Bytes& b) { quellsy::FieldWriter(b).le32(76, 0xFFFFFFF0); }},
      {"index chain looping to itself",
       [](Bytes& b) {
         quellsy::FieldWriter w(b);
         w.le32(68, 0);
         w.le32(72, 0xFFFFFFFF);
         w.le32(512 + 4 * 127, 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes file = MakeCompoundFile({}).bytes;
    c.spoil(file);
    const auto record = Grow(file);
    EXPECT_EQ(outcome_.result, 1);
    EXPECT_EQ(record->m_ullSize, 0u);
    EXPECT_EQ(MeasurePlaced(analyser_, file, 64).measured, 0);
  }
}

// Devices of 4096-byte sectors hold several document sectors in each of theirs; small blocks split the
// structures over what the search holds at once.
TEST_F(OleAnalyserTest, LargeDeviceSectorsAndSmallBlocks) {
  CompoundLayout layout;
  layout.summary = SummaryStream({StringProperty(2, "Plan"), StringProperty(8, "Ann")});
  layout.fatSectors = 2;
  layout.fatInHeader = 1;
  layout.fillerSectors = 200;
  const CompoundFile file = MakeCompoundFile(layout);
  for (const auto& [block, sectorSize] : {std::pair{64LL, 4096u}, std::pair{2LL, 512u}, std::pair{1LL, 4096u}}) {
    SCOPED_TRACE(std::to_string(block) + " x " + std::to_string(sectorSize));
    const auto record = Grow(file.bytes, block, sectorSize);
    EXPECT_EQ(record->m_ullSize, file.bytes.size());
    // Without a time the last author names the file, and labels it.
    EXPECT_EQ(record->GetRawFileName(), "Ann_Ann");
  }
}

// A record that leaves the growing set once its length and kind are known keeps them, so it is filed.
TEST_F(OleAnalyserTest, LeavingEarlyKeepsAKnownSize) {
  const CompoundFile file = MakeCompoundFile({});
  const auto record = Grow(file.bytes, 64, kSector, 2);
  EXPECT_EQ(outcome_.result, 2);
  EXPECT_EQ(record->m_ullSize, 0u);
  record->WillBeRemove(nullptr, -1);
  EXPECT_EQ(record->m_ullSize, file.bytes.size());
  EXPECT_EQ(record->m_uRawFileType, static_cast<std::uint32_t>(RAW_FILE_TYPE_DOC));
}

// A directory that cannot be read leaves a short file untyped.
TEST_F(OleAnalyserTest, AnUnreadableDirectoryLeavesTheFileUntyped) {
  Bytes file = MakeCompoundFile({}).bytes;
  quellsy::FieldWriter(file).le32(48, 0x00FFFFFF);
  const auto record = Grow(file);
  EXPECT_EQ(record->m_ullSize, file.size());
  EXPECT_EQ(record->m_uRawFileType, static_cast<std::uint32_t>(RAW_FILE_TYPE_MOF));
  const Carved carved = MeasurePlaced(analyser_, file, 64);
  EXPECT_EQ(carved.size, file.size());
  EXPECT_EQ(carved.type, static_cast<std::uint32_t>(RAW_FILE_TYPE_MOF));
}

TEST_F(OleAnalyserTest, OfficeSamplesMeasureExactlyAndAreTyped) {
  struct Case {
    const char* file;
    std::uint32_t type;
  };
  const Case cases[] = {{"doc.doc", RAW_FILE_TYPE_DOC},
                        {"xls.xls", RAW_FILE_TYPE_XLS},
                        {"ppt.ppt", RAW_FILE_TYPE_PPT},
                        {"pub.pub", RAW_FILE_TYPE_PUB}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes file = Sample(c.file)();
    ASSERT_FALSE(file.empty());
    const auto record = Grow(file);
    EXPECT_EQ(record->m_ullSize, file.size());
    EXPECT_EQ(record->m_uRawFileType, c.type);
    const Carved carved = MeasurePlaced(analyser_, file, static_cast<long long>(file.size() / kSector) + 8);
    EXPECT_EQ(carved.size, file.size());
    EXPECT_EQ(carved.type, c.type);
  }
}

const ScanSampleRegistrar kScanSamples({
    {"FileOLEAnalyser", "doc sample", Sample("doc.doc"), RAW_FILE_TYPE_DOC, Expect::kExact},
    {"FileOLEAnalyser", "xls sample", Sample("xls.xls"), RAW_FILE_TYPE_XLS, Expect::kExact},
    {"FileOLEAnalyser", "ppt sample", Sample("ppt.ppt"), RAW_FILE_TYPE_PPT, Expect::kExact},
    {"FileOLEAnalyser", "written with summary",
     [] {
       CompoundLayout layout;
       layout.summary = SummaryStream({StringProperty(2, "Plan"), StringProperty(8, "Ann")});
       return MakeCompoundFile(layout).bytes;
     },
     RAW_FILE_TYPE_DOC, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
