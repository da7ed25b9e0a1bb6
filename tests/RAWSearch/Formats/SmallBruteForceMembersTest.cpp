// The small members of the growing analysers: SQLite databases walked page by page, GIF pictures
// walked block by block, EPS files (text and binary) and DXF drawings. Real files are made with
// sqlite3, ImageMagick and ghostscript; the rest are built by hand in the layout each format has.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Formats/FormatSamples.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Document/CDXFAnalyser.h"
#include "RAWSearch/Formats/Document/CEPSAnalyser.h"
#include "RAWSearch/Formats/Document/CFCPEvtAnalyser.h"
#include "RAWSearch/Formats/Image/CGifAnalyser.h"
#include "RawSearchTestSupport.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

using formats::Expect;
using formats::Made;

constexpr unsigned kSector = 512;
constexpr long long kStart = 3;
const char* const kDocuments = "tests/RAWSearch/Formats/make-document-samples.sh";
const char* const kGifs = "tests/RAWSearch/Formats/make-gif-samples.sh";

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// `file` at sector kStart, then `room` zero sectors, then `after`.
Bytes Placed(const Bytes& file, long long room = 64, const Bytes& after = {}) {
  Bytes image(kStart * kSector, 0);
  image.insert(image.end(), file.begin(), file.end());
  image.resize((image.size() + kSector - 1) / kSector * kSector + static_cast<std::size_t>(room) * kSector, 0);
  image.insert(image.end(), after.begin(), after.end());
  image.resize(image.size() + 64 * kSector, 0);
  return image;
}

Grown Grow(IRawFileAnalyser& analyser, const Bytes& image, long long maxSectors = 4096) {
  return GrowFromSector(analyser, image, kStart, kSector, maxSectors);
}

// --- GIF ---

// A GIF of exactly 1000 bytes without colour tables: one image whose data sub-blocks have the
// lengths 255, 255, 255, 0x21 (the extension introducer's value) and 171.
Bytes ThousandByteGif() {
  Bytes b = Text("GIF89a");
  b.insert(b.end(), {10, 0, 10, 0, 0, 0, 0});
  b.insert(b.end(), {0x2C, 0, 0, 0, 0, 10, 0, 10, 0, 0, 2});
  for (std::uint8_t length : {255, 255, 255, 0x21, 171}) {
    b.push_back(length);
    b.insert(b.end(), length, 0x3B);
  }
  b.push_back(0);
  b.push_back(0x3B);
  return b;
}

TEST(GifMember, ThousandBytesEndAtTheirTrailer) {
  const Bytes gif = ThousandByteGif();
  ASSERT_EQ(gif.size(), 1000u);
  BruteForce::CGifAnalyser analyser;
  const Grown g = Grow(analyser, Placed(gif));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, 1000u);
  EXPECT_EQ(g.record->m_uRawFileType, RAW_FILE_TYPE_GIF);
}

TEST(GifMember, MadePicturesEndAtTheTrailer) {
  for (const char* name : {"still.gif", "animated.gif"}) {
    SCOPED_TRACE(name);
    const Bytes gif = Made(kGifs, name)();
    ASSERT_FALSE(gif.empty());
    BruteForce::CGifAnalyser analyser;
    const Grown g = Grow(analyser, Placed(gif));
    ASSERT_TRUE(g.record);
    EXPECT_EQ(g.outcome.result, 1);
    EXPECT_EQ(g.record->m_ullSize, gif.size());
  }
}

TEST(GifMember, LeavingUnfinishedFilesTheSectorsSeen) {
  Bytes gif = ThousandByteGif();
  // Without its terminator and trailer: sub-blocks of one byte follow, never a trailer.
  gif.resize(gif.size() - 2);
  gif.insert(gif.end(), 4000, 0x01);
  BruteForce::CGifAnalyser analyser;
  const Grown g = Grow(analyser, Placed(gif), 4);
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 2);
  g.record->WillBeRemove(nullptr, -1);
  EXPECT_EQ(g.record->m_ullSize, 4u * kSector);
  EXPECT_EQ(g.record->m_pAnalyser, nullptr);
}

TEST(GifMember, OnlyVersions87aAnd89a) {
  BruteForce::CGifAnalyser analyser;
  for (const auto& [header, claimed] : std::vector<std::pair<std::string, int>>{
           {"GIF87a", 1}, {"GIF89a", 1}, {"GIF88a", 0}, {"GIF8xa", 0}}) {
    Bytes sector = Text(header);
    sector.resize(kSector, 0);
    CRawFileInfo scratch;
    EXPECT_EQ(analyser.AnalyseBuffer(sector.data(), scratch), claimed) << header;
  }
}

// --- SQLite ---

struct DatabaseCase {
  std::string file;
  std::uint32_t type;
};
void PrintTo(const DatabaseCase& c, std::ostream* os) { *os << c.file; }
class SqliteMember : public RawSearchTest, public ::testing::WithParamInterface<DatabaseCase> {};

TEST_P(SqliteMember, WalksThePagesToTheFilesEnd) {
  const Bytes db = Made(kDocuments, GetParam().file)();
  ASSERT_FALSE(db.empty());
  // The header's own page count times the page size is the file's length.
  ASSERT_EQ(db.size(), std::uint64_t{*quellsy::be32(db, 28)} * *quellsy::be16(db, 16));
  BruteForce::CFCPEvtAnalyser analyser;
  // Behind it: empty pages, then something that is no page of a database.
  const Grown g = Grow(analyser, Placed(db, 16, Text("%PDF-1.4")));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, db.size());
  EXPECT_EQ(g.record->m_uRawFileType, GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(Made, SqliteMember,
                         ::testing::Values(DatabaseCase{"library.sqlite", RAW_FILE_TYPE_FCPEVENT},
                                           DatabaseCase{"contacts.abcddb", RAW_FILE_TYPE_ABCDDB}));

TEST(SqliteMemberHeader, PageSizeAndEncodingAreChecked) {
  BruteForce::CFCPEvtAnalyser analyser;
  Bytes sector = Text("SQLite format 3");
  sector.resize(kSector, 0);
  quellsy::FieldWriter w(sector);
  const auto claims = [&](std::uint16_t pageSize, std::uint8_t encoding) {
    w.be16(16, pageSize);
    sector[59] = encoding;
    CRawFileInfo scratch;
    return analyser.AnalyseBuffer(sector.data(), scratch);
  };
  EXPECT_EQ(claims(4096, 1), 1);
  EXPECT_EQ(claims(1024, 3), 1);
  EXPECT_EQ(claims(512, 1), 0);
  EXPECT_EQ(claims(0, 1), 0);
  EXPECT_EQ(claims(4096, 4), 0);
}

TEST(SqliteMemberHeader, EvictedWalkFilesThePagesSeen) {
  const Bytes db = Made(kDocuments, "library.sqlite")();
  ASSERT_FALSE(db.empty());
  BruteForce::CFCPEvtAnalyser analyser;
  const Grown g = Grow(analyser, Placed(db), 7);
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 2);
  g.record->WillBeRemove(nullptr, -1);
  // Sectors 0 to 6 seen: the file reaches at least to the end of page 4 (1 KiB pages).
  EXPECT_EQ(g.record->m_ullSize, 4u * 1024);
}

// --- EPS ---

// A binary EPS header: PostScript at 32 (`ps` bytes), a TIFF preview after it (`tiff` bytes).
Bytes BinaryEps(std::uint32_t ps, std::uint32_t tiff) {
  Bytes b = formats::Body(32 + ps + tiff);
  const std::uint8_t magic[] = {0xC5, 0xD0, 0xD3, 0xC6};
  std::copy(std::begin(magic), std::end(magic), b.begin());
  quellsy::FieldWriter w(b);
  w.le32(4, 32);
  w.le32(8, ps);
  w.le32(12, 0);
  w.le32(16, 0);
  w.le32(20, 32 + ps);
  w.le32(24, tiff);
  w.le16(28, 0xFFFF);
  return b;
}

TEST(EpsMember, TextFileEndsWhereItsDataEnd) {
  const Bytes eps = Made(kDocuments, "drawing.eps")();
  ASSERT_FALSE(eps.empty());
  BruteForce::CEPSAnalyser analyser;
  const Grown g = Grow(analyser, Placed(eps));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, eps.size());
  EXPECT_EQ(g.record->m_uRawFileType, RAW_FILE_TYPE_EPS);
}

TEST(EpsMember, BinaryHeaderGivesTheSizeEvenAfterATextFile) {
  BruteForce::CEPSAnalyser analyser;
  Bytes text = Text("%!PS-Adobe-3.0 EPSF-3.0\n");
  text.resize(kSector, 0);
  CRawFileInfo scratch;
  ASSERT_EQ(analyser.AnalyseBuffer(text.data(), scratch), 1);
  std::unique_ptr<CRawFileInfo> textRecord(analyser.CreateRawFileInfo());
  EXPECT_TRUE(textRecord->WhetherImplementGuess());

  Bytes binary = BinaryEps(3000, 1234);
  const Grown g = Grow(analyser, Placed(binary));
  ASSERT_TRUE(g.record);
  EXPECT_FALSE(g.record->WhetherImplementGuess());
  EXPECT_EQ(g.record->m_ullSize, 32u + 3000 + 1234);
  EXPECT_EQ(g.record->m_uRawFileType, RAW_FILE_TYPE_EPS);
}

// --- DXF ---

// A drawing in the given line break whose EOF group is followed by nothing; `fill` lines of
// comment groups make it long.
Bytes Dxf(const std::string& eol, int fill, bool comment) {
  std::string text;
  if (comment) text += "999" + eol + "made by hand" + eol;
  text += "  0" + eol + "SECTION" + eol + "  2" + eol + "HEADER" + eol;
  for (int i = 0; i < fill; ++i) text += "999" + eol + "filler " + std::to_string(i) + eol;
  text += "  0" + eol + "ENDSEC" + eol + "  0" + eol + "EOF" + eol;
  return Text(text);
}

struct DxfCase {
  std::string name;
  std::string eol;
  int fill;
  bool comment;
};
void PrintTo(const DxfCase& c, std::ostream* os) { *os << c.name; }
class DxfMember : public RawSearchTest, public ::testing::WithParamInterface<DxfCase> {};

TEST_P(DxfMember, EndsAtTheEofGroup) {
  const DxfCase& c = GetParam();
  const Bytes dxf = Dxf(c.eol, c.fill, c.comment);
  BruteForce::CDXFAnalyser analyser;
  const Grown g = Grow(analyser, Placed(dxf));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, dxf.size());
  EXPECT_EQ(g.record->m_uRawFileType, RAW_FILE_TYPE_DXF);
}

INSTANTIATE_TEST_SUITE_P(Drawings, DxfMember,
                         ::testing::Values(DxfCase{"crlf", "\r\n", 400, false},
                                           DxfCase{"lf behind comment", "\n", 300, true},
                                           DxfCase{"crlf behind comment", "\r\n", 10, true}));

TEST(DxfMemberEdges, EofGroupAcrossOrAtASectorBoundary) {
  // Filler sized so the EOF group starts 4 bytes before a sector's end, then exactly at one.
  for (std::size_t shift : {std::size_t{4}, std::size_t{0}}) {
    SCOPED_TRACE(shift);
    Bytes dxf = Dxf("\n", 0, true);
    const std::string end = "  0\nEOF\n";
    dxf.resize(dxf.size() - end.size());
    const std::size_t target = 4 * kSector - shift;
    std::string pad = "999\n";
    while (dxf.size() + pad.size() + 2 < target) pad += "x";
    pad.resize(target - dxf.size() - 1, 'x');
    pad += "\n";
    dxf.insert(dxf.end(), pad.begin(), pad.end());
    ASSERT_EQ(dxf.size(), target);
    dxf.insert(dxf.end(), end.begin(), end.end());
    BruteForce::CDXFAnalyser analyser;
    const Grown g = Grow(analyser, Placed(dxf));
    ASSERT_TRUE(g.record);
    EXPECT_EQ(g.outcome.result, 1);
    EXPECT_EQ(g.record->m_ullSize, dxf.size());
  }
}

TEST(DxfMemberEdges, OtherTextIsRefused) {
  BruteForce::CDXFAnalyser analyser;
  for (const std::string& start : {std::string("999\nno section here\n"), std::string("  0\nSECTION\n  2\n"),
                                   std::string("999\r\ncomment\r\n  0\nSECTION\n  ")}) {
    Bytes sector = Text(start);
    sector.resize(kSector, 0);
    CRawFileInfo scratch;
    EXPECT_EQ(analyser.AnalyseBufferEx(sector.data(), scratch, kSector, 0, 0, 1), 0) << start;
  }
}

const formats::ScanSampleRegistrar kScanSamples({
    {"BruteForce::CGifAnalyser", "gif still", Made(kGifs, "still.gif"), RAW_FILE_TYPE_GIF, Expect::kExact},
    {"BruteForce::CGifAnalyser", "gif animated", Made(kGifs, "animated.gif"), RAW_FILE_TYPE_GIF, Expect::kExact},
    {"BruteForce::CFCPEvtAnalyser", "sqlite", Made(kDocuments, "library.sqlite"), RAW_FILE_TYPE_FCPEVENT,
     Expect::kExact},
    {"BruteForce::CFCPEvtAnalyser", "address book", Made(kDocuments, "contacts.abcddb"), RAW_FILE_TYPE_ABCDDB,
     Expect::kExact},
    {"BruteForce::CEPSAnalyser", "eps text", Made(kDocuments, "drawing.eps"), RAW_FILE_TYPE_EPS, Expect::kExact},
    {"BruteForce::CEPSAnalyser", "eps binary", [] { return BinaryEps(3000, 1234); }, RAW_FILE_TYPE_EPS,
     Expect::kExact},
    {"BruteForce::CDXFAnalyser", "dxf", [] { return Dxf("\r\n", 400, false); }, RAW_FILE_TYPE_DXF, Expect::kExact},
    {"BruteForce::CDXFAnalyser", "dxf behind comment", [] { return Dxf("\n", 300, true); }, RAW_FILE_TYPE_DXF,
     Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test
