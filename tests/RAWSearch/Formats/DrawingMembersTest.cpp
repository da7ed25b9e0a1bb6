// DWG drawings sized from their headers (R15 section locators built by hand, R2004-family and R2007
// headers of real drawings, whose compressed R2007 header also exercises the decompressor's bounds),
// FreeHand 11 documents, and every growing member measured on the public samples.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Formats/FormatSamples.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Audio/CADTSAnalyser.h"
#include "RAWSearch/Formats/Audio/CAPEAnalyser.h"
#include "RAWSearch/Formats/Document/CDWGAnalyser.h"
#include "RAWSearch/Formats/Document/CFCPEvtAnalyser.h"
#include "RAWSearch/Formats/Document/CFH11Analyser.h"
#include "RAWSearch/Formats/Image/CGifAnalyser.h"
#include "RAWSearch/Formats/Video/CAsfAnalyser.h"
#include "RAWSearch/Framework/RawFollowedStreams.h"
#include "RawSearchTestSupport.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

using formats::Expect;
using formats::Fh11File;
using formats::Sample;

constexpr unsigned kSector = 512;
constexpr long long kStart = 3;

Bytes Placed(const Bytes& file, long long room = 64) {
  Bytes image(kStart * kSector, 0);
  image.reserve(image.size() + file.size());
  image.insert(image.end(), file.begin(), file.end());
  image.resize((image.size() + kSector - 1) / kSector * kSector + static_cast<std::size_t>(room) * kSector, 0);
  return image;
}

Grown Grow(IRawFileAnalyser& analyser, const Bytes& image) {
  return GrowFromSector(analyser, image, kStart, kSector, 1 << 16);
}

// --- DWG ---

// An R15 header whose locator lists three sections, the furthest ending at `end`.
Bytes R15Drawing(std::uint32_t end) {
  Bytes b = formats::Body(end);
  formats::PutText(b, 0, "AC1015");
  quellsy::FieldWriter w(b);
  w.le32(21, 3);
  const std::uint32_t seekers[3] = {100, 2000, end - 500};
  for (std::uint32_t i = 0; i < 3; ++i) {
    b[25 + 9 * i] = static_cast<std::uint8_t>(i);
    w.le32(26 + 9 * i, seekers[i]);
    w.le32(30 + 9 * i, i == 2 ? 500 : 100);
  }
  return b;
}

TEST(DwgMember, R15LocatorGivesTheFurthestSection) {
  const Bytes dwg = R15Drawing(7000);
  BruteForce::CDWGAnalyser analyser;
  const Grown g = Grow(analyser, Placed(dwg));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, 7000u);
  EXPECT_EQ(g.record->m_uRawFileType, RAW_FILE_TYPE_DWG);
}

TEST(DwgMember, R15RecordOutOfOrderDropsTheHit) {
  Bytes dwg = R15Drawing(7000);
  dwg[25 + 9] = 5;
  BruteForce::CDWGAnalyser analyser;
  const Grown g = Grow(analyser, Placed(dwg));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, 0u);
}

TEST(DwgMember, OldVersionsAndOtherTextAreNotSized) {
  BruteForce::CDWGAnalyser analyser;
  Bytes old = formats::Body(2000);
  formats::PutText(old, 0, "AC1009");
  const Grown g = Grow(analyser, Placed(old));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.record->m_ullSize, 0u);
  Bytes other = formats::Body(600);
  formats::PutText(other, 0, "AC1099");
  CRawFileInfo scratch;
  EXPECT_EQ(analyser.AnalyseBuffer(other.data(), scratch), 0);
}

TEST(DwgMember, ScramblingIsItsOwnInverse) {
  std::array<unsigned char, 0x6C> header{};
  const std::string id = "AcFssFcAJMB";
  std::copy(id.begin(), id.end(), header.begin());
  auto copy = header;
  BruteForce::CDWGRawInfo::getCrcData(copy.data());
  EXPECT_NE(copy, header);
  // The first key byte: (1 x 214013 + 2531011) >> 16, low byte = 0x29; 'A' ^ 0x29 = 0x68.
  EXPECT_EQ(copy[0], 0x68);
  BruteForce::CDWGRawInfo::getCrcData(copy.data());
  EXPECT_EQ(copy, header);
}

TEST(DwgMember, DecompressorStaysInsideItsBuffers) {
  std::array<unsigned char, 272> out{};
  // A literal run longer than the output, a back reference before the start, a cut instruction.
  const std::vector<std::vector<unsigned char>> inputs = {
      {0x0F, 0xFF, 0xFF, 0xFF, 0x01}, {0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x30, 0xF8}, {0x00, 'a'}, {0x20}};
  for (const auto& input : inputs) {
    out.fill(0);
    EXPECT_FALSE(BruteForce::CDWGRawInfo::DecompressR2007(input.data(), input.size(), out.data(), out.size()));
  }
  EXPECT_FALSE(BruteForce::CDWGRawInfo::DecompressR2007(nullptr, 4, out.data(), out.size()));
}

// --- FreeHand 11 ---

TEST(Fh11Member, EndsWhereTheDataGiveWayToZeros) {
  // Pattern bytes to the end: the file ends with its last byte.
  const Bytes fh = Fh11File(3004);
  BruteForce::CFH11Analyser analyser;
  const Grown g = Grow(analyser, Placed(fh));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, 3004u);
  EXPECT_EQ(g.record->m_uRawFileType, RAW_FILE_TYPE_FH11);
}

TEST(Fh11Member, OtherVersionsAndNullAreRefused) {
  BruteForce::CFH11Analyser analyser;
  Bytes fh = Fh11File(600);
  fh[35] = '0';
  CRawFileInfo scratch;
  EXPECT_EQ(analyser.AnalyseBuffer(fh.data(), scratch), 0);
  EXPECT_EQ(analyser.AnalyseBuffer(nullptr, scratch), 0);
}

// --- the public samples ---

struct PublicCase {
  std::string file;
  std::function<IRawFileAnalyser*()> make;
  std::uint32_t type;
  Expect expect;
};
void PrintTo(const PublicCase& c, std::ostream* os) { *os << c.file; }
class PublicSamples : public RawSearchTest, public ::testing::WithParamInterface<PublicCase> {
 protected:
  void TearDown() override {
    ReleaseFollowedStreams(nullptr);
    ResetFollowedStreams();
    RawSearchTest::TearDown();
  }
};

TEST_P(PublicSamples, MeasuredAsTheirStructureSays) {
  const PublicCase& c = GetParam();
  const Bytes file = Sample(c.file)();
  ASSERT_FALSE(file.empty());
  std::unique_ptr<IRawFileAnalyser> analyser(c.make());
  const Grown g = Grow(*analyser, Placed(file));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, formats::ExpectedSize(c.expect, file.size(), 0));
  EXPECT_EQ(g.record->m_uRawFileType, c.type);
}

INSTANTIATE_TEST_SUITE_P(
    MimetypeTestdata, PublicSamples,
    ::testing::Values(
        PublicCase{"dwg.dwg", &BruteForce::CDWGAnalyser::Create, RAW_FILE_TYPE_DWG, Expect::kExact},
        PublicCase{"dwg.1.dwg", &BruteForce::CDWGAnalyser::Create, RAW_FILE_TYPE_DWG, Expect::kExact},
        PublicCase{"ape.ape", &BruteForce::CAPEAnalyser::Create, RAW_FILE_TYPE_APE, Expect::kExact},
        PublicCase{"asf.asf", &BruteForce::CAsfAnalyser::Create, RAW_FILE_TYPE_WMV, Expect::kExact},
        PublicCase{"aac.aac", &BruteForce::CADTSAnalyser::Create, RAW_FILE_TYPE_M4A, Expect::kExact},
        PublicCase{"gif.gif", &BruteForce::CGifAnalyser::Create, RAW_FILE_TYPE_GIF, Expect::kExact},
        PublicCase{"sqlite.sqlite", &BruteForce::CFCPEvtAnalyser::Create, RAW_FILE_TYPE_FCPEVENT, Expect::kExact}));

const formats::ScanSampleRegistrar kScanSamples({
    {"BruteForce::CDWGAnalyser", "dwg r2010", Sample("dwg.dwg"), RAW_FILE_TYPE_DWG, Expect::kExact},
    {"BruteForce::CDWGAnalyser", "dwg r2007", Sample("dwg.1.dwg"), RAW_FILE_TYPE_DWG, Expect::kExact},
    {"BruteForce::CDWGAnalyser", "dwg r15", [] { return R15Drawing(9000); }, RAW_FILE_TYPE_DWG, Expect::kExact},
    {"BruteForce::CFH11Analyser", "freehand 11", [] { return Fh11File(3004); }, RAW_FILE_TYPE_FH11, Expect::kExact},
    {"BruteForce::CAPEAnalyser", "ape sample", Sample("ape.ape"), RAW_FILE_TYPE_APE, Expect::kExact},
    {"BruteForce::CAsfAnalyser", "asf sample", Sample("asf.asf"), RAW_FILE_TYPE_WMV, Expect::kExact},
    {"BruteForce::CGifAnalyser", "gif sample", Sample("gif.gif"), RAW_FILE_TYPE_GIF, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test
