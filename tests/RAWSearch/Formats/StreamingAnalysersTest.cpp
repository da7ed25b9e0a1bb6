// The streaming and branch members grown sector by sector over samples placed in a zero image: where
// each ends, the type it gives, the name stem, and what it refuses; the hand-over to the plain
// fallback on the cap and on eviction.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "Formats/FormatSamples.h"
#include "Formats/StreamingGrow.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Archive/FileGZAnalyser.h"
#include "RAWSearch/Formats/Archive/FileLZHAnalyser.h"
#include "RAWSearch/Formats/Archive/GZAnalyzer.h"
#include "RAWSearch/Formats/Archive/LZHAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"
#include "RAWSearch/Formats/Audio/MIDAnalyser.h"
#include "RAWSearch/Formats/Document/CMDBAnalyser.h"
#include "RAWSearch/Formats/Document/DbxAnalyser.h"
#include "RAWSearch/Formats/Document/FileHTMAnalyser.h"
#include "RAWSearch/Formats/Document/FileMDBAnalyser.h"
#include "RAWSearch/Formats/Document/HTMLAnalyser.h"
#include "RAWSearch/Formats/Document/JKSAnalyser.h"
#include "RAWSearch/Formats/Document/NGRRAnalyser.h"
#include "RAWSearch/Formats/Document/PSAFE3Analyser.h"
#include "RAWSearch/Formats/Image/CRWAnalyser.h"
#include "RAWSearch/Formats/Image/FileCRWAnalyser.h"
#include "RAWSearch/Formats/Video/AEPAnalyser.h"
#include "RawSearchTestSupport.h"
#include "Utility/ByteReader.h"

namespace quellsy::test::formats {
namespace {

Bytes Utf16Page(std::size_t length) {
  Bytes b(length, 0);
  for (std::size_t i = 0; i + 1 < length; i += 2) b[i] = static_cast<std::uint8_t>('a' + (i / 2) % 26);
  b[0] = 0xFF;
  b[1] = 0xFE;
  const std::string open = "<html>";
  for (std::size_t i = 0; i < open.size(); ++i) b[2 + 2 * i] = static_cast<std::uint8_t>(open[i]);
  b[length - 2] = '>';
  return b;
}

Bytes LzhLevel2Archive() {
  Bytes a(30, 0x41);
  a[0] = 30;  // header size
  PutText(a, 2, "-lhd-");
  Bytes entry(40, 0x42);
  entry[0] = 24;
  PutText(entry, 2, "-lh7-");
  FieldWriter(entry).le32(7, 16);  // 24 + 16: the next header at 40
  a.insert(a.end(), entry.begin(), entry.end());
  a.push_back(0);
  return a;
}

// A level-0 archive whose 1,000 bytes end in a byte that starts no header.
Bytes LzhOf1000Bytes() {
  Bytes a = LzhEntry("-lh0-", "a.txt", 400, 400);
  const std::size_t second = 1000 - 1 - a.size() - (2 + 22 + 5);
  const Bytes b = LzhEntry("-lh5-", "b.txt", static_cast<std::uint32_t>(second), second);
  a.insert(a.end(), b.begin(), b.end());
  a.push_back(0x77);
  return a;
}

Bytes Page(std::uint8_t first, std::uint8_t second) {
  Bytes p(4096, 0x11);
  p[0] = first;
  p[1] = second;
  return p;
}

// A header page, then `pages` data pages (type 1, marker 1).
Bytes JetDataFile(int pages) {
  Bytes b = JetFile(1);
  for (int i = 0; i < pages; ++i) {
    const Bytes page = Page(0x01, 0x01);
    b.insert(b.end(), page.begin(), page.end());
  }
  return b;
}

TEST_P(StreamingMembers, EndsWhereItsRuleSays) {
  const GrowCase& c = GetParam();
  const Bytes file = c.file();
  ASSERT_FALSE(file.empty());
  auto analyser = c.make();
  const Grown grown = Grow(*analyser, file, c.behind());
  ASSERT_EQ(grown.claimed, 1);
  ASSERT_EQ(grown.result, 1);
  EXPECT_EQ(grown.type, c.type);
  EXPECT_EQ(grown.size, c.size(file.size()));
  EXPECT_EQ(grown.name, c.separator ? std::to_string(kStart) + "-" + std::to_string(grown.lastSector) + c.separator
                                    : std::string());
  EXPECT_EQ(grown.analyserAfterRemoval, analyser->Fallback());
}

INSTANTIATE_TEST_SUITE_P(
    RawSpeedAndBrance, StreamingMembers,
    ::testing::Values(
        // gzip: an inflating member ends behind its trailer; one that does not (hand-built junk) with the
        // sector of its zero tail (its trailer may end in zero bytes).
        GrowCase{"gz sample", MakeStreaming<RawSpeed::GZAnalyzer>(), Sample("gz.gz"), RAW_FILE_TYPE_GZ, Own},
        // Junk right behind the last trailer: the member ends there.
        GrowCase{"gz made by gzip, junk behind", MakeStreaming<RawSpeed::GZAnalyzer>(),
                 Made("tests/RAWSearch/Formats/make-zip-samples.sh", "named.gz"), RAW_FILE_TYPE_GZ, Own,
                 [] { return Body(3000, 9); }},
        GrowCase{"gz of two members, junk behind", MakeStreaming<RawSpeed::GZAnalyzer>(),
                 Made("tests/RAWSearch/Formats/make-zip-samples.sh", "members.gz"), RAW_FILE_TYPE_GZ, Own,
                 [] { return Body(3000, 10); }},
        GrowCase{"gz of six sectors", MakeStreaming<RawSpeed::GZAnalyzer>(),
                 [] { return GzFile(8, "a.txt", Body(3000)); }, RAW_FILE_TYPE_GZ, Sectors},
        // HTML ends behind its closing tag and line end, or where its text gives way to zeros.
        GrowCase{"html sample", MakeStreaming<RawSpeed::HTMLAnalyser>(), Sample("html.html"), RAW_FILE_TYPE_HTM,
                 Own},
        GrowCase{"html ending 300 bytes into a sector", MakeStreaming<RawSpeed::HTMLAnalyser>(),
                 [] { return TextLines("<!DOCTYPE html>", 512 + 300); }, RAW_FILE_TYPE_HTM, Own},
        GrowCase{"utf-16 html", MakeStreaming<RawSpeed::HTMLAnalyser>(), [] { return Utf16Page(1024 + 200); },
                 RAW_FILE_TYPE_HTM, Own},
        // A closing tag with more markup behind it (here in a comment) does not end the page.
        GrowCase{"html with an inner closing tag", MakeStreaming<RawSpeed::HTMLAnalyser>(),
                 [] {
                   Bytes b = TextLines("<html>\n<!-- </html>\n-->\n", 1024 + 100);
                   const std::string closing = "</html>\n";
                   std::copy(closing.begin(), closing.end(), b.end() - static_cast<std::ptrdiff_t>(closing.size()));
                   return b;
                 },
                 RAW_FILE_TYPE_HTM, Own},
        // MIDI: the one track the header states ends the file at its last byte.
        GrowCase{"midi of 1000 bytes", MakeStreaming<RawSpeed::MIDAnalyser>(), [] { return MidiFile(978); },
                 RAW_FILE_TYPE_MID, Own},
        GrowCase{"midi sample", MakeStreaming<RawSpeed::MIDAnalyser>(), Sample("midi.midi"), RAW_FILE_TYPE_MID, Own},
        // Two tracks where the header states one: whole sectors.
        GrowCase{"midi of two tracks across blocks", MakeStreaming<RawSpeed::MIDAnalyser>(),
                 [] {
                   Bytes b = MidiFile(9000);
                   const Bytes second = {'M', 'T', 'r', 'k', 0, 0, 0x10, 0};
                   b.insert(b.end(), second.begin(), second.end());
                   const Bytes events = Body(0x1000, 4);
                   b.insert(b.end(), events.begin(), events.end());
                   return b;
                 },
                 RAW_FILE_TYPE_MID, Sectors},
        // Jet and ACE: 36 empty pages end the file before the first of them.
        GrowCase{"mdb sample", MakeStreaming<RawSpeed::CMDBAnalyser>(), Sample("mdb.mdb"), RAW_FILE_TYPE_MDB, Own},
        GrowCase{"accdb sample", MakeStreaming<RawSpeed::CMDBAnalyser>(), Sample("accdb.accdb"),
                 RAW_FILE_TYPE_ACCDB, Own},
        // A foreign page after two empty ones: the file keeps one of them.
        GrowCase{"mdb before a foreign page", MakeStreaming<RawSpeed::CMDBAnalyser>(), [] { return JetDataFile(5); },
                 RAW_FILE_TYPE_MDB, [](std::uint64_t n) { return n + 4096; },
                 [] {
                   Bytes b = Page(0, 0);
                   const Bytes second = Page(0, 0);
                   const Bytes foreign = Page('M', 'T');
                   b.insert(b.end(), second.begin(), second.end());
                   b.insert(b.end(), foreign.begin(), foreign.end());
                   return b;
                 }},
        GrowCase{"mdb right before a foreign page", MakeStreaming<RawSpeed::CMDBAnalyser>(),
                 [] { return JetDataFile(5); }, RAW_FILE_TYPE_MDB, Own, [] { return Page('M', 'T'); }},
        // A foreign second page (type 0x11): the first page-aligned zero tail ends the file.
        GrowCase{"mdb with a foreign second page", MakeStreaming<RawSpeed::CMDBAnalyser>(), [] { return JetFile(4); },
                 RAW_FILE_TYPE_MDB, Own},
        // LHA: one past the closing byte, found after a two-byte look back over level-0 entries.
        GrowCase{"lzh level 0", MakeStreaming<Brance::LZHAnalyser>(), LzhArchive, RAW_FILE_TYPE_LZH, Own},
        GrowCase{"lzh of 1000 bytes", MakeStreaming<Brance::LZHAnalyser>(), LzhOf1000Bytes, RAW_FILE_TYPE_LZH, Own},
        GrowCase{"lzh level 2", MakeStreaming<Brance::LZHAnalyser>(), LzhLevel2Archive, RAW_FILE_TYPE_LZH, Own},
        // CRW: the closing record and its tail; a B2 record with ten more bytes behind its tail.
        GrowCase{"crw A8", MakeStreaming<Brance::CRWAnalyser>(), [] { return CrwFile(420000, 420000 - 70, 0xA8); },
                 RAW_FILE_TYPE_CRW, Own},
        GrowCase{"crw E4", MakeStreaming<Brance::CRWAnalyser>(), [] { return CrwFile(420050, 420050 - 50, 0xE4); },
                 RAW_FILE_TYPE_CRW, Own},
        GrowCase{"crw B2", MakeStreaming<Brance::CRWAnalyser>(), [] { return CrwFile(420100, 420100 - 70, 0xB2); },
                 RAW_FILE_TYPE_CRW, Own},
        // The record in the sector before the one with the zero tail.
        GrowCase{"crw ending at a sector's end", MakeStreaming<Brance::CRWAnalyser>(),
                 [] { return CrwFile(420352, 420352 - 70, 0xA8); }, RAW_FILE_TYPE_CRW, Own},
        // Members without a fallback.
        GrowCase{"psafe3", MakeStreaming<RawSpeed::PSAFE3Analyser>(), [] { return Text("PWS3", 1024 + 200); },
                 RAW_FILE_TYPE_PSAFE3, Own},
        GrowCase{"psafe3 at 3", MakeStreaming<RawSpeed::PSAFE3Analyser>(), [] { return Text("abcpws3", 700); },
                 RAW_FILE_TYPE_PSAFE3, Own},
        GrowCase{"jks", MakeStreaming<RawSpeed::JKSAnalyser>(), [] { return JksFile(1500); }, RAW_FILE_TYPE_JKS, Own},
        // Junk right behind the file: its end block and HMAC, or its digest, end it.
        GrowCase{"psafe3 with its end block, junk behind", MakeStreaming<RawSpeed::PSAFE3Analyser>(),
                 [] { return Psafe3File(2000); }, RAW_FILE_TYPE_PSAFE3, Own, [] { return Body(1500, 4); }},
        GrowCase{"jks of 5000 bytes, junk behind", MakeStreaming<RawSpeed::JKSAnalyser>(), [] { return JksFile(5000); },
                 RAW_FILE_TYPE_JKS, Own, [] { return Body(1500, 5); }},
        GrowCase{"ngrr", MakeStreaming<RawSpeed::NGRRAnalyser>(), [] { return NgrrFile({700, 3000, 50}); },
                 RAW_FILE_TYPE_NGRR, Own},
        GrowCase{"ngrr of one block across a block of the search", MakeStreaming<RawSpeed::NGRRAnalyser>(),
                 [] { return NgrrFile({9000, 0}); }, RAW_FILE_TYPE_NGRR, Own},
        GrowCase{"aep", MakeStreaming<RawSpeed::AEPAnalyser>(), [] { return AepFile(5000, false); },
                 RAW_FILE_TYPE_AEP, Own},
        // A folder states its size and is decided at its first sector, unnamed; the folder list ends at
        // its zero tail, named with a full stop.
        GrowCase{"dbx folder", MakeStreaming<RawSpeed::DbxAnalyser>(), [] { return DbxFile(70000, false); },
                 RAW_FILE_TYPE_DBX, Own, [] { return Bytes{}; }, nullptr},
        GrowCase{"dbx folder list", MakeStreaming<RawSpeed::DbxAnalyser>(), [] { return DbxFile(1500, true); },
                 RAW_FILE_TYPE_DBX, Own, [] { return Bytes{}; }, "."},
        // The packet runs to the zero tail; the end keeps eight more bytes.
        GrowCase{"aep with its packet", MakeStreaming<RawSpeed::AEPAnalyser>(), [] { return AepFile(5000, true); },
                 RAW_FILE_TYPE_AEP, [](std::uint64_t n) { return n + 8; }}));

TEST_P(StreamingRefusals, SectorIsNotClaimed) {
  auto analyser = GetParam().make();
  Bytes sector = GetParam().sector();
  sector.resize(4096, 0);
  CRawFileInfo scratch;
  EXPECT_EQ(analyser->AnalyseBuffer(sector.data(), scratch), 0);
  EXPECT_EQ(analyser->AnalyseBuffer(nullptr, scratch), 0);
}

INSTANTIATE_TEST_SUITE_P(
    RawSpeedAndBrance, StreamingRefusals,
    ::testing::Values(
        Refusal{"gz of reserved flags", MakeStreaming<RawSpeed::GZAnalyzer>(),
                [] {
                  Bytes b = GzHeader();
                  b[3] = 0x40;
                  return b;
                }},
        Refusal{"gz of another system", MakeStreaming<RawSpeed::GZAnalyzer>(),
                [] {
                  Bytes b = GzHeader();
                  b[9] = 14;
                  return b;
                }},
        Refusal{"html without the tag", MakeStreaming<RawSpeed::HTMLAnalyser>(), [] { return Text("<hxml>", 600); }},
        Refusal{"utf-16 without the tag", MakeStreaming<RawSpeed::HTMLAnalyser>(),
                [] {
                  Bytes b = Utf16Page(600);
                  b[4] = 'b';
                  return b;
                }},
        Refusal{"midi of format 3", MakeStreaming<RawSpeed::MIDAnalyser>(),
                [] {
                  Bytes b = MidiHeader();
                  b[9] = 3;
                  return b;
                }},
        Refusal{"jet misspelt", MakeStreaming<RawSpeed::CMDBAnalyser>(),
                [] {
                  Bytes b = JetHeader();
                  b[13] = 'X';
                  return b;
                }},
        Refusal{"lzh of an unknown method", MakeStreaming<Brance::LZHAnalyser>(),
                [] {
                  Bytes b = LzhHeader();
                  b[5] = '9';
                  return b;
                }},
        Refusal{"crw of another heap", MakeStreaming<Brance::CRWAnalyser>(),
                [] {
                  Bytes b = CrwHeader();
                  b[10] = 'X';
                  return b;
                }}));

using StreamingHandOver = RawSearchTest;

TEST_F(StreamingHandOver, TypesFromTheHeader) {
  RawSpeed::CMDBAnalyser mdb;
  EXPECT_EQ(Grow(mdb, Sample("accdb.accdb")()).type, RAW_FILE_TYPE_ACCDB);
  EXPECT_EQ(Grow(mdb, Sample("mdb.mdb")()).type, RAW_FILE_TYPE_MDB);
  RawSpeed::HTMLAnalyser html;
  Bytes bang = Utf16Page(600);
  bang[2] = '<';
  bang[4] = '!';
  EXPECT_EQ(Grow(html, bang).claimed, 1);
}

TEST_F(StreamingHandOver, PastTheCapTheFallbackMeasures) {
  // Over a mebibyte of page text.
  RawSpeed::HTMLAnalyser html;
  const Grown grown = Grow(html, TextLines("<html>", RawSpeed::HTMLAnalyser::kSizeCap + 4 * kSector));
  ASSERT_EQ(grown.result, 1);
  EXPECT_EQ(grown.size, 0u);
  EXPECT_EQ(grown.lastSector, kStart + RawSpeed::HTMLAnalyser::kSizeCap / kSector + 1);
  EXPECT_NE(dynamic_cast<FileHTMAnalyser*>(grown.analyserAfterRemoval), nullptr);
}

TEST_F(StreamingHandOver, EveryMemberOwnsItsPlainAnalyser) {
  EXPECT_NE(dynamic_cast<FileGZAnalyser*>(RawSpeed::GZAnalyzer().Fallback()), nullptr);
  EXPECT_NE(dynamic_cast<FileHTMAnalyser*>(RawSpeed::HTMLAnalyser().Fallback()), nullptr);
  EXPECT_NE(dynamic_cast<FileMIDAnalyser*>(RawSpeed::MIDAnalyser().Fallback()), nullptr);
  EXPECT_NE(dynamic_cast<FileMDBAnalyser*>(RawSpeed::CMDBAnalyser().Fallback()), nullptr);
  EXPECT_NE(dynamic_cast<FileLZHAnalyser*>(Brance::LZHAnalyser().Fallback()), nullptr);
  EXPECT_NE(dynamic_cast<FileCRWAnalyser*>(Brance::CRWAnalyser().Fallback()), nullptr);
  // Streaming analysers never size from the device themselves.
  RawSpeed::GZAnalyzer gz;
  CRawFileInfo hit;
  EXPECT_EQ(gz.GetRawFileSize(hit, nullptr), 0);
}

TEST_F(StreamingHandOver, LzhIsOfferedOnlySectorsWithAMethodLead) {
  const auto anchor = Brance::LZHAnalyser().ClaimAnchor();
  ASSERT_TRUE(anchor.has_value());
  for (const char* method : {"-lh5-", "-lh0-", "-lhd-", "-lh7-", "-lhX-"}) {
    Bytes sector(16, 0x20);
    PutText(sector, 2, method);
    EXPECT_EQ(*le32(sector, anchor->offset) & anchor->mask, anchor->value) << method;
  }
  Bytes other(16, 0x20);
  PutText(other, 2, "-lz5-");
  EXPECT_NE(*le32(other, anchor->offset) & anchor->mask, anchor->value);
}

TEST_F(StreamingHandOver, AnUnfinishedCrwGoesToItsFallback) {
  // No closing record anywhere: the walk goes on, and leaving the growing set hands the hit over.
  Brance::CRWAnalyser crw;
  const Grown grown = Grow(crw, CrwFile(420000, 100, 0x11));
  EXPECT_NE(grown.result, 1);
  EXPECT_EQ(grown.size, 0u);
  EXPECT_EQ(grown.analyserAfterRemoval, crw.Fallback());
}

// Found through the registry in a complete scan and copied out (RegisteredFormatsTest).
const ScanSampleRegistrar kScanSamples({
    {"RawSpeed::GZAnalyzer", "gz sample", Sample("gz.gz"), RAW_FILE_TYPE_GZ, Expect::kExact},
    {"RawSpeed::GZAnalyzer", "gz of six sectors", [] { return GzFile(8, "a.txt", Body(3000)); }, RAW_FILE_TYPE_GZ,
     Expect::kWholeSectors},
    {"RawSpeed::HTMLAnalyser", "html sample", Sample("html.html"), RAW_FILE_TYPE_HTM, Expect::kExact},
    {"RawSpeed::HTMLAnalyser", "html of two sectors", [] { return TextLines("<html>", 512 + 300); }, RAW_FILE_TYPE_HTM,
     Expect::kExact},
    {"RawSpeed::MIDAnalyser", "midi sample", Sample("midi.midi"), RAW_FILE_TYPE_MID, Expect::kExact},
    {"RawSpeed::CMDBAnalyser", "mdb sample", Sample("mdb.mdb"), RAW_FILE_TYPE_MDB, Expect::kExact, 0, {},
     RawSpeed::CMDBAnalyser::kEmptyPagesAtEnd * RawSpeed::CMDBAnalyser::kPageSize},
    {"RawSpeed::CMDBAnalyser", "accdb sample", Sample("accdb.accdb"), RAW_FILE_TYPE_ACCDB, Expect::kExact, 0, {},
     RawSpeed::CMDBAnalyser::kEmptyPagesAtEnd * RawSpeed::CMDBAnalyser::kPageSize},
    {"Brance::LZHAnalyser", "lzh", LzhArchive, RAW_FILE_TYPE_LZH, Expect::kExact},
    {"Brance::CRWAnalyser", "crw", [] { return CrwFile(420000, 420000 - 70, 0xA8); }, RAW_FILE_TYPE_CRW,
     Expect::kExact},
    {"RawSpeed::PSAFE3Analyser", "psafe3", [] { return Text("PWS3", 1024 + 200); }, RAW_FILE_TYPE_PSAFE3,
     Expect::kExact},
    {"RawSpeed::JKSAnalyser", "jks", [] { return JksFile(1500); }, RAW_FILE_TYPE_JKS, Expect::kExact},
    {"RawSpeed::NGRRAnalyser", "ngrr", [] { return NgrrFile({700, 3000, 50}); }, RAW_FILE_TYPE_NGRR, Expect::kExact},
    {"RawSpeed::DbxAnalyser", "dbx folder", [] { return DbxFile(70000, false); }, RAW_FILE_TYPE_DBX, Expect::kExact},
    {"RawSpeed::AEPAnalyser", "aep", [] { return AepFile(5000, false); }, RAW_FILE_TYPE_AEP, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
