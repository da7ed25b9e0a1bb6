// PDF documents: the information dictionary read from raw sector bytes, the growing record that ends a
// file after its last valid end mark (or, without one, the "%%EOF" and line end that close its data) and
// names it from that dictionary, and the plain analyser that measures what the record leaves over. Real
// files are made with ghostscript and exiftool.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Formats/FormatSamples.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Document/FilePDFAnalyser.h"
#include "RAWSearch/Formats/Document/PdfAnalyzer.h"
#include "RAWSearch/Metadata/PdfTitleAnalyzer.h"
#include "RawSearchTestSupport.h"
#include "support/samples/PatternBytes.h"
#include "support/MemoryDevice.h"

namespace quellsy::test {
namespace {

using BruteForce::PdfAnalyzer;
using BruteForce::PdfTitleAnalyzer;
using Record = PdfAnalyzer::PdfRawFileInfo;

constexpr unsigned kSector = 512;
constexpr long long kStart = 3;
const char* const kScript = "tests/RAWSearch/Formats/make-document-samples.sh";

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The information reader over one sector holding `text` (zero after it).
struct Read {
  bool ok;
  FileProperty out;
};
Read ReadSector(const std::string& text) {
  Bytes sector(2 * kSector, 0);
  std::copy(text.begin(), text.end(), sector.begin());
  Read r{};
  r.ok = PdfTitleAnalyzer().ObtainPerSecPDFInformation(sector.data(), kSector, true, r.out);
  return r;
}

TEST(PdfTitleAnalyzer, AuthorAndCreatorAreRead) {
  const Read r = ReadSector("2 0 obj\n<</Author(Jane Doe)/Creator(Writer)>>endobj");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.out[FileProperty::kLastAuthor], "Jane Doe");
  EXPECT_EQ(r.out[FileProperty::kAuthor], "Writer");
}

TEST(PdfTitleAnalyzer, TitleAndProducerAloneAreNotEnough) {
  const Read r = ReadSector("2 0 obj\n<</Title(A Title)/Producer(Some Tool)>>endobj");
  EXPECT_FALSE(r.ok);
  for (const std::string& field : r.out.fields) EXPECT_EQ(field, "");
}

TEST(PdfTitleAnalyzer, CreationDateLosesItsZone) {
  const Read r = ReadSector("7 0 obj<</CreationDate(D:20200506102030+02'00')/Author(Jane Doe)/Creator(Writer)>>");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.out[FileProperty::kCreationTime], "2020-05-06 10-20-30");
}

TEST(PdfTitleAnalyzer, ValuesThatCannotNameAFileAreDropped) {
  // A digit in the title, an apostrophe in the author, an indirect reference for the creator.
  const Read r = ReadSector("1 0 obj<</Title(Report 2020)/Author(O'Brien)/Creator 5 0 R/ModDate(D:20210102030405Z)"
                            "/CreationDate(D:20200506102030Z)>>");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.out[FileProperty::kTitle], "");
  EXPECT_EQ(r.out[FileProperty::kLastAuthor], "");
  EXPECT_EQ(r.out[FileProperty::kAuthor], "");
  EXPECT_EQ(r.out[FileProperty::kModificationTime], "2021-01-02 03-04-05");
}

TEST(PdfTitleAnalyzer, LongValuesAreCutTo25Characters) {
  const std::string forty = "Abcdefghij Klmnopqrst Uvwxyzabcd Efghijklm";
  const Read r = ReadSector("1 0 obj<</Author(" + forty + ")/Creator(Writer)>>");
  EXPECT_EQ(r.out[FileProperty::kLastAuthor], forty.substr(0, 25));
}

TEST(PdfTitleAnalyzer, Utf16TitleIsConverted) {
  // FE FF, then "Été" in UTF-16BE.
  const std::string title = std::string("\xFE\xFF\x00\xC9\x00t\x00\xE9", 8);
  const Read r = ReadSector("1 0 obj<</Title(" + title + ")/Author(Jane Doe)/Creator(Writer)>>");
  EXPECT_EQ(r.out[FileProperty::kTitle], "\xC3\x89t\xC3\xA9");
}

TEST(PdfTitleAnalyzer, BinarySectorsAndSectorsWithoutObjectAreSkipped) {
  EXPECT_FALSE(ReadSector("<</Author(Jane Doe)/Creator(Writer)>>").ok);
  Bytes binary(kSector, 0x80);
  FileProperty out;
  EXPECT_FALSE(PdfTitleAnalyzer().ObtainPerSecPDFInformation(binary.data(), kSector, false, out));
  EXPECT_FALSE(PdfTitleAnalyzer::RemoveNolessVec(nullptr, kSector));
}

struct DateCase {
  std::string value;
  std::string text;
};
class PdfDates : public ::testing::TestWithParam<DateCase> {};
TEST_P(PdfDates, AsTheSystemWritesThem) { EXPECT_EQ(PdfTitleAnalyzer::TimeChange(GetParam().value), GetParam().text); }
INSTANTIATE_TEST_SUITE_P(Values, PdfDates,
                         ::testing::Values(DateCase{"D:20200506102030Z", "2020-05-06 10-20-30"},
                                           DateCase{"D:20200506102030", ""},
                                           DateCase{"D:19991231235959Z00'00'", "1999-12-31 23-59-59"},
                                           DateCase{"D:2020050610203", ""}, DateCase{"D:2020O506102030", ""},
                                           DateCase{"", ""}));

// `file` at sector kStart of a zero image with room behind it.
Bytes Placed(const Bytes& file, long long room = 64) {
  Bytes image(kStart * kSector, 0);
  image.insert(image.end(), file.begin(), file.end());
  image.resize(image.size() + static_cast<std::size_t>(room) * kSector, 0);
  image.resize((image.size() + kSector - 1) / kSector * kSector, 0);
  return image;
}

// A document of `length` bytes of text lines ending in "%%EOF\n".
Bytes HandMadePdf(std::size_t length) {
  std::string text = "%PDF-1.4\n";
  while (text.size() + 6 < length) text += "% filler line of the body\n";
  text.resize(length - 6, '%');
  text += "%%EOF\n";
  return Text(text);
}

class PdfAnalyzerTest : public RawSearchTest {
 protected:
  std::unique_ptr<Record> Grow(const Bytes& image, long long maxSectors = 4096) {
    std::unique_ptr<Record> record(dynamic_cast<Record*>(analyser_.CreateRawFileInfo()));
    record->m_llStartSector = kStart;
    record->m_pAnalyser = &analyser_;
    outcome_ = GrowRecord(*record, ImageSectors(image, kSector), kSector, 64, maxSectors);
    return record;
  }

  PdfAnalyzer analyser_;
  GrowOutcome outcome_;
};

// A document whose data closes with the mark and its line end ends right there; one with other bytes
// behind its last mark is given the whole sector.
struct EndCase {
  std::size_t length;
  std::string closing;
  std::uint64_t size;
};
class PdfEnds : public PdfAnalyzerTest, public ::testing::WithParamInterface<EndCase> {};
TEST_P(PdfEnds, AfterTheClosingMarkBeforeTheZeroPadding) {
  Bytes file = HandMadePdf(GetParam().length);
  file.resize(file.size() - 1);
  file.insert(file.end(), GetParam().closing.begin(), GetParam().closing.end());
  const auto record = Grow(Placed(file));
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, GetParam().size);
  EXPECT_EQ(record->m_uRawFileType, RAW_FILE_TYPE_PDF);
}
INSTANTIATE_TEST_SUITE_P(Lengths, PdfEnds,
                         ::testing::Values(
                             // 300 bytes in the last sector: 212 zero bytes behind the LF.
                             EndCase{40 * 512 + 300, "\n", 40 * 512 + 300},
                             // 500 bytes: 12 zero bytes, a short tail.
                             EndCase{40 * 512 + 500, "\n", 40 * 512 + 500},
                             // The LF closes the sector: the mark is found from the next, zero sector.
                             EndCase{40 * 512 + 512, "\n", 40 * 512 + 512},
                             // CR LF, CR alone, or no line end at all.
                             EndCase{40 * 512 + 300, "\r\n", 40 * 512 + 301},
                             EndCase{40 * 512 + 300, "\r", 40 * 512 + 300},
                             EndCase{40 * 512 + 300, "", 40 * 512 + 299},
                             // Bytes that are no line end behind the mark: the sector's end.
                             EndCase{40 * 512 + 300, "\n%x", 41 * 512}));

TEST_F(PdfAnalyzerTest, SmallFilesGoToThePlainAnalyser) {
  const Bytes file = HandMadePdf(9000);
  const auto record = Grow(Placed(file, 300), 200);
  // Finished at the end mark's sector without a size.
  EXPECT_EQ(outcome_.result, 1);
  EXPECT_EQ(outcome_.sector, kStart + 17);
  EXPECT_EQ(record->m_ullSize, 0u);
  record->WillBeRemove(nullptr, -1);
  ASSERT_EQ(record->m_pAnalyser, analyser_.Fallback());
  MemoryDevice device(Placed(file, 300), kSector);
  ASSERT_EQ(record->m_pAnalyser->GetRawFileSize(*record, &device), 1);
  EXPECT_EQ(record->m_ullSize, file.size());
}

TEST_F(PdfAnalyzerTest, AnotherDocumentEndsTheGrowthWithoutSize) {
  // A long document without its end mark, then another one.
  Bytes file = HandMadePdf(50 * 512);
  file.resize(file.size() - 6);
  file.insert(file.end(), 6, '%');
  const Bytes next = HandMadePdf(30000);
  file.insert(file.end(), next.begin(), next.end());
  const auto record = Grow(Placed(file));
  EXPECT_EQ(outcome_.result, 1);
  EXPECT_EQ(outcome_.sector, kStart + 50);
  EXPECT_EQ(record->m_ullSize, 0u);
}

TEST_F(PdfAnalyzerTest, IllustratorPostScriptIsTypedAi) {
  std::string text = "%!PS-Adobe-3.0\n%%Creator: Adobe Illustrator(R) 8.0\n%%Title: drawing\n";
  CRawFileInfo scratch;
  Bytes sector = Text(text);
  sector.resize(kSector, 0);
  ASSERT_EQ(analyser_.AnalyseBuffer(sector.data(), scratch), 1);
  EXPECT_EQ(scratch.m_uRawFileType, RAW_FILE_TYPE_AI);
  // An EPS header is left to the EPS analyser.
  Bytes eps = Text("%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: Adobe Illustrator(R) 8.0\n");
  eps.resize(kSector, 0);
  EXPECT_EQ(analyser_.AnalyseBuffer(eps.data(), scratch), 0);

  while (text.size() < 30000) text += "0 0 m 10 10 l S\n";
  text += "%%EOF\n";
  const auto record = Grow(Placed(Text(text)));
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_uRawFileType, RAW_FILE_TYPE_AI);
}

struct MadeCase {
  std::string file;
  std::uint32_t type;
  std::string name;
  RAW_FILE_TAG tag;
  std::string label;
};
void PrintTo(const MadeCase& c, std::ostream* os) { *os << c.file; }
class MadePdfs : public PdfAnalyzerTest, public ::testing::WithParamInterface<MadeCase> {};

TEST_P(MadePdfs, NamedAndLabelledFromTheInformation) {
  const MadeCase& c = GetParam();
  const Bytes file = formats::Made(kScript, c.file)();
  ASSERT_FALSE(file.empty());
  const auto record = Grow(Placed(file));
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(std::string(file.end() - 6, file.end()), "%%EOF\n");
  EXPECT_EQ(record->m_ullSize, file.size());
  EXPECT_EQ(record->m_uRawFileType, c.type);
  EXPECT_EQ(record->GetRawFileName(), c.name);
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string label;
  record->GetRawFileTagAndValue(tag, label);
  EXPECT_EQ(tag, c.tag);
  EXPECT_EQ(label, c.label);
  EXPECT_EQ(record->GetRawFileTime(), "2020-05-06 10-20-30");
}

// Junk right behind the document, in its last sector and beyond: the record ends it at its last valid end
// mark, and so does the plain analyser measuring it from the device.
TEST_P(MadePdfs, EndAtTheirLastValidMarkWithJunkBehind) {
  const Bytes file = formats::Made(kScript, GetParam().file)();
  ASSERT_FALSE(file.empty());
  Bytes image = Placed(file);
  const Bytes junk = PatternBytes(image.size() - kStart * kSector - file.size(), 5);
  std::copy(junk.begin(), junk.end(), image.begin() + static_cast<std::ptrdiff_t>(kStart * kSector + file.size()));
  const auto record = Grow(image);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, file.size());
  EXPECT_EQ(record->GetRawFileName(), GetParam().name);

  MemoryDevice device(image, kSector);
  CRawFileInfo hit;
  hit.m_llStartSector = kStart;
  ASSERT_EQ(analyser_.Fallback()->GetRawFileSize(hit, &device), 1);
  EXPECT_EQ(hit.m_ullSize, file.size());
}

INSTANTIATE_TEST_SUITE_P(
    Ghostscript, MadePdfs,
    ::testing::Values(
        MadeCase{"report.pdf", RAW_FILE_TYPE_PDF, "Quarterly Report2021-01-02 03-04-05", RAW_FILE_TAG_PDF, "Jane Doe"},
        MadeCase{"illustrator.pdf", RAW_FILE_TYPE_AI, "Adobe Illustrator 25.02021-01-02 03-04-05", RAW_FILE_TAG_AI,
                 "Adobe Illustrator 25.0"},
        // The incremental update ends at its own, last mark; the first dictionary names it.
        MadeCase{"updated.pdf", RAW_FILE_TYPE_PDF, "Quarterly Report2021-01-02 03-04-05", RAW_FILE_TAG_PDF,
                 "Jane Doe"}));

TEST_F(PdfAnalyzerTest, SmallMadeFileKeepsItsNameThroughThePlainAnalyser) {
  const Bytes file = formats::Made(kScript, "small.pdf")();
  ASSERT_FALSE(file.empty());
  ASSERT_LT(file.size(), static_cast<std::size_t>(Record::kMinSize));
  for (const bool junkBehind : {false, true}) {
    SCOPED_TRACE(junkBehind ? "junk behind" : "zeros behind");
    Bytes image = Placed(file, 300);
    if (junkBehind) {
      const Bytes junk = PatternBytes(image.size() - kStart * kSector - file.size(), 6);
      std::copy(junk.begin(), junk.end(), image.begin() + static_cast<std::ptrdiff_t>(kStart * kSector + file.size()));
    }
    const auto record = Grow(image, 200);
    EXPECT_EQ(outcome_.result, 1);
    EXPECT_EQ(record->m_ullSize, 0u);
    record->WillBeRemove(nullptr, -1);
    EXPECT_EQ(record->GetRawFileName(), "Short Note2021-01-02 03-04-05");
    MemoryDevice device(image, kSector);
    ASSERT_EQ(record->m_pAnalyser->GetRawFileSize(*record, &device), 1);
    EXPECT_EQ(record->m_ullSize, file.size());
  }
}

// The plain analyser alone.
TEST(FilePDFAnalyser, MeasuresToTheClosingMarkAndItsLineEnd) {
  FilePDFAnalyser plain;
  for (std::size_t length : {std::size_t{1000}, std::size_t{40 * 512 + 300}, std::size_t{40 * 512 + 512}}) {
    SCOPED_TRACE(length);
    const Bytes file = HandMadePdf(length);
    const formats::Carved carved = [&] {
      MemoryDevice device(Placed(file, 8), kSector);
      return formats::Carve(plain, device, kStart);
    }();
    EXPECT_EQ(carved.claimed, 1);
    EXPECT_EQ(carved.type, RAW_FILE_TYPE_PDF);
    EXPECT_EQ(carved.size, file.size());
  }
}

TEST(FilePDFAnalyser, MarkCutBySectorBoundaryEndsInTheNextSector) {
  // "%%E" closes sector 39 of the file, "OF\n" opens sector 40.
  Bytes file = HandMadePdf(40 * 512 + 3);
  FilePDFAnalyser plain;
  MemoryDevice device(Placed(file, 8), kSector);
  EXPECT_EQ(formats::Carve(plain, device, kStart).size, file.size());
}

TEST(FilePDFAnalyser, BytesBehindTheLastMarkKeepTheWholeSector) {
  Bytes file = HandMadePdf(3000);
  for (const char c : std::string("trailing words")) file.push_back(static_cast<std::uint8_t>(c));
  FilePDFAnalyser plain;
  MemoryDevice device(Placed(file, 8), kSector);
  EXPECT_EQ(formats::Carve(plain, device, kStart).size, formats::WholeSectors(file.size()));
}

TEST(FilePDFAnalyser, AnotherDocumentEndsTheFirst) {
  // A document without an end mark, then another one starting at a sector boundary.
  Bytes file = Text("%PDF-1.4\n");
  file.resize(4 * 512, 'x');
  const Bytes second = HandMadePdf(3000);
  file.insert(file.end(), second.begin(), second.end());
  FilePDFAnalyser plain;
  MemoryDevice device(Placed(file, 8), kSector);
  EXPECT_EQ(formats::Carve(plain, device, kStart).size, 4u * 512);
}

TEST(FilePDFAnalyser, IllustratorHeaderInTheFirstKilobyteMakesAnAiFile) {
  Bytes file = Text("%PDF-1.4\n");
  file.resize(700, ' ');
  const std::string header = "%!PS-Adobe-3.0\n%%Creator: Adobe Illustrator(R) 8.0\n";
  std::copy(header.begin(), header.end(), file.begin() + 600);
  const Bytes rest = HandMadePdf(3000);
  file.insert(file.end(), rest.begin() + 9, rest.end());
  FilePDFAnalyser plain;
  MemoryDevice device(Placed(file, 8), kSector);
  const formats::Carved carved = formats::Carve(plain, device, kStart);
  EXPECT_EQ(carved.type, RAW_FILE_TYPE_AI);
  EXPECT_EQ(carved.size, file.size());
}

TEST(FilePDFAnalyser, KeyWords) {
  FilePDFAnalyser plain;
  EXPECT_TRUE(plain.IsContainPdfKeyWords("12 0 obj <<"));
  EXPECT_TRUE(plain.IsContainPdfKeyWords("startxref\n123"));
  EXPECT_FALSE(plain.IsContainPdfKeyWords("plain text"));
  EXPECT_FALSE(plain.IsContainPdfKeyWords(nullptr));
}

const formats::ScanSampleRegistrar kScanSamples({
    {"BruteForce::PdfAnalyzer", "pdf grown", formats::Made(kScript, "report.pdf"), RAW_FILE_TYPE_PDF,
     formats::Expect::kExact},
    {"BruteForce::PdfAnalyzer", "pdf measured", formats::Made(kScript, "small.pdf"), RAW_FILE_TYPE_PDF,
     formats::Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test
