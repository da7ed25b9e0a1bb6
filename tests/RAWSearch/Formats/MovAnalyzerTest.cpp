// QuickTime, MP4 and 3GP movies grown sector by sector: the brand table, which of the three analysers
// claims an "ftyp" sector, box walks over movies made by ffmpeg (64-bit mdat, fragments, moov ahead
// of mdat), back-to-back movies, malformed and absurd boxes, camera names from Exif in moov or from
// a device name at the movie's end, and movies recovered byte for byte through a real complete scan.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CompleteScanSupport.h"
#include "Formats/FormatSamples.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Video/C3GPAnalyser.h"
#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
#include "RAWSearch/Formats/Video/MovAnalyzer.h"
#include "RAWSearch/Formats/Video/Mp4Analyzer.h"
#include "RawResultTestSupport.h"
#include "RawSearchTestSupport.h"
#include "include/IDataRecovery.h"
#include "support/ImageBuilder.h"
#include "support/RecordingTreeSink.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

using BruteForce::C3GPAnalyser;
using BruteForce::MovAnalyzer;
using BruteForce::Mp4Analyzer;
using Record = MovAnalyzer::MovRawFileInfo;

constexpr unsigned kSector = 512;
constexpr long long kStart = 3;

// A box of `size` bytes (header included) whose body is `body` followed by filler; a size below 8
// still gets its whole header.
Bytes Box(std::uint32_t size, const char* type, const Bytes& body = {}) {
  Bytes b(std::max<std::size_t>(size, 8), 0x33);
  FieldWriter(b).be32(0, size);
  std::memcpy(b.data() + 4, type, 4);
  std::copy(body.begin(), body.end(), b.begin() + 8);
  return b;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// An "ftyp" box: major brand, minor version 0, compatible brands.
Bytes Ftyp(const std::string& major, const std::string& compatible = "") {
  Bytes body = Text(major);
  body.resize(8, 0);
  const Bytes brands = Text(compatible);
  body.insert(body.end(), brands.begin(), brands.end());
  return Box(static_cast<std::uint32_t>(8 + body.size()), "ftyp", body);
}

// A 64-bit box header of the given total size, then `payload` bytes of filler.
Bytes LargeBox(const char* type, std::uint64_t size, std::size_t payload) {
  Bytes b(16 + payload, 0x44);
  FieldWriter w(b);
  w.be32(0, 1);
  std::memcpy(b.data() + 4, type, 4);
  w.be64(8, size);
  return b;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// `file` at sector kStart of a zero image with room behind it.
Bytes Placed(const Bytes& file, std::size_t room = 64 * kSector) {
  Bytes image(kStart * kSector, 0);
  image.insert(image.end(), file.begin(), file.end());
  image.resize(image.size() + room, 0);
  return image;
}

// The first sector of `file`, readable as the search shows it (512 bytes at least).
Bytes FirstSector(const Bytes& file) {
  Bytes sector(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(file.size(), kSector)));
  sector.resize(kSector, 0);
  return sector;
}

class MovAnalyzerTest : public RawSearchTest {
 protected:
  // Offers the first sector to the three analysers in the registry's order; the claiming one makes
  // the record, which then grows over the placed file.
  std::unique_ptr<Record> Grow(const Bytes& file, long long sectorsPerBlock = 64, std::size_t room = 64 * kSector) {
    Bytes first = FirstSector(file);
    for (IRawFileAnalyser* analyser : {static_cast<IRawFileAnalyser*>(&mov_), static_cast<IRawFileAnalyser*>(&mp4_),
                                       static_cast<IRawFileAnalyser*>(&gp_)}) {
      CRawFileInfo scratch;
      if (analyser->AnalyseBuffer(first.data(), scratch) != 1) continue;
      claimedBy_ = analyser;
      std::unique_ptr<Record> record(dynamic_cast<Record*>(analyser->CreateRawFileInfo()));
      record->m_uRawFileType = scratch.m_uRawFileType;
      record->m_llStartSector = kStart;
      record->m_pAnalyser = analyser;
      const Bytes image = Placed(file, room);
      outcome_ = GrowRecord(*record, ImageSectors(image, kSector), kSector, sectorsPerBlock,
                            static_cast<long long>(image.size() / kSector));
      return record;
    }
    claimedBy_ = nullptr;
    return nullptr;
  }

  MovAnalyzer mov_;
  Mp4Analyzer mp4_;
  C3GPAnalyser gp_;
  IRawFileAnalyser* claimedBy_ = nullptr;
  GrowOutcome outcome_;
};

struct BrandCase {
  std::string name;
  Bytes ftyp;
  std::uint32_t type;  // getTypeByMajorBrand
};
void PrintTo(const BrandCase& c, std::ostream* os) { *os << c.name; }
class MovBrands : public MovAnalyzerTest, public ::testing::WithParamInterface<BrandCase> {};

TEST_P(MovBrands, MajorAndCompatibleBrandsGiveTheType) {
  const BrandCase& c = GetParam();
  Bytes sector = FirstSector(c.ftyp);
  EXPECT_EQ(MovAnalyzer::getTypeByMajorBrand(sector), c.type);
}

// A 24-byte "ftyp" followed by a "free" box has "free" at byte 28: the TREC variant.
Bytes TrecStart() { return Join({Ftyp("isom", "isomavc1"), Box(8, "free")}); }

INSTANTIATE_TEST_SUITE_P(
    Table, MovBrands,
    ::testing::Values(BrandCase{"3gp4", Ftyp("3gp4", "isom"), RAW_FILE_TYPE_3GP},
                      BrandCase{"3g2a", Ftyp("3g2a"), RAW_FILE_TYPE_3GP},
                      BrandCase{"3ge6", Ftyp("3ge6"), RAW_FILE_TYPE_3GP},
                      BrandCase{"3gs7", Ftyp("3gs7"), RAW_FILE_TYPE_3GP},
                      BrandCase{"KDDI", Ftyp("KDDI"), RAW_FILE_TYPE_3GP},
                      BrandCase{"M4A", Ftyp("M4A ", "isom"), RAW_FILE_TYPE_M4A},
                      BrandCase{"M4V", Ftyp("M4VP"), RAW_FILE_TYPE_M4V},
                      BrandCase{"F4V", Ftyp("F4V ", "mp42"), RAW_FILE_TYPE_MP4},
                      BrandCase{"NDSC", Ftyp("NDSC"), RAW_FILE_TYPE_MP4},
                      BrandCase{"NDSA is unknown", Ftyp("NDSA"), RAW_FILE_TYPE_NONE},
                      BrandCase{"mmp4", Ftyp("mmp4"), RAW_FILE_TYPE_MP4},
                      BrandCase{"qt", Ftyp("qt  ", "qt  "), RAW_FILE_TYPE_MOV},
                      BrandCase{"isom alone", Ftyp("isom", "isom"), RAW_FILE_TYPE_MOV},
                      BrandCase{"isom with M4A", Ftyp("isom", "isomM4A "), RAW_FILE_TYPE_M4A},
                      BrandCase{"iso2 with M4V", Ftyp("iso2", "M4V iso2"), RAW_FILE_TYPE_M4V},
                      BrandCase{"isom avc1 free", TrecStart(), RAW_FILE_TYPE_TREC},
                      BrandCase{"mp42 with mp41 only", Ftyp("mp42", "mp41"), RAW_FILE_TYPE_M4A},
                      BrandCase{"mp42 with mp41 and isom", Ftyp("mp42", "mp41isom"), RAW_FILE_TYPE_MP4},
                      BrandCase{"mp42 with nothing known", Ftyp("mp42", "isom"), RAW_FILE_TYPE_MP4},
                      BrandCase{"brands end at a zero byte", Ftyp("isom", std::string("isom\0M4A ", 9)),
                                RAW_FILE_TYPE_MOV},
                      BrandCase{"capitals are another brand", Ftyp("ISOM", "M4A "), RAW_FILE_TYPE_NONE},
                      BrandCase{"unknown", Ftyp("abcd"), RAW_FILE_TYPE_NONE}));

struct ClaimCase {
  std::string name;
  Bytes start;
  // What the three analysers answer (type, 0 = refused), in the registry's order.
  std::uint32_t mov, mp4, gp;
};
void PrintTo(const ClaimCase& c, std::ostream* os) { *os << c.name; }
class MovClaims : public MovAnalyzerTest, public ::testing::WithParamInterface<ClaimCase> {};

TEST_P(MovClaims, EachAnalyserClaimsItsBrands) {
  const ClaimCase& c = GetParam();
  Bytes sector = FirstSector(c.start);
  const auto ask = [&sector](IRawFileAnalyser& analyser) {
    CRawFileInfo scratch;
    const int claimed = analyser.AnalyseBuffer(sector.data(), scratch);
    EXPECT_EQ(claimed == 1, scratch.m_uRawFileType != RAW_FILE_TYPE_NONE);
    return claimed == 1 ? scratch.m_uRawFileType : 0u;
  };
  EXPECT_EQ(ask(mov_), c.mov);
  EXPECT_EQ(ask(mp4_), c.mp4);
  EXPECT_EQ(ask(gp_), c.gp);
}

// An "ftyp" of `size` bytes with the given major brand.
Bytes SizedFtyp(const std::string& major, std::uint32_t size) {
  Bytes b = Ftyp(major);
  b.resize(size, 'x');
  FieldWriter(b).be32(0, size);
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Registry, MovClaims,
    ::testing::Values(
        ClaimCase{"qt", Ftyp("qt  "), RAW_FILE_TYPE_MOV, 0, 0},
        ClaimCase{"unknown brand is QuickTime", Ftyp("abcd"), RAW_FILE_TYPE_MOV, 0, 0},
        ClaimCase{"isom", Ftyp("isom", "isomiso2mp41"), RAW_FILE_TYPE_MP4, RAW_FILE_TYPE_MP4, 0},
        ClaimCase{"ISOM left to the MP4 analyser", Ftyp("ISOM", "isom"), 0, RAW_FILE_TYPE_MP4, 0},
        ClaimCase{"M4A in capitals and small letters", Ftyp("m4a "), 0, RAW_FILE_TYPE_M4A, 0},
        ClaimCase{"3GP4 left to the 3GP analyser", Ftyp("3GP4"), 0, 0, RAW_FILE_TYPE_3GP},
        ClaimCase{"mmp4 taken by the first", Ftyp("mmp4"), RAW_FILE_TYPE_MP4, RAW_FILE_TYPE_MP4, RAW_FILE_TYPE_3GP},
        ClaimCase{"ftyp of 84 bytes", SizedFtyp("qt  ", 84), 0, 0, 0},
        ClaimCase{"ftyp of 84 bytes, isom", SizedFtyp("isom", 84), 0, RAW_FILE_TYPE_MP4, 0},
        ClaimCase{"ftyp of 84 bytes, 3g2a", SizedFtyp("3g2a", 84), 0, 0, RAW_FILE_TYPE_3GP},
        ClaimCase{"ftyp of 15 bytes", SizedFtyp("qt  ", 15), 0, 0, 0},
        ClaimCase{"ftyp of 16 bytes", SizedFtyp("qt  ", 16), RAW_FILE_TYPE_MOV, 0, 0},
        ClaimCase{"TREC through the MP4 analyser", Join({SizedFtyp("ISOM", 24), Box(8, "free")}), 0,
                  RAW_FILE_TYPE_TREC, 0},
        ClaimCase{"no ftyp", Box(24, "moov"), 0, 0, 0}));

struct MadeCase {
  std::string file;
  std::uint32_t type;
  const char* analyser;  // the one that claims it
};
void PrintTo(const MadeCase& c, std::ostream* os) { *os << c.file; }
class MovMade : public MovAnalyzerTest, public ::testing::WithParamInterface<MadeCase> {};

TEST_P(MovMade, WalkEndsAtTheMovieEnd) {
  const MadeCase& c = GetParam();
  const Bytes file = formats::MadeMovie(c.file)();
  ASSERT_FALSE(file.empty());
  // Small blocks put box headers across block ends.
  for (long long perBlock : {64LL, 3LL}) {
    SCOPED_TRACE(perBlock);
    const auto record = Grow(file, perBlock);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(AnalyserClassName(claimedBy_).c_str(), c.analyser);
    ASSERT_EQ(outcome_.result, 1);
    EXPECT_EQ(record->m_ullSize, file.size());
    EXPECT_EQ(record->m_uRawFileType, c.type);
    // The walk ends in the sector that holds the first byte after the movie.
    EXPECT_EQ(outcome_.sector, kStart + static_cast<long long>(file.size() / kSector));
    RAW_FILE_TAG tag = RAW_FILE_TAG_MOV;
    std::string value;
    record->GetRawFileTagAndValue(tag, value);
    EXPECT_EQ(tag, RAW_FILE_TAG_NONE);
    EXPECT_EQ(record->GetRawFileName(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, MovMade,
                         ::testing::Values(MadeCase{"qt.mov", RAW_FILE_TYPE_MOV, "BruteForce::MovAnalyzer"},
                                           MadeCase{"large.mov", RAW_FILE_TYPE_MOV, "BruteForce::MovAnalyzer"},
                                           MadeCase{"isom.mp4", RAW_FILE_TYPE_MP4, "BruteForce::MovAnalyzer"},
                                           MadeCase{"faststart.mp4", RAW_FILE_TYPE_MP4, "BruteForce::MovAnalyzer"},
                                           MadeCase{"frag.mp4", RAW_FILE_TYPE_MP4, "BruteForce::MovAnalyzer"},
                                           MadeCase{"ipod.m4a", RAW_FILE_TYPE_M4A, "BruteForce::MovAnalyzer"},
                                           MadeCase{"ipod.m4v", RAW_FILE_TYPE_M4V, "BruteForce::MovAnalyzer"},
                                           MadeCase{"phone.3gp", RAW_FILE_TYPE_3GP, "BruteForce::MovAnalyzer"},
                                           MadeCase{"phone.3g2", RAW_FILE_TYPE_3GP, "BruteForce::MovAnalyzer"},
                                           MadeCase{"upper.mp4", RAW_FILE_TYPE_MP4, "BruteForce::Mp4Analyzer"},
                                           MadeCase{"upper.3gp", RAW_FILE_TYPE_3GP, "BruteForce::C3GPAnalyser"}));

TEST_F(MovAnalyzerTest, LargeMdatSizeIsReadFromItsSixtyFourBitField) {
  // ftyp, wide, a 64-bit mdat and moov, followed by zeros: the sum of the four.
  const Bytes file = Join({Ftyp("qt  ", "qt  "), Box(8, "wide"), LargeBox("mdat", 16 + 3000, 3000), Box(700, "moov")});
  const auto record = Grow(file);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, 20u + 8u + 3016u + 700u);
  EXPECT_EQ(record->m_uBoxCount, 4u);
}

TEST_F(MovAnalyzerTest, BackToBackMoviesAreMeasuredApart) {
  const Bytes first = formats::MadeMovie("isom.mp4")();
  const Bytes second = formats::MadeMovie("qt.mov")();
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  const auto record = Grow(Join({first, second, first}));
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, first.size());
  EXPECT_EQ(record->m_uRawFileType, RAW_FILE_TYPE_MP4);
}

struct EndCase {
  std::string name;
  Bytes file;
  std::uint64_t size;  // 0: no file
};
void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }
class MovEnds : public MovAnalyzerTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(MovEnds, WalkStopsAtTheFirstBoxItCannotTake) {
  const EndCase& c = GetParam();
  const auto record = Grow(c.file);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, c.size);
}

const Bytes kQt = Ftyp("qt  ", "qt  ");  // 20 bytes

INSTANTIATE_TEST_SUITE_P(
    Boxes, MovEnds,
    ::testing::Values(
        EndCase{"unknown type", Join({kQt, Box(600, "moov"), Box(64, "abcd"), Box(600, "mdat")}), 620},
        EndCase{"size below 8", Join({kQt, Box(600, "moov"), Box(4, "free"), Box(600, "mdat")}), 620},
        EndCase{"size 1 outside mdat", Join({kQt, Box(600, "moov"), LargeBox("free", 600, 584)}), 620},
        EndCase{"64-bit size below its header", Join({kQt, Box(600, "moov"), LargeBox("mdat", 15, 600)}), 620},
        EndCase{"64-bit size past any movie", Join({kQt, Box(600, "moov"), LargeBox("mdat", 1ULL << 62, 600)}), 620},
        EndCase{"64-bit size at the cap", Join({kQt, LargeBox("mdat", MovAnalyzer::kSizeCap - 19, 600)}), 0},
        EndCase{"second ftyp", Join({kQt, Box(600, "mdat"), Box(900, "moov"), kQt, Box(600, "mdat")}), 1520},
        EndCase{"ftyp alone", Join({kQt, Box(16, "abcd")}), 0},
        EndCase{"ftyp then ftyp", Join({kQt, kQt, Box(600, "mdat")}), 0},
        EndCase{"TSCM with a 64-bit size", Join({kQt, LargeBox("TSCM", 616, 600), Box(800, "moov")}), 1436},
        EndCase{"boxes across sectors", Join({kQt, Box(490, "free"), Box(8, "skip"), Box(9, "udta"),
                                              Box(1200, "mdat"), Box(700, "moov")}),
                2427}));

TEST_F(MovAnalyzerTest, TheCapIsStatedInSubtractionForm) {
  // A walk already 2000 bytes in refuses a box that would take it one byte past the cap.
  const Bytes over = Join({kQt, Box(1980, "mdat"), LargeBox("mdat", MovAnalyzer::kSizeCap - 1999, 600)});
  auto record = Grow(over);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->m_ullSize, 2000u);
  // One byte less is taken: the walk then waits for a sector far past the image.
  const Bytes at = Join({kQt, Box(1980, "mdat"), LargeBox("mdat", MovAnalyzer::kSizeCap - 2000, 600)});
  record = Grow(at);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(outcome_.result, 2);
  record->WillBeRemove(nullptr, -1);
  EXPECT_EQ(record->m_ullSize, MovAnalyzer::kSizeCap);
}

TEST_F(MovAnalyzerTest, ARecordLeavingTheGrowingSetKeepsWhatItWalked) {
  // The moov at the end has not passed yet: the record carries ftyp and mdat.
  const Bytes file = Join({Ftyp("ISOM", "isom"), Box(8, "free"), Box(40000, "mdat"), Box(700, "moov")});
  const auto record = Grow(file, 64, 0);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(claimedBy_, &mp4_);
  Bytes image = Placed(file, 0);
  image.resize((kStart + 20) * kSector);
  const auto early = std::unique_ptr<Record>(dynamic_cast<Record*>(mp4_.CreateRawFileInfo()));
  early->m_llStartSector = kStart;
  early->m_pAnalyser = &mp4_;
  ASSERT_EQ(GrowRecord(*early, ImageSectors(image, kSector), kSector, 64, 20).result, 2);
  early->WillBeRemove(nullptr, 20);
  EXPECT_EQ(early->m_ullSize, 20u + 8u + 40000u);
  EXPECT_NE(dynamic_cast<FileMP4Analyser*>(early->m_pAnalyser), nullptr) << "the MP4 fallback takes over";

  // A QuickTime record has no fallback: it keeps no analyser.
  const auto quick = std::unique_ptr<Record>(dynamic_cast<Record*>(mov_.CreateRawFileInfo()));
  quick->m_llStartSector = kStart;
  quick->m_pAnalyser = &mov_;
  quick->WillBeRemove(nullptr, -1);
  EXPECT_EQ(quick->m_ullSize, 0u);
  EXPECT_EQ(quick->m_pAnalyser, nullptr);
}

struct CameraCase {
  std::string file;
  std::string name;
  std::string label;  // the "MOV" tag value
  std::string time;
};
void PrintTo(const CameraCase& c, std::ostream* os) { *os << c.file; }
class MovCamera : public MovAnalyzerTest, public ::testing::WithParamInterface<CameraCase> {};

TEST_P(MovCamera, ExifInMoovNamesAndLabelsTheMovie) {
  const CameraCase& c = GetParam();
  const Bytes file = formats::MadeMovie(c.file)();
  ASSERT_FALSE(file.empty());
  const auto record = Grow(file);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, file.size());
  EXPECT_EQ(record->GetRawFileName(), c.name);
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  record->GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_MOV);
  EXPECT_EQ(value, c.label);
  EXPECT_EQ(record->GetRawFileTime(), c.time);
}

INSTANTIATE_TEST_SUITE_P(Exiftool, MovCamera,
                         ::testing::Values(CameraCase{"camera.mov", "CANON EOS 80D", "CANON", "2024:05:06 07:08:09"},
                                           // A model without a make stands in for the make.
                                           CameraCase{"model.mov", "", "DMC-FZ1000", ""}));

// An Exif block: a big-endian TIFF header, the text "NIKON" at 8, and at 16 a directory of `entries`
// entries whose first is the Make pointing at that text (the others are empty).
Bytes ExifBlock(std::uint16_t entries) {
  constexpr std::size_t kTiff = 6;
  Bytes b = Text(std::string("Exif\0\0MM\0\x2a\0\0\0\x10NIKON\0\0\0", 22));
  b.resize(kTiff + 16 + 2 + entries * 12u + 4, 0);
  FieldWriter w(b);
  w.be16(kTiff + 16, entries);
  w.be16(kTiff + 18, 271);
  w.be16(kTiff + 20, 2);
  w.be32(kTiff + 22, 6);
  w.be32(kTiff + 26, 8);
  return b;
}

TEST_F(MovAnalyzerTest, ExifEntryCountIsBoundedByTheBytesLeftAfterTheDirectory) {
  // The moov starts 1528 bytes in; its directory count lies at 1528 + 8 + 108 + 6 + 16 = 1666. Blocks
  // of 8 sectors, the file starting at sector 3: the first block holds the file up to 2560, which
  // leaves room for (2560 - 1668) / 12 = 74 entries after the count.
  const auto movie = [](std::uint16_t entries) {
    const Bytes moov = Box(8 + 1400, "moov", Join({Box(108, "mvhd"), ExifBlock(entries)}));
    return Join({kQt, Box(8, "wide"), Box(1500, "mdat"), moov});
  };
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  for (std::uint16_t entries : {1, 74}) {
    SCOPED_TRACE(entries);
    const auto record = Grow(movie(entries), 8);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->m_ullSize, movie(entries).size());
    record->GetRawFileTagAndValue(tag, value);
    EXPECT_EQ(tag, RAW_FILE_TAG_MOV);
    EXPECT_EQ(value, "NIKON");
  }
  // 75 entries run past the held data (though not past the search's buffer): the block is not read.
  const auto spoiled = Grow(movie(75), 8);
  ASSERT_NE(spoiled, nullptr);
  EXPECT_EQ(spoiled->m_ullSize, movie(75).size());
  EXPECT_EQ(spoiled->m_strMake, "");
  spoiled->GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_NONE);
}

// ftyp "qt", wide, mdat and a moov that fills the file up to `tail` bytes into its last sector.
Bytes QuickTimeEndingAt(std::size_t moovAtLeast, std::size_t tail) {
  Bytes file = Join({kQt, Box(8, "wide"), Box(2000, "mdat"), Box(static_cast<std::uint32_t>(moovAtLeast), "moov")});
  file.resize((file.size() / kSector + 1) * kSector + tail, 0x33);
  FieldWriter(file).be32(28 + 2000, static_cast<std::uint32_t>(file.size() - 28 - 2000));
  return file;
}

void Put(Bytes& b, std::size_t at, const std::string& text) {
  std::memcpy(b.data() + at, text.c_str(), text.size() + 1);
}

TEST_F(MovAnalyzerTest, DeviceNameNearTheEndLabelsAQuickTimeMovie) {
  // The walk ends in the movie's last sector, 100 bytes into it, where the device's name stands.
  Bytes file = QuickTimeEndingAt(1200, 100);
  const std::size_t lastSector = file.size() / kSector * kSector;
  Put(file, lastSector + 20, "iPhone 12 Pro");
  const auto record = Grow(file);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, file.size());
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  record->GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_MOV);
  EXPECT_EQ(value, "IPHONE 12 PRO");
  EXPECT_EQ(record->GetRawFileName(), "");

  // An MP4 (one moov, "iso" brand) is not searched for device names.
  Bytes mp4 = file;
  std::memcpy(mp4.data() + 8, "isom", 4);
  std::memcpy(mp4.data() + 16, "isom", 4);
  const auto other = Grow(mp4);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->m_uRawFileType, RAW_FILE_TYPE_MP4);
  other->GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_NONE);
}

TEST_F(MovAnalyzerTest, AfterFragmentDefaultsTheDeviceNameIsLookedForFurtherBack) {
  // "trex" just before the last sector; the name lies 1000 bytes before it.
  Bytes file = QuickTimeEndingAt(2400, 50);
  const std::size_t lastSector = file.size() / kSector * kSector;
  std::memcpy(file.data() + lastSector - 10, "trex", 4);
  Put(file, lastSector - 1000, "iPad Pro");
  auto record = Grow(file);
  ASSERT_NE(record, nullptr);
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  record->GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(value, "IPAD PRO");

  // Without "trex" only the bytes around the last sector's start are searched.
  std::memcpy(file.data() + lastSector - 10, "xxxx", 4);
  record = Grow(file);
  ASSERT_NE(record, nullptr);
  record->GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_NONE);
}

using MovCompleteScan = RawResultTest;

// A camera movie found by a real complete scan: named after the model, filed under its make.
TEST_F(MovCompleteScan, CameraMovieIsNamedAndLabelled) {
  const Bytes movie = formats::MadeMovie("camera.mov")();
  ASSERT_FALSE(movie.empty());
  ImageBuilder image(400, kSector, ImageFill::kZero);
  image.Place("camera.mov", 100, movie);
  auto device = image.MakeDevice();
  RecordingTreeSink sink;
  unsigned long long result = ~0ULL;
  const ScanController controller = RunCompleteScan(*device, sink, result);
  ASSERT_EQ(result, 0u);
  const auto found = FilesByStartSector(sink, true);
  const auto node = found.find(100);
  ASSERT_NE(node, found.end());
  const std::string name = node->second->GetFileName();
  EXPECT_TRUE(name.starts_with("CANON EOS 80D")) << name;
  EXPECT_TRUE(name.ends_with(".MOV")) << name;
  EXPECT_NE(RecordingTreeSink::PathOf(node->second).find("(Label RAW Files)/MOV/CANON"), std::string::npos)
      << RecordingTreeSink::PathOf(node->second);
  std::unique_ptr<IDataRecovery, RecoveryDeleter> recovery(controller->GetDataRecovery(SEARCHER_RAW));
  ASSERT_NE(recovery, nullptr);
  TempDir dir;
  const auto out = dir / "camera.mov";
  ASSERT_FALSE(quellsy::IsFailure(recovery->RecoverNodeTo(node->second, out.c_str(), nullptr, 0)));
  EXPECT_EQ(Sha256Hex(ReadFile(out)), Sha256Hex(movie));
}

}  // namespace
}  // namespace quellsy::test
