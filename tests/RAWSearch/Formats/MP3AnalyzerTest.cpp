// MPEG audio grown sector by sector: frame streams measured to their last frame or tag, short streams
// and tagged files handed to the plain analyser, and the one-stream-at-a-time rule of the search's test.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CompleteScanSupport.h"
#include "Formats/FormatSamples.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Audio/FileMP3Analyser.h"
#include "RAWSearch/Formats/Audio/MP3Analyzer.h"
#include "RawResultTestSupport.h"
#include "RawSearchTestSupport.h"
#include "include/IDataRecovery.h"
#include "include/IDataRunList.h"
#include "support/ImageBuilder.h"
#include "support/RecordingTreeSink.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using BruteForce::MP3Analyzer;
using Record = MP3Analyzer::MP3RawFileInfo;

constexpr unsigned kSector = 512;
constexpr long long kStart = 3;

// `file` at sector kStart of a zero image with room behind it.
Bytes Placed(const Bytes& file) {
  Bytes image(kStart * kSector, 0);
  image.insert(image.end(), file.begin(), file.end());
  image.resize(image.size() + 64 * kSector, 0);
  return image;
}

class MP3AnalyzerTest : public RawSearchTest {
 protected:
  void SetUp() override {
    RawSearchTest::SetUp();
    MP3Analyzer::ResetStreamState();
  }
  void TearDown() override { MP3Analyzer::ResetStreamState(); }

  std::unique_ptr<Record> Grow(const Bytes& image, long long sectorsPerBlock = 64) {
    std::unique_ptr<Record> record(dynamic_cast<Record*>(analyser_.CreateRawFileInfo()));
    record->m_llStartSector = kStart;
    record->m_pAnalyser = &analyser_;
    outcome_ = GrowRecord(*record, ImageSectors(image, kSector), kSector, sectorsPerBlock, 4096);
    return record;
  }

  MP3Analyzer analyser_;
  GrowOutcome outcome_;
};

struct StreamCase {
  std::string file;
  std::uint64_t extra;       // bytes measured past the file (0: the file's own length)
  std::string name;          // empty: named by start and end sector
  std::string artist;
};
void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.file; }
class MP3Streams : public MP3AnalyzerTest, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(MP3Streams, FrameStreamEndsAtItsLastFrameOrTag) {
  const StreamCase& c = GetParam();
  const Bytes file = formats::MadeMp3(c.file)();
  ASSERT_FALSE(file.empty());
  const auto record = Grow(Placed(file));
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, file.size() + c.extra);
  EXPECT_EQ(record->m_uRawFileType, RAW_FILE_TYPE_MP3);
  const std::string expectedName =
      c.name.empty() ? std::to_string(kStart) + "-" + std::to_string(outcome_.sector) + "_" : c.name;
  EXPECT_EQ(record->GetRawFileName(), expectedName);
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  record->GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, c.artist.empty() ? RAW_FILE_TAG_NONE : RAW_FILE_TAG_ARTISTS);
  EXPECT_EQ(value, c.artist);
}

INSTANTIATE_TEST_SUITE_P(Made, MP3Streams,
                         ::testing::Values(StreamCase{"bare.mp3", 0, "", ""}, StreamCase{"info.mp3", 0, "", ""},
                                           StreamCase{"vbr.mp3", 0, "", ""},
                                           StreamCase{"v1.mp3", 0, "Tail Band_Tail Song", "Tail Band"}));

TEST_F(MP3AnalyzerTest, StrayTagAfterTheLastFrameIsTakenIn) {
  Bytes file = formats::MadeMp3("bare.mp3")();
  ASSERT_FALSE(file.empty());
  const std::size_t end = file.size();
  // Five stray bytes, then a tag: the file ends 128 bytes past "TAG".
  const Bytes stray = {1, 2, 3, 4, 5, 'T', 'A', 'G'};
  file.insert(file.end(), stray.begin(), stray.end());
  file.resize(end + 5 + 128, 'x');
  const auto record = Grow(Placed(file));
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, end + 5 + 128);
}

// An ID3v2 header whose synchsafe size is `size`, then that many bytes of padding.
Bytes Id3v2Padding(std::uint32_t size) {
  Bytes tag = {'I', 'D', '3', 3, 0, 0};
  for (int shift : {21, 14, 7, 0}) tag.push_back(static_cast<std::uint8_t>((size >> shift) & 0x7F));
  tag.resize(10 + size, 0);
  return tag;
}

TEST_F(MP3AnalyzerTest, ShortStreamsBadTagsAndTagsWithoutFramesGoToThePlainAnalyser) {
  Bytes badTag = formats::MadeMp3("id3v23.mp3")();
  ASSERT_FALSE(badTag.empty());
  badTag[6] = 0x80;  // not synchsafe
  Bytes noFrames = Id3v2Padding(300);
  const Bytes junk = formats::Body(30000);
  noFrames.insert(noFrames.end(), junk.begin(), junk.end());
  for (const auto& [name, file] : {std::pair{"short.mp3", formats::MadeMp3("short.mp3")()},
                                   std::pair{"tag size not synchsafe", badTag},
                                   std::pair{"no frames behind the tag", noFrames}}) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(file.empty());
    const auto record = Grow(Placed(file));
    EXPECT_EQ(outcome_.result, 1);
    EXPECT_EQ(record->m_ullSize, 0u);
    record->WillBeRemove(nullptr, -1);
    EXPECT_EQ(record->m_pAnalyser, analyser_.Fallback());
  }
}

struct TaggedCase {
  std::string name;
  std::function<Bytes()> file;
  std::string namePrefix;  // empty: named by start and end sector
  std::string label;       // the "Artists" value
};
void PrintTo(const TaggedCase& c, std::ostream* os) { *os << c.name; }
class MP3Tagged : public MP3AnalyzerTest, public ::testing::WithParamInterface<TaggedCase> {};

// A tagged file ends where its frame chain ends, with the ID3v1 tag there; the ID3v2 tag names it.
TEST_P(MP3Tagged, TaggedFileEndsInTheSectorWhereTheZerosBegin) {
  const TaggedCase& c = GetParam();
  const Bytes file = c.file();
  ASSERT_FALSE(file.empty());
  const auto record = Grow(Placed(file));
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, file.size());
  EXPECT_EQ(outcome_.sector, kStart + static_cast<long long>(file.size() / kSector));
  const std::string name = record->GetRawFileName();
  EXPECT_TRUE(name.starts_with(c.namePrefix)) << name;
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  record->GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(value, c.label);
}

INSTANTIATE_TEST_SUITE_P(
    Made, MP3Tagged,
    ::testing::Values(
        // ID3v1 tag at the end; names from the ID3v2 tag with the start sector.
        TaggedCase{"id3v23", formats::MadeMp3("id3v23.mp3"), "Some Band_First Song 3_", "Some Band"},
        // No ID3v1 tag: the last frame ends the file.
        TaggedCase{"utf16", formats::MadeMp3("utf16.mp3"), "B\xC3\xA4nd \xC3\x9Cn\xC3\xAF_S\xC3\xB4ng 3_",
                   "B\xC3\xA4nd \xC3\x9Cn\xC3\xAF"},
        // An ID3v2 tag without names: the ID3v1 tag names the file.
        TaggedCase{"names from ID3v1",
                   [] {
                     Bytes file = Id3v2Padding(300);
                     const Bytes v1 = formats::MadeMp3("v1.mp3")();
                     if (v1.empty()) return Bytes{};
                     file.insert(file.end(), v1.begin(), v1.end());
                     return file;
                   },
                   "Tail Band_Tail Song", "Tail Band"},
        // Filling its last sector; a title alone names the file but labels nothing.
        TaggedCase{"titled", formats::MadeMp3("titled.mp3"), "_Only Title 3_", ""}));

TEST_F(MP3AnalyzerTest, TaggedFileFollowedFarWithoutAnEndGoesToThePlainAnalyser) {
  Bytes file = formats::MadeMp3("id3v23.mp3")();
  ASSERT_FALSE(file.empty());
  file.resize(64 * kSector, 0);
  std::unique_ptr<Record> record(dynamic_cast<Record*>(analyser_.CreateRawFileInfo()));
  record->m_llStartSector = kStart;
  record->m_pAnalyser = &analyser_;
  CRawFileInfo::SearchContext context;
  context.llBufferFirstSector = 0;
  context.llBlockEndSector = kStart + 64;
  ASSERT_EQ(record->CalcRawSize(file.data(), kSector, kStart, context), 2);
  EXPECT_EQ(record->GetRawFileName(), "Some Band_First Song 3_");

  // Shown a sector past 500 MiB (the chain could not be followed there): it gives up.
  const long long sectors = MP3Analyzer::MP3RawFileInfo::kTaggedCap / kSector;
  Bytes far(kSector, 0x5A);
  context.llBufferFirstSector = kStart + sectors - 1;
  context.llBlockEndSector = kStart + sectors + 1;
  EXPECT_EQ(record->CalcRawSize(far.data(), kSector, kStart + sectors, context), 1);
  EXPECT_EQ(record->m_ullSize, 0u);
  record->WillBeRemove(nullptr, -1);
  EXPECT_EQ(record->m_pAnalyser, analyser_.Fallback());
}

using MP3CompleteScan = RawResultTest;

// Tagged files and frame streams in one image, found by a real complete scan, named from their tags,
// filed under the artist when there is one, and copied out byte for byte.
TEST_F(MP3CompleteScan, RecoversPlacedFilesNamedAndLabelled) {
  struct Placed {
    std::string file;
    long long sector;
    std::string namePrefix;
    std::string path;  // a folder the file is filed under
    Bytes bytes;
  };
  std::vector<Placed> placed = {
      {"id3v23.mp3", 40, "Some Band_First Song", "(Label RAW Files)/Artists/Some Band/", {}},
      {"v1.mp3", 200, "Tail Band_Tail Song", "(Label RAW Files)/Artists/Tail Band/", {}},
      {"bare.mp3", 400, "400-", "(RAW Files)", {}},
      {"titled.mp3", 600, "_Only Title", "(RAW Files)", {}},
  };
  ImageBuilder image(800, kSector, ImageFill::kZero);
  for (Placed& p : placed) {
    p.bytes = formats::MadeMp3(p.file)();
    ASSERT_FALSE(p.bytes.empty()) << p.file;
    image.Place(p.file, p.sector, p.bytes);
  }
  auto device = image.MakeDevice();
  RecordingTreeSink sink;
  unsigned long long result = ~0ULL;
  const ScanController controller = RunCompleteScan(*device, sink, result);
  ASSERT_EQ(result, 0u);

  const auto found = FilesByStartSector(sink, false);
  std::unique_ptr<IDataRecovery, RecoveryDeleter> recovery(controller->GetDataRecovery(SEARCHER_RAW));
  ASSERT_NE(recovery, nullptr);
  TempDir dir;
  for (const Placed& p : placed) {
    SCOPED_TRACE(p.file);
    const auto node = found.find(p.sector);
    ASSERT_NE(node, found.end()) << "nothing found at sector " << p.sector;
    const std::string name = node->second->GetFileName();
    EXPECT_TRUE(name.starts_with(p.namePrefix)) << name;
    EXPECT_TRUE(name.ends_with(".MP3")) << name;
    EXPECT_NE(RecordingTreeSink::PathOf(node->second).find(p.path), std::string::npos)
        << RecordingTreeSink::PathOf(node->second);
    const auto out = dir / p.file;
    ASSERT_FALSE(quellsy::IsFailure(recovery->RecoverNodeTo(node->second, out.c_str(), nullptr, 0)));
    EXPECT_EQ(Sha256Hex(ReadFile(out)), Sha256Hex(p.bytes));
  }
}

}  // namespace
}  // namespace quellsy::test
