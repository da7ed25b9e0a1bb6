// The ZIP analyser: archives and packages made by Python's zipfile and Info-ZIP, grown as the search
// streams past them and measured from the device; typed by their member names and "mimetype" member,
// named from their core properties, ended at their end record also when data descriptors stop the record
// walk. The samples the complete scan must find are listed here too.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FormatSamples.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Archive/FileZIPAnalyser.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test::formats {
namespace {

using Record = FileZIPAnalyser::ZIPRawFileInfo;
constexpr long long kStart = 100;

// A sample made by make-zip-samples.sh (run once per test process); a failed script fails the test.
std::function<Bytes()> MadeZip(const std::string& file) {
  return [file] {
    static TempDir dir;
    static const FixtureRun run = RunFixture("tests/RAWSearch/Formats/make-zip-samples.sh", {dir.path().string()});
    if (!run.Made()) {
      ADD_FAILURE() << "ZIP samples not made: " << run.why;
      return Bytes{};
    }
    return ReadFile(dir / file);
  };
}

class ZipAnalyserTest : public RawSearchTest {
 protected:
  // `file` at sector kStart of an image with `after` behind it (zeros unless given), grown as the search would.
  std::unique_ptr<Record> Grow(const Bytes& file, long long sectorsPerBlock = 64, const Bytes& after = {},
                               unsigned sectorSize = kSector, long long maxSectors = 1 << 16) {
    Bytes image(kStart * sectorSize, 0);
    image.insert(image.end(), file.begin(), file.end());
    image.insert(image.end(), after.begin(), after.end());
    image.resize(image.size() + 64 * sectorSize, 0);
    CRawFileInfo scratch;
    EXPECT_EQ(analyser_.AnalyseBuffer(image.data() + kStart * sectorSize, scratch), 1);
    std::unique_ptr<Record> record(dynamic_cast<Record*>(analyser_.CreateRawFileInfo()));
    record->m_uRawFileType = scratch.m_uRawFileType;
    record->m_llStartSector = kStart;
    record->m_pAnalyser = &analyser_;
    outcome_ = GrowRecord(*record, ImageSectors(image, sectorSize), sectorSize, sectorsPerBlock, maxSectors);
    return record;
  }

  FileZIPAnalyser analyser_;
  GrowOutcome outcome_;
};

struct ZipCase {
  const char* file;
  std::uint32_t type;
};

// Both measuring paths agree on the type and end every archive exactly at its end record.
TEST_F(ZipAnalyserTest, TypedAndSizedByBothPaths) {
  const ZipCase cases[] = {
      {"docx.docx", RAW_FILE_TYPE_DOCX}, {"xlsx.xlsx", RAW_FILE_TYPE_XLSX}, {"pptx.pptx", RAW_FILE_TYPE_PPTX},
      {"stream.docx", RAW_FILE_TYPE_DOCX}, {"odt.odt", RAW_FILE_TYPE_ODT},  {"ods.ods", RAW_FILE_TYPE_ODS},
      {"odp.odp", RAW_FILE_TYPE_ODP},      {"epub.epub", RAW_FILE_TYPE_EPUB}, {"ipa.ipa", RAW_FILE_TYPE_IPA},
      {"plain.zip", RAW_FILE_TYPE_ZIP},    {"comment.zip", RAW_FILE_TYPE_ZIP}, {"piped.zip", RAW_FILE_TYPE_ZIP},
  };
  for (const ZipCase& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes file = MadeZip(c.file)();
    ASSERT_FALSE(file.empty());
    // Small blocks too, so records and end records straddle what the search holds at once.
    for (long long block : {64LL, 4LL}) {
      const auto record = Grow(file, block);
      EXPECT_EQ(outcome_.result, 1);
      EXPECT_EQ(record->m_ullSize, file.size());
      EXPECT_EQ(record->m_uRawFileType, c.type);
    }
    const Carved carved = MeasurePlaced(analyser_, file, static_cast<long long>(file.size() / kSector) + 16);
    EXPECT_EQ(carved.measured, 1);
    EXPECT_EQ(carved.size, file.size());
    EXPECT_EQ(carved.type, c.type);
  }
}

TEST_F(ZipAnalyserTest, PublicSamplesAreTypedAndSized) {
  const ZipCase cases[] = {{"docx.docx", RAW_FILE_TYPE_DOCX}, {"xlsx.xlsx", RAW_FILE_TYPE_XLSX},
                           {"pptx.pptx", RAW_FILE_TYPE_PPTX}, {"odt.odt", RAW_FILE_TYPE_ODT},
                           {"epub.epub", RAW_FILE_TYPE_EPUB}};
  for (const ZipCase& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes file = Sample(c.file)();
    ASSERT_FALSE(file.empty());
    const auto record = Grow(file);
    EXPECT_EQ(record->m_ullSize, file.size());
    EXPECT_EQ(record->m_uRawFileType, c.type);
  }
}

TEST_F(ZipAnalyserTest, OfficePackagesAreNamedAndLabelledFromTheirCoreProperties) {
  struct Case {
    const char* file;
    std::string name;
  };
  const Case cases[] = {
      {"docx.docx", "Bob Editor_Quarterly Plan_2022-01-02 03-04-05"},
      {"xlsx.xlsx", "Bob Editor_Budget_2022-01-02 03-04-05"},
      // The title is cut to its first 24 bytes.
      {"pptx.pptx", "Bob Editor_A title that runs well p_2022-01-02 03-04-05"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const auto record = Grow(MadeZip(c.file)());
    EXPECT_EQ(record->GetRawFileName(), c.name);
    EXPECT_EQ(record->GetRawFileTime(), "2022-01-02 03-04-05 ");
    RAW_FILE_TAG tag;
    std::string label;
    record->GetRawFileTagAndValue(tag, label);
    EXPECT_EQ(tag, RAW_FILE_TAG_OFFICE);
    EXPECT_EQ(label, "Bob Editor");
  }
  // Without core properties: the sector range.
  const Bytes plain = MadeZip("plain.zip")();
  const auto record = Grow(plain);
  EXPECT_EQ(record->GetRawFileName(),
            std::to_string(kStart) + "-" + std::to_string(kStart + static_cast<long long>((plain.size() - 1) / kSector)) +
                "_");
}

// An end record inside a member's data does not end the archive: the central directory it names must
// end right in front of it.
TEST_F(ZipAnalyserTest, AStrayEndRecordDoesNotEndADescriptorArchive) {
  Bytes file = MadeZip("piped.zip")();
  ASSERT_FALSE(file.empty());
  const auto record = Grow(file);
  ASSERT_EQ(record->m_ullSize, file.size());
  // Junk with an end-record signature right behind the archive's end is not taken either.
  Bytes after(600, 0x33);
  after[100] = 'P';
  after[101] = 'K';
  after[102] = 5;
  after[103] = 6;
  const auto followed = Grow(file, 64, after);
  EXPECT_EQ(followed->m_ullSize, file.size());
}

TEST_F(ZipAnalyserTest, LargeDeviceSectors) {
  for (const char* name : {"docx.docx", "piped.zip", "epub.epub"}) {
    SCOPED_TRACE(name);
    const Bytes file = MadeZip(name)();
    const auto record = Grow(file, 2, {}, 4096);
    EXPECT_EQ(record->m_ullSize, file.size());
  }
}

// A record that leaves the growing set before its end record streamed past is left unsized, and the
// analyser then measures it from the device.
TEST_F(ZipAnalyserTest, LeavingEarlyIsMeasuredFromTheDevice) {
  const Bytes file = MadeZip("plain.zip")();
  const auto record = Grow(file, 1, {}, kSector, 3);
  EXPECT_EQ(outcome_.result, 2);
  record->WillBeRemove(nullptr, -1);
  EXPECT_EQ(record->m_ullSize, 0u);
  MemoryDevice device(kStart + 64, kSector);
  device.Put(kStart * kSector, file);
  EXPECT_EQ(analyser_.GetRawFileSize(*record, &device), 1);
  EXPECT_EQ(record->m_ullSize, file.size());
}

TEST_F(ZipAnalyserTest, ValidatorLengths) {
  Bytes central(46 + 5 + 4 + 10, 0);
  quellsy::FieldWriter w(central);
  w.le32(0, 0x02014B50);
  w.le16(28, 5);
  w.le16(30, 4);
  w.le16(32, 10);
  EXPECT_EQ(classZipSearch::IsValidHeader(central), classZipSearch::Kind::kCentral);
  EXPECT_EQ(classZipSearch::HeaderLength(classZipSearch::Kind::kCentral, central), 46u + 5 + 4 + 10);
  Bytes local(30, 0);
  quellsy::FieldWriter l(local);
  l.le32(0, 0x04034B50);
  l.le16(8, 11);
  EXPECT_EQ(classZipSearch::IsValidHeader(local), classZipSearch::Kind::kNone) << "method 11";
  l.le16(8, 8);
  l.le16(26, 4097);
  EXPECT_EQ(classZipSearch::IsValidHeader(local), classZipSearch::Kind::kNone) << "name of 4097";
  Bytes descriptor(30, 0);
  quellsy::FieldWriter(descriptor).le32(0, 0x08074B50);
  EXPECT_EQ(classZipSearch::IsValidHeader(descriptor), classZipSearch::Kind::kNone);
}

TEST_F(ZipAnalyserTest, MemberNameRules) {
  const auto bytes = [](const std::string& text) { return Bytes(text.begin(), text.end()); };
  struct Case {
    std::string name;
    std::string after;
    bool office;
    std::uint32_t type;
  };
  const Case cases[] = {
      {"word/_rels/document.xml.rels", "", true, RAW_FILE_TYPE_DOCX},
      {"word/_rels/document.xml.rels", "", false, RAW_FILE_TYPE_ZIP},
      {"xl/_rels/workbook.xml.rels", "", true, RAW_FILE_TYPE_XLSX},
      {"ppt/_rels/presentation.xml.rels", "", true, RAW_FILE_TYPE_PPTX},
      {"Accounts/Outlook/", "", true, RAW_FILE_TYPE_OLM},
      {"12345678-1234-1234-1234-123456789012", "", false, RAW_FILE_TYPE_TAX},
      {"Index/Slide1.iwa", "", false, RAW_FILE_TYPE_KEY},
      {"numbers/sheet", "", false, RAW_FILE_TYPE_NUMBERS},
      {"buildVersionHistory.plist", "<array><string>pages-trunk-1</string>", false, RAW_FILE_TYPE_PAGES},
      {"buildVersionHistory.plist", "<array><string>other</string>", false, RAW_FILE_TYPE_NUMBERS},
      {"Index/DocumentStylesheet.iwa", "xx imported-paragraph-style-1", false, RAW_FILE_TYPE_PAGES},
      {"OEBPS/Text/chapter1.xhtml", "", false, RAW_FILE_TYPE_EPUB},
      {"mimetype", "application/epub+zip", false, RAW_FILE_TYPE_EPUB},
      {"mimetype", "application/vnd.oasis.opendocument.presentation", false, RAW_FILE_TYPE_ODP},
      {"mimetype", "application/vnd.oasis.opendocument.graphics", false, RAW_FILE_TYPE_ZIP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " " + c.after);
    const Bytes after = bytes(c.after);
    EXPECT_EQ(classZipSearch::ClassifyLocal(c.name, after, c.office, RAW_FILE_TYPE_ZIP), c.type);
  }
}

const ScanSampleRegistrar kScanSamples({
    {"FileZIPAnalyser", "docx made", MadeZip("docx.docx"), RAW_FILE_TYPE_DOCX, Expect::kExact},
    {"FileZIPAnalyser", "xlsx made", MadeZip("xlsx.xlsx"), RAW_FILE_TYPE_XLSX, Expect::kExact},
    {"FileZIPAnalyser", "pptx made", MadeZip("pptx.pptx"), RAW_FILE_TYPE_PPTX, Expect::kExact},
    {"FileZIPAnalyser", "docx streamed", MadeZip("stream.docx"), RAW_FILE_TYPE_DOCX, Expect::kExact},
    {"FileZIPAnalyser", "odt made", MadeZip("odt.odt"), RAW_FILE_TYPE_ODT, Expect::kExact},
    {"FileZIPAnalyser", "epub made", MadeZip("epub.epub"), RAW_FILE_TYPE_EPUB, Expect::kExact},
    {"FileZIPAnalyser", "zip piped", MadeZip("piped.zip"), RAW_FILE_TYPE_ZIP, Expect::kExact},
    {"FileZIPAnalyser", "docx sample", Sample("docx.docx"), RAW_FILE_TYPE_DOCX, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
