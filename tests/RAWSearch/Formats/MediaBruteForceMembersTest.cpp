// The media members of the growing analysers: transport streams (188- and 192-byte packets) with
// their one-stream-at-a-time flag, ADTS audio, ASF files typed by their streams, and Monkey's Audio
// with and without a tag. Streams are made with ffmpeg; Monkey's Audio headers are built by hand.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Formats/FormatSamples.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Audio/CADTSAnalyser.h"
#include "RAWSearch/Formats/Audio/CAPEAnalyser.h"
#include "RAWSearch/Formats/Video/CAsfAnalyser.h"
#include "RAWSearch/Formats/Video/CM2TSAnalyser.h"
#include "RAWSearch/Framework/RawFollowedStreams.h"
#include "RawSearchTestSupport.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

using formats::Expect;
using formats::Made;

constexpr unsigned kSector = 512;
constexpr long long kStart = 3;
const char* const kMedia = "tests/RAWSearch/Formats/make-stream-samples.sh";

Bytes Placed(const Bytes& file, long long room = 64) {
  Bytes image(kStart * kSector, 0);
  image.insert(image.end(), file.begin(), file.end());
  image.resize((image.size() + kSector - 1) / kSector * kSector + static_cast<std::size_t>(room) * kSector, 0);
  return image;
}

Grown Grow(IRawFileAnalyser& analyser, const Bytes& image, long long maxSectors = 8192) {
  return GrowFromSector(analyser, image, kStart, kSector, maxSectors);
}

class MediaMembers : public RawSearchTest {
 protected:
  void SetUp() override {
    RawSearchTest::SetUp();
    BruteForce::CM2TSAnalyser::ResetStreamState();
    BruteForce::CADTSAnalyser::ResetStreamState();
  }
  void TearDown() override {
    BruteForce::CM2TSAnalyser::ResetStreamState();
    BruteForce::CADTSAnalyser::ResetStreamState();
    ResetFollowedStreams();
  }
};

// --- transport streams ---

struct StreamCase {
  std::string file;
  std::uint32_t packet;
};
void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.file; }
class TransportStreams : public MediaMembers, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(TransportStreams, EndAtTheFirstPacketWithoutSync) {
  const Bytes ts = Made(kMedia, GetParam().file)();
  ASSERT_FALSE(ts.empty());
  ASSERT_EQ(ts.size() % GetParam().packet, 0u);
  BruteForce::CM2TSAnalyser analyser;
  const Grown g = Grow(analyser, Placed(ts));
  ASSERT_TRUE(g.record);
  // The stream ended: new streams are taken again.
  EXPECT_FALSE(BruteForce::CM2TSAnalyser::Following());
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, ts.size());
  EXPECT_EQ(g.record->m_uRawFileType, RAW_FILE_TYPE_M2TS);
}

INSTANTIATE_TEST_SUITE_P(Made, TransportStreams,
                         ::testing::Values(StreamCase{"clip.ts", 188}, StreamCase{"clip.m2ts", 192}));

TEST_F(MediaMembers, FollowedStreamBlocksNewOnesUntilItEnds) {
  const Bytes ts = Made(kMedia, "clip.ts")();
  ASSERT_FALSE(ts.empty());
  BruteForce::CM2TSAnalyser analyser;
  Bytes image = Placed(ts);
  CRawFileInfo scratch;
  ASSERT_EQ(analyser.AnalyseBuffer(image.data() + kStart * kSector, scratch), 1);
  EXPECT_TRUE(BruteForce::CM2TSAnalyser::Following());
  EXPECT_EQ(analyser.AnalyseBuffer(image.data() + kStart * kSector, scratch), 0);
  std::unique_ptr<CRawFileInfo> record(analyser.CreateRawFileInfo());
  record->m_llStartSector = kStart;
  const GrowOutcome outcome = GrowRecord(*record, ImageSectors(image, kSector), kSector, 64, 100);
  EXPECT_EQ(outcome.result, 2);
  // Leaving the growing set files the packets followed and frees the flag.
  record->WillBeRemove(nullptr, -1);
  EXPECT_FALSE(BruteForce::CM2TSAnalyser::Following());
  // Every packet whose sync byte was seen counts.
  EXPECT_EQ(record->m_ullSize, (100 * kSector + 187) / 188 * 188);
  EXPECT_EQ(analyser.AnalyseBuffer(image.data() + kStart * kSector, scratch), 1);
  // The search's release clears it too, and a new analyser starts clean.
  ReleaseFollowedStreams(nullptr);
  EXPECT_FALSE(BruteForce::CM2TSAnalyser::Following());
}

TEST_F(MediaMembers, ShortStreamEndsWithoutSize) {
  const Bytes ts = Made(kMedia, "tiny.ts")();
  ASSERT_FALSE(ts.empty());
  ASSERT_LT(ts.size(), 20480u);
  BruteForce::CM2TSAnalyser analyser;
  const Grown g = Grow(analyser, Placed(ts));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, 0u);
  EXPECT_FALSE(BruteForce::CM2TSAnalyser::Following());
}

// --- ADTS ---

TEST_F(MediaMembers, AdtsStreamIsTheSumOfItsFrames) {
  const Bytes aac = Made(kMedia, "tone.aac")();
  ASSERT_FALSE(aac.empty());
  BruteForce::CADTSAnalyser analyser;
  const Grown g = Grow(analyser, Placed(aac));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, aac.size());
  EXPECT_EQ(g.record->m_uRawFileType, RAW_FILE_TYPE_M4A);
  EXPECT_FALSE(BruteForce::CADTSAnalyser::Following());
}

TEST_F(MediaMembers, AdtsFramesOfAFollowedStreamStartNoHits) {
  const Bytes aac = Made(kMedia, "tone.aac")();
  ASSERT_FALSE(aac.empty());
  Bytes buffer = aac;
  buffer.resize(aac.size() + 4096, 0);
  BruteForce::CADTSAnalyser analyser;
  CRawFileInfo scratch;
  const long long blockEnd = static_cast<long long>(aac.size() / kSector);
  ASSERT_EQ(analyser.AnalyseBufferEx(buffer.data(), scratch, kSector, 0, 0, blockEnd), 1);
  EXPECT_TRUE(BruteForce::CADTSAnalyser::Following());
  // The second frame, as if a sector started there.
  const std::uint32_t first = BruteForce::CADTSAnalyser::FrameLength(buffer.data());
  EXPECT_EQ(analyser.AnalyseBufferEx(buffer.data() + first, scratch, kSector, 1, 0, blockEnd), 0);
  // The search's release at its end frees it.
  ReleaseFollowedStreams(nullptr);
  EXPECT_FALSE(BruteForce::CADTSAnalyser::Following());
  EXPECT_EQ(analyser.AnalyseBufferEx(buffer.data() + first, scratch, kSector, 1, 0, blockEnd), 1);
}

TEST_F(MediaMembers, AdtsStreamRunningIntoOtherDataHasNoSize) {
  Bytes aac = Made(kMedia, "tone.aac")();
  ASSERT_FALSE(aac.empty());
  // Other data right behind the last frame, to the end of that sector and beyond.
  aac.resize((aac.size() / kSector + 2) * kSector, 0x5A);
  BruteForce::CADTSAnalyser analyser;
  const Grown g = Grow(analyser, Placed(aac));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, 0u);
}

TEST_F(MediaMembers, AdtsOverflowNeedsFiveFrames) {
  const Bytes aac = Made(kMedia, "tone.aac")();
  ASSERT_GT(aac.size(), 2u * kSector);
  // A stream cut after 700 bytes, of which the test sees one sector: fewer than five frames start
  // in it, and the buffered data end inside the frames.
  constexpr std::size_t kCut = 700;
  Bytes buffer(aac.begin(), aac.begin() + kCut);
  std::size_t frames = 0;
  for (std::size_t at = 0; at < kCut; ++frames) at += BruteForce::CADTSAnalyser::FrameLength(&buffer[at]);
  ASSERT_LT(frames, 5u);
  buffer.resize(8 * kSector, 0);
  BruteForce::CADTSAnalyser analyser;
  CRawFileInfo scratch;
  ASSERT_EQ(analyser.AnalyseBufferEx(buffer.data(), scratch, kSector, 10, 0, 11), 1);
  EXPECT_TRUE(BruteForce::CADTSAnalyser::Overflow());
  std::unique_ptr<CRawFileInfo> record(analyser.CreateRawFileInfo());
  record->m_llStartSector = 10;
  int result = 2;
  for (long long n = 10; n < 14 && result == 2; ++n) {
    CRawFileInfo::SearchContext context;
    context.llBlockEndSector = 14;
    context.uTrailingZeroBytes = TrailingZeroWords(&buffer[static_cast<std::size_t>(n - 10) * kSector], kSector);
    result = record->CalcRawSize(&buffer[static_cast<std::size_t>(n - 10) * kSector], kSector, n, context);
  }
  EXPECT_EQ(result, 1);
  EXPECT_EQ(record->m_ullSize, 0u);
  EXPECT_FALSE(BruteForce::CADTSAnalyser::Overflow());
}

// --- ASF ---

struct AsfCase {
  std::string file;
  std::uint32_t type;
};
void PrintTo(const AsfCase& c, std::ostream* os) { *os << c.file; }
class AsfFiles : public MediaMembers, public ::testing::WithParamInterface<AsfCase> {};

TEST_P(AsfFiles, TypedByTheirStreams) {
  const Bytes asf = Made(kMedia, GetParam().file)();
  ASSERT_FALSE(asf.empty());
  BruteForce::CAsfAnalyser analyser;
  const Grown g = Grow(analyser, Placed(asf));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, asf.size());
  EXPECT_EQ(g.record->m_uRawFileType, GetParam().type);
}

// One video and one audio stream: WMV; audio alone or two audio streams: WMA.
INSTANTIATE_TEST_SUITE_P(Made, AsfFiles,
                         ::testing::Values(AsfCase{"clip.wmv", RAW_FILE_TYPE_WMV},
                                           AsfCase{"tone.wma", RAW_FILE_TYPE_WMA},
                                           AsfCase{"twotone.wma", RAW_FILE_TYPE_WMA}));

TEST(AsfGuids, StoredLittleEndianInTheirFirstThreeParts) {
  const auto guid = BruteForce::AsfGuid("75B22630-668E-11CF-A6D9-00AA0062CE6C");
  const std::array<std::uint8_t, 16> stored = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                               0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  EXPECT_EQ(guid, stored);
}

// --- Monkey's Audio ---

// A 3.99 file: descriptor (52 bytes), header (24 bytes), seek table, frame data; `title` adds an APE
// tag with a header behind the audio.
Bytes ApeFile(std::uint32_t frameBytes, const std::string& title) {
  Bytes b = formats::Body(52 + 24 + 16 + frameBytes);
  quellsy::FieldWriter w(b);
  formats::PutText(b, 0, "MAC ");
  w.le16(4, 3990);
  w.le32(8, 52);
  w.le32(12, 24);
  w.le32(16, 16);
  w.le32(20, 0);
  w.le32(24, frameBytes);
  w.le32(28, 0);
  w.le32(32, 0);
  w.le16(52 + 16, 16);
  w.le16(52 + 18, 2);
  if (title.empty()) return b;
  Bytes items;
  const auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) items.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  u32(static_cast<std::uint32_t>(title.size()));
  u32(0);
  for (char c : std::string("Title")) items.push_back(static_cast<std::uint8_t>(c));
  items.push_back(0);
  items.insert(items.end(), title.begin(), title.end());
  const auto tagPart = [&](std::uint32_t flags) {
    Bytes part(32, 0);
    formats::PutText(part, 0, "APETAGEX");
    quellsy::FieldWriter pw(part);
    pw.le32(8, 2000);
    pw.le32(12, static_cast<std::uint32_t>(items.size() + 32));
    pw.le32(16, 1);
    pw.le32(20, flags);
    return part;
  };
  const Bytes header = tagPart(0xA0000000);
  const Bytes footer = tagPart(0x80000000);
  b.insert(b.end(), header.begin(), header.end());
  b.insert(b.end(), items.begin(), items.end());
  b.insert(b.end(), footer.begin(), footer.end());
  return b;
}

TEST_F(MediaMembers, ApeWithoutTagIsItsStatedLength) {
  const Bytes ape = ApeFile(20000, "");
  BruteForce::CAPEAnalyser analyser;
  const Grown g = Grow(analyser, Placed(ape));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, ape.size());
  EXPECT_EQ(g.record->m_uRawFileType, RAW_FILE_TYPE_APE);
}

TEST_F(MediaMembers, ApeTagIsTakenInAndNamesTheFile) {
  const Bytes ape = ApeFile(20000, "Quiet Song");
  BruteForce::CAPEAnalyser analyser;
  const Grown g = Grow(analyser, Placed(ape));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, ape.size());
  EXPECT_EQ(g.record->GetRawFileName(), "Quiet Song");
}

TEST_F(MediaMembers, ApeOldVersionEndsWhereItsDataEnd) {
  // Version 3.95: 32-byte header with a seek-element count (flag 16, no WAV header: flag 32), a seek
  // table of three entries, frames up to 9001 bytes, then zeros.
  Bytes b = formats::Body(9001);
  formats::PutText(b, 0, "MAC ");
  quellsy::FieldWriter w(b);
  w.le16(4, 3950);
  w.le16(8, 16 | 32);
  w.le16(10, 2);
  w.le32(32, 3);
  w.le32(36, 48);
  w.le32(40, 4000);
  w.le32(44, 8000);
  BruteForce::CAPEAnalyser analyser;
  const Grown g = Grow(analyser, Placed(b));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  // 16-bit stereo: blocks of 4 bytes; 9001 rounded up to 9004, and one block more.
  EXPECT_EQ(g.record->m_ullSize, 9008u);
}

TEST_F(MediaMembers, ApeOfImpossibleVersionIsDropped) {
  Bytes b = ApeFile(2000, "");
  quellsy::FieldWriter(b).le16(4, 999);
  BruteForce::CAPEAnalyser analyser;
  const Grown g = Grow(analyser, Placed(b));
  ASSERT_TRUE(g.record);
  EXPECT_EQ(g.outcome.result, 1);
  EXPECT_EQ(g.record->m_ullSize, 0u);
}

const formats::ScanSampleRegistrar kScanSamples({
    {"BruteForce::CM2TSAnalyser", "transport stream", Made(kMedia, "clip.ts"), RAW_FILE_TYPE_M2TS, Expect::kExact},
    {"BruteForce::CM2TSAnalyser", "m2ts", Made(kMedia, "clip.m2ts"), RAW_FILE_TYPE_M2TS, Expect::kExact},
    {"BruteForce::CADTSAnalyser", "adts", Made(kMedia, "tone.aac"), RAW_FILE_TYPE_M4A, Expect::kExact},
    {"BruteForce::CAsfAnalyser", "wmv", Made(kMedia, "clip.wmv"), RAW_FILE_TYPE_WMV, Expect::kExact},
    {"BruteForce::CAsfAnalyser", "wma", Made(kMedia, "tone.wma"), RAW_FILE_TYPE_WMA, Expect::kExact},
    {"BruteForce::CAPEAnalyser", "ape tagged", [] { return ApeFile(30000, "Quiet Song"); }, RAW_FILE_TYPE_APE,
     Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test
