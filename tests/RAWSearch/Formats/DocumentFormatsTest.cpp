// The document analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The document samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstring>

#include "FormatSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
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

}  // namespace
}  // namespace quellsy::test::formats
