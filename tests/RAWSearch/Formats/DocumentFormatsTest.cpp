// The document analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The document samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstring>

#include "FormatSamples.h"
#include "MediaSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Formats/Document/FileITLAnalyser.h"
#include "RAWSearch/Formats/Document/FileMboxAnalyser.h"
#include "RAWSearch/Formats/Document/FileONEAnalyser.h"
#include "RAWSearch/Formats/Document/FilePSTAnalyser.h"
#include "RAWSearch/Formats/Document/FileRTFAnalyser.h"
#include "RAWSearch/Formats/Document/FileTTFAnalyser.h"
#include "RAWSearch/Formats/Document/FileUnicodeHTMAnalyser.h"
#include "RAWSearch/Formats/Document/FileWPDAnalyser.h"
#include "RAWSearch/Formats/Document/FileCHMAnalyser.h"
#include "RAWSearch/Formats/Document/FileEMLXAnalyser.h"
#include "RAWSearch/Formats/Document/FileHLPAnalyser.h"
#include "RAWSearch/Formats/Document/FileHTMAnalyser.h"
#include "RAWSearch/Formats/Document/FileLowDocAnalyser.h"
#include "RAWSearch/Formats/Document/FileMDBAnalyser.h"
#include "RAWSearch/Formats/Document/FileMNYAnalyser.h"
#include "Utility/ByteReader.h"

namespace quellsy::test::formats {
namespace {

INSTANTIATE_TEST_SUITE_P(DocumentSamples, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"mdb", Make<FileMDBAnalyser>(), Sample("mdb.mdb"), RAW_FILE_TYPE_MDB, Expect::kExact},
        FileCase{"accdb", Make<FileMDBAnalyser>(), Sample("accdb.accdb"), RAW_FILE_TYPE_ACCDB,
            Expect::kExact},
        FileCase{"html", Make<FileHTMAnalyser>(), Sample("html.html"), RAW_FILE_TYPE_HTM,
            Expect::kWholeSectors}));

INSTANTIATE_TEST_SUITE_P(DocumentBuilt, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"chm", Make<FileCHMAnalyser>(), ChmFile, RAW_FILE_TYPE_CHM, Expect::kExact},
        FileCase{"emlx", Make<FileEMLXAnalyser>(), EmlxFile, RAW_FILE_TYPE_EMLX, Expect::kExact},
        FileCase{"hlp", Make<FileHLPAnalyser>(), HlpFile, RAW_FILE_TYPE_HLP, Expect::kExact},
        FileCase{"doc", Make<FileLowDocAnalyser>(), LowDocFile, RAW_FILE_TYPE_DOC, Expect::kExact},
        FileCase{"mny", Make<FileMNYAnalyser>(), MnyFile, RAW_FILE_TYPE_MNY, Expect::kExact},
        FileCase{"jet of three pages", Make<FileMDBAnalyser>(), [] { return JetFile(3); }, RAW_FILE_TYPE_MDB,
            Expect::kExact}));

INSTANTIATE_TEST_SUITE_P(DocumentHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"chm stream guid", Make<FileCHMAnalyser>(), [](Bytes& b) { b[40] = 0x10; }, ChmFile},
        NearMiss{"chm section mark", Make<FileCHMAnalyser>(), [](Bytes& b) { b[96] = 0xFF; }, ChmFile},
        NearMiss{"emlx without its header", Make<FileEMLXAnalyser>(), [](Bytes& b) { b[12] = 'x'; }, EmlxFile},
        NearMiss{"emlx of negative count", Make<FileEMLXAnalyser>(), [](Bytes& b) { b[5] = '-'; }, EmlxFile},
        NearMiss{"hlp shorter than 512", Make<FileHLPAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).le32(12, 511); },
            HlpFile},
        NearMiss{"hlp directory behind its end", Make<FileHLPAnalyser>(),
            [](Bytes& b) { quellsy::FieldWriter(b).le32(4, 6000); }, HlpFile},
        NearMiss{"htm start", Make<FileHTMAnalyser>(), [](Bytes& b) { b[5] = '-'; }, HtmlHeader},
        NearMiss{"jet name", Make<FileMDBAnalyser>(), [](Bytes& b) { b[13] = 'X'; }, JetHeader},
        NearMiss{"mny text", Make<FileMNYAnalyser>(), [](Bytes& b) { b[18] = 'X'; }, MnyFile}));

TEST_F(PlainAnalyserMeasure, HtmlEndMarkInEitherCase) {
  FileHTMAnalyser htm;
  Bytes page(1500, 'a');
  PutText(page, 0, "<HTML><BODY>");
  PutText(page, 1500 - 7, "</HTML>");
  EXPECT_EQ(MeasurePlaced(htm, page, 8).size, 1536u);
}

TEST_F(PlainAnalyserMeasure, CorruptDocumentLengthsAreBoundedByCaps) {
  FileLowDocAnalyser doc;
  Bytes docHeader = LowDocFile();
  quellsy::FieldWriter(docHeader).le32(292, 0xFFFFFFFF);
  EXPECT_EQ(MeasurePlaced(doc, docHeader, 8).size, 0x100000000u + 0x200u);

  FileMDBAnalyser jet;
  EXPECT_EQ(MeasurePlaced(jet, JetFile(2), 40, [](MemoryDevice& d) { d.bytes()[kSector + 2 * 4096] = 0x02; }).size,
            3u * 4096);
  EXPECT_EQ(MeasurePlaced(jet, JetFile(3), 40, [](MemoryDevice& d) { d.bytes()[kSector + 2 * 4096 + 1] = 0x09; }).size,
            2u * 4096);
}

const ScanSampleRegistrar kScanSamples({
    {"FileCHMAnalyser", "chm", ChmFile, RAW_FILE_TYPE_CHM, Expect::kExact},
    {"FileHLPAnalyser", "hlp", HlpFile, RAW_FILE_TYPE_HLP, Expect::kExact},
    {"FileLowDocAnalyser", "doc", LowDocFile, RAW_FILE_TYPE_DOC, Expect::kExact},
    {"FileMNYAnalyser", "mny", MnyFile, RAW_FILE_TYPE_MNY, Expect::kExact},
});

// Notebooks by their chained headers, mailboxes and rich text by their ends, UTF-16 pages by their
// closing tag, and the header-sized Outlook, font, WordPerfect and music-library files.
INSTANTIATE_TEST_SUITE_P(DocumentWalked, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"one", Make<FileONEAnalyser>(), OneFile, RAW_FILE_TYPE_ONE, Expect::kExact},
        FileCase{"mbox", Make<FileMboxAnalyser>(), MboxFile, RAW_FILE_TYPE_MBOX, Expect::kExact},
        FileCase{"pst unicode", Make<FilePSTAnalyser>(), [] { return PstFile(23, 5000); }, RAW_FILE_TYPE_PST,
            Expect::kExact},
        FileCase{"pst ansi", Make<FilePSTAnalyser>(), [] { return PstFile(14, 3000); }, RAW_FILE_TYPE_PST,
            Expect::kExact},
        FileCase{"pst of another version", Make<FilePSTAnalyser>(), [] { return PstFile(15, 600); },
            RAW_FILE_TYPE_PST, Expect::kStated, 0x100000, 0x100000},
        FileCase{"rtf with escaped braces", Make<FileRTFAnalyser>(), RtfFile, RAW_FILE_TYPE_RTF, Expect::kExact},
        FileCase{"ttf sample", Make<FileTTFAnalyser>(), Sample("ttf.ttf"), RAW_FILE_TYPE_TTF, Expect::kExact},
        FileCase{"utf-16 html", Make<FileUnicodeHTMAnalyser>(), [] { return UnicodeHtmlFile(false); },
            RAW_FILE_TYPE_HTM, Expect::kExact},
        FileCase{"utf-16 html with doctype", Make<FileUnicodeHTMAnalyser>(), [] { return UnicodeHtmlFile(true); },
            RAW_FILE_TYPE_HTM, Expect::kExact},
        FileCase{"wpd", Make<FileWPDAnalyser>(), [] { return WpdFile(0x01020A01, 0x00050200); }, RAW_FILE_TYPE_WPD,
            Expect::kExact},
        FileCase{"wpg", Make<FileWPDAnalyser>(), [] { return WpdFile(0x00021601, 0x00030000); }, RAW_FILE_TYPE_WPG,
            Expect::kExact},
        FileCase{"shw", Make<FileWPDAnalyser>(), [] { return WpdFile(0x00010F0F, 0x00030000); }, RAW_FILE_TYPE_SHW,
            Expect::kExact},
        FileCase{"itl", Make<FileITLAnalyser>(), ItlFile, RAW_FILE_TYPE_ITL, Expect::kExact}));

Bytes TtfHeader() { return Sample("ttf.ttf")(); }
Bytes WpdHeader() { return WpdFile(0x01020A01, 0x00050200); }
Bytes UnicodeHtmlHeader() { return UnicodeHtmlFile(true); }
Bytes OneHeader() { return OneFile(); }
Bytes PstHeader() { return PstFile(23, 5000); }

INSTANTIATE_TEST_SUITE_P(DocumentWalkedHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"ttf of 32 tables", Make<FileTTFAnalyser>(), [](Bytes& b) { b[5] = 32; }, TtfHeader},
        NearMiss{"ttf of unknown tags", Make<FileTTFAnalyser>(),
            [](Bytes& b) {
              for (std::size_t i = 0; i < b[5]; ++i) b[12 + 16 * i] = 'z';
            },
            TtfHeader},
        NearMiss{"wpd of unknown product", Make<FileWPDAnalyser>(), [](Bytes& b) { b[9] = 7; }, WpdHeader},
        NearMiss{"utf-16 html without its tag", Make<FileUnicodeHTMAnalyser>(), [](Bytes& b) { b[2 + 36] = 'X'; },
            UnicodeHtmlHeader},
        NearMiss{"one of another file type", Make<FileONEAnalyser>(), [](Bytes& b) { b[15] ^= 1; }, OneHeader},
        NearMiss{"pst of length 0", Make<FilePSTAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).le64(184, 0); },
            PstHeader},
        NearMiss{"itl of length 0", Make<FileITLAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).be32(8, 0); },
            ItlFile}));

TEST_F(PlainAnalyserMeasure, DocumentWalksEndAtTheirStructureOrCap) {
  // The outermost group closes before the text ends: the rest is not the document's. A document left
  // open ends in failure at the first zero byte.
  FileRTFAnalyser rtf;
  Bytes closedEarly = RtfFile();
  const std::size_t closeAt = closedEarly.size();
  const Bytes trailer = Body(300);
  closedEarly.insert(closedEarly.end(), trailer.begin(), trailer.end());
  EXPECT_EQ(MeasurePlaced(rtf, closedEarly, 20).size, closeAt);
  Bytes open = RtfFile();
  open.pop_back();
  const Carved unclosed = MeasurePlaced(rtf, open, 20);
  EXPECT_EQ(unclosed.measured, 0);

  // A notebook section whose expected length is above the cap measures the cap.
  FileONEAnalyser one;
  Bytes huge = OneFile();
  quellsy::FieldWriter(huge).le64(196, FileONEAnalyser::kSizeCap + 1);
  EXPECT_EQ(MeasurePlaced(one, huge, 10).size, FileONEAnalyser::kSizeCap);

  // A UTF-16 page without its closing tag ends at the first zero unit.
  FileUnicodeHTMAnalyser html;
  Bytes unclosedPage = UnicodeHtmlFile(false);
  unclosedPage.resize(unclosedPage.size() - 20);
  EXPECT_EQ(MeasurePlaced(html, unclosedPage, 10).size, unclosedPage.size());

  // A mailbox without an end mark ends with its text, where the zeros begin; also when the text fills its
  // last sector up to its last two bytes, or to the byte (the zeros then start a sector of their own).
  FileMboxAnalyser mbox;
  for (const std::size_t tail : {std::size_t{4}, std::size_t{2}, std::size_t{0}}) {
    Bytes noEnd = MboxFile();
    noEnd.resize(noEnd.size() - 4);
    noEnd.resize((noEnd.size() + kSector - 1) / kSector * kSector - tail, 'x');
    EXPECT_EQ(MeasurePlaced(mbox, noEnd, 12).size, noEnd.size()) << tail;
  }
}

const ScanSampleRegistrar kWalkedDocumentScanSamples({
    {"FileMboxAnalyser", "mbox", MboxFile, RAW_FILE_TYPE_MBOX, Expect::kExact},
    {"FilePSTAnalyser", "pst unicode", [] { return PstFile(23, 5000); }, RAW_FILE_TYPE_PST, Expect::kExact},
    {"FileTTFAnalyser", "ttf sample", Sample("ttf.ttf"), RAW_FILE_TYPE_TTF, Expect::kExact},
    {"FileUnicodeHTMAnalyser", "utf-16 html", [] { return UnicodeHtmlFile(true); }, RAW_FILE_TYPE_HTM,
        Expect::kExact},
    {"FileWPDAnalyser", "wpd", [] { return WpdFile(0x01020A01, 0x00050200); }, RAW_FILE_TYPE_WPD, Expect::kExact},
    {"FileITLAnalyser", "itl", ItlFile, RAW_FILE_TYPE_ITL, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
