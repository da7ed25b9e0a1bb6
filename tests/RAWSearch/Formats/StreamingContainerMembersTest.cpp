// The streaming and branch members for pictures, archives, media and XML documents grown over samples
// placed in a zero image: where each ends, the type it gives and what it refuses; the hand-over to the
// plain fallback past the cap; the Ogg stream being followed and the MPEG spacing between hits.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Formats/FormatSamples.h"
#include "Formats/MediaSamples.h"
#include "Formats/StreamingGrow.h"
#include "RAWSearch/Formats/Archive/DMGAnalyser.h"
#include "RAWSearch/Formats/Archive/RARAnalyser.h"
#include "RAWSearch/Formats/Archive/SITAnalyser.h"
#include "RAWSearch/Formats/Archive/TARAnalyser.h"
#include "RAWSearch/Formats/Audio/OGGAnalyser.h"
#include "RAWSearch/Formats/Audio/SIBAnalyser.h"
#include "RAWSearch/Formats/Document/FileMOBIAnalyser.h"
#include "RAWSearch/Formats/Document/InddAnalyser.h"
#include "RAWSearch/Formats/Document/MOBIAnalyser.h"
#include "RAWSearch/Formats/Document/ONEAnalyser.h"
#include "RAWSearch/Formats/Document/RTFAnalyser.h"
#include "RAWSearch/Formats/Image/FilePNGAnalyser.h"
#include "RAWSearch/Formats/Image/New3DSAnalyser.h"
#include "RAWSearch/Formats/Image/PNGAnalyser.h"
#include "RAWSearch/Formats/Image/PSDAnalyser.h"
#include "RAWSearch/Formats/Image/PSPAnalyser.h"
#include "RAWSearch/Formats/Image/SVGAnalyser.h"
#include "RAWSearch/Formats/Image/WpgAnalyser.h"
#include "RAWSearch/Formats/Image/X3FAnalyser.h"
#include "RAWSearch/Formats/Video/FLVAnalyser.h"
#include "RAWSearch/Formats/Video/MLvAnalyser.h"
#include "RAWSearch/Formats/Video/MPGAnalyser.h"
#include "RAWSearch/Formats/Video/MxfAnalyser.h"
#include "RAWSearch/Formats/Video/RM_RMVBAnalyser.h"
#include "RawSearchTestSupport.h"
#include "Utility/ByteReader.h"

namespace quellsy::test::formats {
namespace {

const std::string kScript = "tests/RAWSearch/Formats/make-container-samples.sh";

// A PNG chunk: length, type, `data` bytes of pattern, a checksum field.
Bytes PngChunk(const char* type, std::uint32_t length, std::size_t written) {
  Bytes c = Body(12 + written, 31);
  FieldWriter(c).be32(0, length);
  PutText(c, 4, type);
  return c;
}

// The signature, a header chunk, one data chunk of `dataLength` bytes and the closing chunk.
Bytes PngFile(std::uint32_t dataLength) {
  Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Append(b, PngChunk("IHDR", 13, 13));
  Append(b, PngChunk("IDAT", dataLength, dataLength));
  Append(b, PngChunk("IEND", 0, 0));
  return b;
}

// A console cartridge image: "NCSD" at 256 and its length in 512-byte media units at 260.
Bytes CartridgeFile(std::uint32_t units) {
  Bytes b = Body(units * 512, 41);
  PutText(b, 256, "NCSD");
  FieldWriter(b).le32(260, units);
  return b;
}

// A RealMedia file of sound only: header, properties, one media-properties chunk, data and index.
Bytes RealAudioFile() {
  Bytes b;
  const auto chunk = [&](const char* id, std::uint32_t length) {
    Bytes one = Body(length, 42);
    PutText(one, 0, id);
    FieldWriter(one).be32(4, length);
    Append(b, one);
  };
  chunk(".RMF", 18);
  chunk("PROP", 50);
  chunk("MDPR", 100);
  PutText(b, 68 + 40, "Audio Stream");
  chunk("DATA", 6000);
  chunk("INDX", 20 + 14 * 2);
  return b;
}

// XML text, then the terminating line end.
Bytes Xml(const std::string& text) { return Bytes(text.begin(), text.end()); }

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

Bytes PlistFile() {
  return Xml(kDeclaration +
             "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n<dict>\n" +
             std::string(700, ' ') + "<key>a</key><string>b</string>\n</dict>\n</plist>\n");
}

// An export whose note embeds a drawing near its end (past the bytes the header test reads, in the
// sector that ends the export): the document still ends at its own closing tag.
Bytes EnexFile() {
  return Xml(kDeclaration +
             "<en-export export-date=\"20200101T000000Z\" application=\"Evernote\" version=\"10\">\n" +
             std::string(600, ' ') + "<note><title>t</title><content><svg xmlns=\"x\"></svg></content></note>\n" +
             "</en-export>\r\n");
}

Bytes CslFile() {
  return Xml("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
             "<style xmlns=\"http://purl.org/net/xbiblio/csl\" class=\"in-text\" version=\"1.0\">\n"
             "<info><title>t</title></info><macro name=\"a\"><text variable=\"title\"/></macro>\n" +
             std::string(900, ' ') + "</style>\n");
}

// A word-processor document and the zero byte written behind its closing brace; its text runs 300
// bytes into its last sector, where the bisection of the zero-tail rule lands on the data's end.
Bytes RtfWithClosingZero() {
  Bytes b = RtfFile();
  b.insert(b.end() - 1, 2048 + 300 - b.size(), ' ');
  b.push_back(0);
  return b;
}

// A binary drawing table: its header states the length behind its first 1152 bytes.
Bytes BinarySvgFile(std::uint32_t stated) {
  Bytes b = Body(1152 + stated, 34);
  const Bytes lead = {0xCD, 0x01, 0x00, 0x00};
  std::copy(lead.begin(), lead.end(), b.begin());
  FieldWriter(b).le32(1100, stated);
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Containers, StreamingMembers,
    ::testing::Values(
        // PNG: the closing chunk's checksum ends the picture.
        GrowCase{"png sample", MakeStreaming<RawSpeed::PNGAnalyser>(), Sample("png.png"), RAW_FILE_TYPE_PNG, Own},
        GrowCase{"png made by convert", MakeStreaming<RawSpeed::PNGAnalyser>(), Made(kScript, "gradient.png"),
                 RAW_FILE_TYPE_PNG, Own},
        GrowCase{"png of a chunk across blocks", MakeStreaming<RawSpeed::PNGAnalyser>(), [] { return PngFile(20000); },
                 RAW_FILE_TYPE_PNG, Own},
        // tar: behind the two zero blocks (5632 + 1024: a directory, a 1000-byte and a 3000-byte file);
        // the sample's one 399-byte entry ends at 1024, its end blocks at 2048.
        GrowCase{"tar with a directory first", MakeStreaming<RawSpeed::TARAnalyser>(),
                 Made(kScript, "dir-first.tar"), RAW_FILE_TYPE_TAR, Fixed(6656)},
        GrowCase{"tar sample", MakeStreaming<RawSpeed::TARAnalyser>(), Sample("tar.tar"), RAW_FILE_TYPE_TAR,
                 Fixed(2048)},
        // RAR: the end-of-archive block closes it.
        GrowCase{"rar of one file", MakeStreaming<RawSpeed::RARAnalyser>(), [] { return Rar4File(3000); },
                 RAW_FILE_TYPE_RAR, Own},
        GrowCase{"rar across blocks", MakeStreaming<RawSpeed::RARAnalyser>(), [] { return Rar4File(9000); },
                 RAW_FILE_TYPE_RAR, Own},
        // StuffIt 5 states its length (decided at once, unnamed); StuffIt X ends its mark's tail past it.
        GrowCase{"sit 5", MakeStreaming<RawSpeed::SITAnalyser>(), Sit5File, RAW_FILE_TYPE_SIT, Own,
                 [] { return Bytes{}; }, nullptr},
        GrowCase{"sitx", MakeStreaming<RawSpeed::SITAnalyser>(), [] { return SitxFile(0x19); }, RAW_FILE_TYPE_SITX, Own,
                 [] { return Bytes{}; }, ""},
        GrowCase{"sitx of the longest tail", MakeStreaming<RawSpeed::SITAnalyser>(), [] { return SitxFile(0x10); },
                 RAW_FILE_TYPE_SITX, Own, [] { return Bytes{}; }, ""},
        // Ogg: the first position without a page.
        GrowCase{"ogg sample", MakeStreaming<Brance::OGGAnalyser>(), Sample("ogg.oga"), RAW_FILE_TYPE_OGG, Own},
        GrowCase{"ogg made by ffmpeg", MakeStreaming<Brance::OGGAnalyser>(), Made(kScript, "tone.ogg"),
                 RAW_FILE_TYPE_OGG, Own},
        // MPEG: the zero run behind the last packet.
        GrowCase{"mpeg sample", MakeStreaming<Brance::MPGAnalyser>(), Sample("mpeg.mpeg"), RAW_FILE_TYPE_MPG, Own},
        GrowCase{"mpeg made by ffmpeg", MakeStreaming<Brance::MPGAnalyser>(), Made(kScript, "clip.mpg"),
                 RAW_FILE_TYPE_MPG, Own},
        // FLV: behind the last tag's size field.
        GrowCase{"flv sample", MakeStreaming<Brance::FLVAnalyser>(), Sample("flv.flv"), RAW_FILE_TYPE_FLV, Own},
        GrowCase{"flv made by ffmpeg", MakeStreaming<Brance::FLVAnalyser>(), Made(kScript, "clip.flv"),
                 RAW_FILE_TYPE_FLV, Own},
        // MXF: the first position without an item key.
        GrowCase{"mxf made by ffmpeg", MakeStreaming<RawSpeed::MxfAnalyser>(), Made(kScript, "clip.mxf"),
                 RAW_FILE_TYPE_MXF, Own},
        // RealMedia: behind the last known chunk (the sample's data chunk claims 10 bytes more than it
        // holds); a video stream makes it RMVB.
        GrowCase{"rmvb sample", MakeStreaming<Brance::RM_RMVBAnalyser>(), Sample("rmvb.rmvb"), RAW_FILE_TYPE_RMVB,
                 Fixed(357 + 677662)},
        GrowCase{"rm of sound", MakeStreaming<Brance::RM_RMVBAnalyser>(), RealAudioFile, RAW_FILE_TYPE_RM, Own},
        // RTF keeps one byte past its last non-zero byte: the zero written behind the closing brace, or
        // (the sample, which ends at its brace) one byte of the slack.
        GrowCase{"rtf with its closing zero", MakeStreaming<RawSpeed::RTFAnalyser>(), RtfWithClosingZero,
                 RAW_FILE_TYPE_RTF, Own},
        GrowCase{"rtf sample", MakeStreaming<RawSpeed::RTFAnalyser>(), Sample("rtf.rtf"), RAW_FILE_TYPE_RTF,
                 [](std::uint64_t n) { return n + 1; }},
        // PSD: the merged image's last non-zero byte; named without a separator.
        GrowCase{"psd sample", MakeStreaming<RawSpeed::PSDAnalyser>(), Sample("psd.psd"), RAW_FILE_TYPE_PSD, Own,
                 [] { return Bytes{}; }, ""},
        GrowCase{"psd made by convert", MakeStreaming<RawSpeed::PSDAnalyser>(), Made(kScript, "gradient.psd"),
                 RAW_FILE_TYPE_PSD, Own, [] { return Bytes{}; }, ""},
        // PSP: the first position without a block mark; named with a full stop.
        GrowCase{"psp", MakeStreaming<RawSpeed::PSPAnalyser>(), [] { return PspFile(); },
                 RAW_FILE_TYPE_PSP, Own, [] { return Bytes{}; }, "."},
        // OneNote: behind the last section its predecessors' expected lengths lead to.
        GrowCase{"one", MakeStreaming<RawSpeed::OneAnalyser>(), OneFile, RAW_FILE_TYPE_ONE, Own},
        // MOBI: the end-of-file record the record table's last entry points at.
        GrowCase{"mobi", MakeStreaming<RawSpeed::MOBIAnalyser>(), [] { return MobiFile({3000, 9000, 500}); },
                 RAW_FILE_TYPE_MOBI, Own},
        // Scores and WordPerfect graphics end at their last non-zero byte before a zero tail.
        GrowCase{"sib", MakeStreaming<RawSpeed::SIBAnalyser>(), [] { return SibFile(1500); }, RAW_FILE_TYPE_SIB, Own},
        GrowCase{"wpg", MakeStreaming<RawSpeed::WpgAnalyser>(), [] { return WpgFile(2000); }, RAW_FILE_TYPE_WPG, Own,
                 [] { return Bytes{}; }, "."},
        // The SVG family: each document ends behind its own closing tag and line end.
        GrowCase{"svg sample", MakeStreaming<Brance::SVGAnalyser>(), Sample("svg.svg"), RAW_FILE_TYPE_SVG, Own},
        GrowCase{"gpx sample", MakeStreaming<Brance::SVGAnalyser>(), Sample("gpx.gpx"), RAW_FILE_TYPE_GPX, Own},
        GrowCase{"plist", MakeStreaming<Brance::SVGAnalyser>(), PlistFile, RAW_FILE_TYPE_PLIST, Own},
        GrowCase{"enex embedding a drawing", MakeStreaming<Brance::SVGAnalyser>(), EnexFile, RAW_FILE_TYPE_ENEX,
                 Own},
        GrowCase{"csl", MakeStreaming<Brance::SVGAnalyser>(), CslFile, RAW_FILE_TYPE_CSL, Own},
        // A binary table states its length: decided at its first sector, unnamed.
        GrowCase{"binary svg table", MakeStreaming<Brance::SVGAnalyser>(), [] { return BinarySvgFile(2000); },
                 RAW_FILE_TYPE_SVG, Own, [] { return Bytes{}; }, nullptr},
        // X3F: the directory's fixed length past its mark.
        GrowCase{"x3f", MakeStreaming<Brance::X3FAnalyser>(), [] { return X3fFile(5000); }, RAW_FILE_TYPE_X3F, Own},
        GrowCase{"x3f with its mark across sectors", MakeStreaming<Brance::X3FAnalyser>(),
                 [] { return X3fFile(2560 + 74); }, RAW_FILE_TYPE_X3F, Own},
        // InDesign: the end of the page of the last object; Magic Lantern: behind the last known block.
        GrowCase{"indd", MakeStreaming<RawSpeed::InddAnalyser>(), [] { return InddFile({3000, 9000, 100}); },
                 RAW_FILE_TYPE_INDD, Own},
        GrowCase{"mlv", MakeStreaming<RawSpeed::MLvAnalyser>(), [] { return MlvFile({5000, 9000, 300}); },
                 RAW_FILE_TYPE_MLV, Own},
        // 3DS: behind the last main chunk; a cartridge states its length (decided at once, unnamed).
        GrowCase{"3ds", MakeStreaming<RawSpeed::New3DSAnalyser>(), ThreeDsFile, RAW_FILE_TYPE_3DS, Own},
        GrowCase{"3ds cartridge", MakeStreaming<RawSpeed::New3DSAnalyser>(), [] { return CartridgeFile(20); },
                 RAW_FILE_TYPE_3DS, Own, [] { return Bytes{}; }, nullptr},
        // DMG: the trailer, on a sector boundary or across one.
        GrowCase{"dmg", MakeStreaming<Brance::DMGAnalyser>(), [] { return DmgFile(2560); }, RAW_FILE_TYPE_DMG, Own},
        GrowCase{"dmg with its trailer across sectors", MakeStreaming<Brance::DMGAnalyser>(),
                 [] { return DmgFile(2700); }, RAW_FILE_TYPE_DMG, Own}));

INSTANTIATE_TEST_SUITE_P(
    Containers, StreamingRefusals,
    ::testing::Values(Refusal{"png with a broken signature", MakeStreaming<RawSpeed::PNGAnalyser>(),
                              [] {
                                Bytes b = PngFile(10);
                                b[6] = 0x0A;
                                return b;
                              }},
                      Refusal{"tar without its magic", MakeStreaming<RawSpeed::TARAnalyser>(),
                              [] { return Text("a.txt", 512); }},
                      Refusal{"rar 5", MakeStreaming<RawSpeed::RARAnalyser>(),
                              [] {
                                Bytes b = Rar4File(10);
                                b[6] = 0x01;
                                return b;
                              }},
                      Refusal{"mpeg of another clock", MakeStreaming<Brance::MPGAnalyser>(),
                              [] { return Bytes{0, 0, 1, 0xBA, 0x21, 0x00, 0x03, 0x00}; }},
                      Refusal{"flv misspelt", MakeStreaming<Brance::FLVAnalyser>(), [] { return Text("FLW", 64); }},
                      Refusal{"rtf misspelt", MakeStreaming<RawSpeed::RTFAnalyser>(), [] { return Text("{\\rtx", 64); }},
                      Refusal{"psp of another signature", MakeStreaming<RawSpeed::PSPAnalyser>(),
                              [] { return Text("Paint Shop Pro Image Fila", 64); }},
                      Refusal{"sib misspelt", MakeStreaming<RawSpeed::SIBAnalyser>(),
                              [] {
                                Bytes b = SibFile(64);
                                b[5] = 'X';
                                return b;
                              }},
                      Refusal{"mxf whose partitions point at each other", MakeStreaming<RawSpeed::MxfAnalyser>(),
                              [] {
                                Bytes b = Made(kScript, "clip.mxf")();
                                b.resize(512);
                                FieldWriter(b).le32(32, 0x1000);
                                FieldWriter(b).le32(48, 0x1000);
                                return b;
                              }},
                      Refusal{"xml of no known kind", MakeStreaming<Brance::SVGAnalyser>(),
                              [] { return Xml(kDeclaration + "<root>plain</root>\n"); }},
                      Refusal{"dmg of another block size", MakeStreaming<Brance::DMGAnalyser>(),
                              [] { return Text("BZh91AY&SY", 64); }}));

using ContainerHandOver = RawSearchTest;

TEST_F(ContainerHandOver, APngPastTheCapGoesToThePlainAnalyser) {
  // The data chunk claims more than the cap: the walk waits past it, then the fallback measures.
  RawSpeed::PNGAnalyser png;
  Bytes head = PngFile(0);
  FieldWriter(head).be32(33, 150000000);
  const Grown over = Grow(png, head, {}, RawSpeed::PNGAnalyser::kSizeCap / kSector + 4);
  ASSERT_EQ(over.result, 1);
  EXPECT_EQ(over.size, 0u);
  EXPECT_EQ(over.lastSector, kStart + RawSpeed::PNGAnalyser::kSizeCap / kSector + 1);
  EXPECT_NE(dynamic_cast<FilePNGAnalyser*>(over.analyserAfterRemoval), nullptr);
}

TEST_F(ContainerHandOver, AFollowedOggStreamStartsNoNewHits) {
  Brance::OGGAnalyser ogg;
  Bytes page = Sample("ogg.oga")();
  ASSERT_FALSE(page.empty());
  page.resize(4096, 0);
  CRawFileInfo scratch;
  ASSERT_EQ(ogg.AnalyseBuffer(page.data(), scratch), 1);

  // Followed from its first sector on: its later pages are refused.
  std::unique_ptr<CRawFileInfo> hit(ogg.CreateRawFileInfo());
  hit->m_llStartSector = 40;
  hit->m_pAnalyser = &ogg;
  CRawFileInfo::SearchContext context;
  context.llBufferFirstSector = 40;
  context.llBlockEndSector = 48;
  EXPECT_EQ(hit->CalcRawSize(page.data(), static_cast<int>(kSector), 40, context), 2);
  EXPECT_EQ(ogg.FollowedStream(), 40);
  EXPECT_EQ(ogg.AnalyseBuffer(page.data(), scratch), 0);

  // Leaving the growing set lets new streams start again.
  hit->WillBeRemove(nullptr, -1);
  EXPECT_FALSE(ogg.FollowedStream().has_value());
  EXPECT_EQ(ogg.AnalyseBuffer(page.data(), scratch), 1);
  EXPECT_EQ(hit->m_pAnalyser, ogg.Fallback());

  // So does a decided stream, and a fresh analyser (every search makes its own) follows none.
  const Grown grown = Grow(ogg, Sample("ogg.oga")());
  ASSERT_EQ(grown.result, 1);
  EXPECT_FALSE(ogg.FollowedStream().has_value());
  EXPECT_FALSE(Brance::OGGAnalyser().FollowedStream().has_value());
}

TEST_F(ContainerHandOver, MpegHitsAreTwentyOneSectorsApart) {
  Brance::MPGAnalyser mpg;
  Bytes pack = Sample("mpeg.mpeg")();
  ASSERT_FALSE(pack.empty());
  pack.resize(4096, 0);
  CRawFileInfo scratch;
  EXPECT_EQ(mpg.AnalyseBufferEx(pack.data(), scratch, kSector, 100, 96, 112), 1);
  EXPECT_EQ(mpg.AnalyseBufferEx(pack.data(), scratch, kSector, 120, 112, 128), 0);
  EXPECT_EQ(mpg.AnalyseBufferEx(pack.data(), scratch, kSector, 121, 112, 128), 1);
  EXPECT_EQ(mpg.AnalyseBufferEx(pack.data(), scratch, kSector, 141, 128, 144), 0);
  EXPECT_EQ(mpg.GetSpecialRawFile(), &mpg);
}

TEST_F(ContainerHandOver, AnUnclosedArchiveGoesToItsFallback) {
  // A block header the reader refuses: the archive is measured by the plain analyser.
  RawSpeed::RARAnalyser rar;
  Bytes broken = Rar4File(3000);
  broken[20 + 2] = 0x10;
  const Grown grown = Grow(rar, broken);
  ASSERT_EQ(grown.result, 1);
  EXPECT_EQ(grown.size, 0u);
  EXPECT_EQ(grown.analyserAfterRemoval, rar.Fallback());
}

TEST_F(ContainerHandOver, TheEbookFallbackMeasuresFromTheRecordTable) {
  RawSpeed::FileMOBIAnalyser plain;
  const Bytes book = MobiFile({3000, 9000, 500});
  const Carved carved = MeasurePlaced(plain, book, 40);
  EXPECT_EQ(carved.claimed, 1);
  EXPECT_EQ(carved.measured, 1);
  EXPECT_EQ(carved.type, RAW_FILE_TYPE_MOBI);
  EXPECT_EQ(carved.size, book.size());
  EXPECT_NE(dynamic_cast<RawSpeed::FileMOBIAnalyser*>(RawSpeed::MOBIAnalyser().Fallback()), nullptr);
}

TEST_F(ContainerHandOver, TarIsOfferedOnlySectorsWithItsMagic) {
  const auto anchor = RawSpeed::TARAnalyser().ClaimAnchor();
  ASSERT_TRUE(anchor.has_value());
  Bytes header(512, 0);
  PutText(header, 257, "ustar");
  EXPECT_EQ(*le32(header, anchor->offset) & anchor->mask, anchor->value);
  PutText(header, 257, "ustor");
  EXPECT_NE(*le32(header, anchor->offset) & anchor->mask, anchor->value);
}

// Found through the registry in a complete scan and copied out (RegisteredFormatsTest).
const ScanSampleRegistrar kScanSamples({
    {"RawSpeed::PNGAnalyser", "png sample", Sample("png.png"), RAW_FILE_TYPE_PNG, Expect::kExact},
    {"RawSpeed::TARAnalyser", "tar with a directory first", Made(kScript, "dir-first.tar"), RAW_FILE_TYPE_TAR,
     Expect::kStated, 6656},
    {"RawSpeed::RARAnalyser", "rar", [] { return Rar4File(3000); }, RAW_FILE_TYPE_RAR, Expect::kExact},
    {"RawSpeed::SITAnalyser", "sit 5", Sit5File, RAW_FILE_TYPE_SIT, Expect::kExact},
    {"RawSpeed::SITAnalyser", "sitx", [] { return SitxFile(0x19); }, RAW_FILE_TYPE_SITX, Expect::kExact},
    {"Brance::OGGAnalyser", "ogg sample", Sample("ogg.oga"), RAW_FILE_TYPE_OGG, Expect::kExact},
    {"Brance::MPGAnalyser", "mpeg sample", Sample("mpeg.mpeg"), RAW_FILE_TYPE_MPG, Expect::kExact},
    {"Brance::FLVAnalyser", "flv sample", Sample("flv.flv"), RAW_FILE_TYPE_FLV, Expect::kExact},
    {"RawSpeed::MxfAnalyser", "mxf made by ffmpeg", Made(kScript, "clip.mxf"), RAW_FILE_TYPE_MXF, Expect::kExact},
    {"Brance::RM_RMVBAnalyser", "rm of sound", RealAudioFile, RAW_FILE_TYPE_RM, Expect::kExact},
    {"RawSpeed::RTFAnalyser", "rtf", RtfWithClosingZero, RAW_FILE_TYPE_RTF, Expect::kExact},
    {"RawSpeed::PSDAnalyser", "psd sample", Sample("psd.psd"), RAW_FILE_TYPE_PSD, Expect::kExact},
    {"RawSpeed::PSPAnalyser", "psp", [] { return PspFile(); }, RAW_FILE_TYPE_PSP, Expect::kExact},
    {"RawSpeed::OneAnalyser", "one", OneFile, RAW_FILE_TYPE_ONE, Expect::kExact},
    {"RawSpeed::MOBIAnalyser", "mobi", [] { return MobiFile({3000, 9000, 500}); }, RAW_FILE_TYPE_MOBI,
     Expect::kExact},
    {"RawSpeed::SIBAnalyser", "sib", [] { return SibFile(1500); }, RAW_FILE_TYPE_SIB, Expect::kExact},
    {"RawSpeed::WpgAnalyser", "wpg", [] { return WpgFile(2000); }, RAW_FILE_TYPE_WPG, Expect::kExact},
    {"Brance::SVGAnalyser", "svg sample", Sample("svg.svg"), RAW_FILE_TYPE_SVG, Expect::kExact},
    {"Brance::SVGAnalyser", "gpx sample", Sample("gpx.gpx"), RAW_FILE_TYPE_GPX, Expect::kExact},
    {"Brance::X3FAnalyser", "x3f", [] { return X3fFile(5000); }, RAW_FILE_TYPE_X3F, Expect::kExact},
    {"RawSpeed::InddAnalyser", "indd", [] { return InddFile({3000, 9000, 100}); }, RAW_FILE_TYPE_INDD,
     Expect::kExact},
    {"RawSpeed::MLvAnalyser", "mlv", [] { return MlvFile({5000, 9000, 300}); }, RAW_FILE_TYPE_MLV, Expect::kExact},
    {"RawSpeed::New3DSAnalyser", "3ds", ThreeDsFile, RAW_FILE_TYPE_3DS, Expect::kExact},
    {"Brance::DMGAnalyser", "dmg", [] { return DmgFile(2560); }, RAW_FILE_TYPE_DMG, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
