// The video analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The video samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "FormatSamples.h"
#include "MediaSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Formats/Video/FileFLVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMKVAnalyser.h"
#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
#include "RAWSearch/Formats/Video/FileMPGAnalyser.h"
#include "RAWSearch/Formats/Video/FileRM_RMVBAnalyser.h"
#include "RAWSearch/Formats/Video/FileSWFAnalyser.h"
#include "Utility/ByteReader.h"

namespace quellsy::test::formats {
namespace {

INSTANTIATE_TEST_SUITE_P(VideoSamples, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"mp4", Make<FileMP4Analyser>(), Sample("mp4.mp4"), RAW_FILE_TYPE_MP4, Expect::kExact},
        FileCase{"mp4.1", Make<FileMP4Analyser>(), Sample("mp4.1.mp4"), RAW_FILE_TYPE_MP4,
            Expect::kExact},
        FileCase{"m4a", Make<FileMP4Analyser>(), Sample("m4a.m4a"), RAW_FILE_TYPE_M4A, Expect::kExact}));

INSTANTIATE_TEST_SUITE_P(VideoBuilt, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"m4v", Make<FileMP4Analyser>(), [] { return Mp4File("M4V "); }, RAW_FILE_TYPE_M4V, Expect::kExact},
        FileCase{"mp41 in capitals", Make<FileMP4Analyser>(), [] { return Mp4File("MP41"); }, RAW_FILE_TYPE_MP4,
            Expect::kExact}));

INSTANTIATE_TEST_SUITE_P(VideoHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"quicktime brand", Make<FileMP4Analyser>(), [](Bytes& b) { std::memcpy(b.data() + 8, "qt  ", 4); },
            Mp4Header},
        NearMiss{"ftyp in capitals", Make<FileMP4Analyser>(), [](Bytes& b) { std::memcpy(b.data() + 4, "FTYP", 4); },
            Mp4Header}));

// Made by ffmpeg and taken from the public samples, each measured to its end: the stated length (SWF,
// MKV), the last tag (FLV), a zero run after the end code (MPEG), the chunk chain (RM) or the closing
// index chunk (RMVB).
INSTANTIATE_TEST_SUITE_P(VideoWalked, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"swf made", Make<FileSWFAnalyser>(), MadeMedia("tone.swf"), RAW_FILE_TYPE_SWF, Expect::kExact},
        // A packed movie states its unpacked length; 8 more are taken.
        FileCase{"swf packed sample", Make<FileSWFAnalyser>(), Sample("swf.swf"), RAW_FILE_TYPE_SWF, Expect::kStated,
            0x00035B30 + 8, 0x00035B30 + 8},
        FileCase{"flv made", Make<FileFLVAnalyser>(), MadeMedia("tone.flv"), RAW_FILE_TYPE_FLV, Expect::kExact},
        FileCase{"flv sample", Make<FileFLVAnalyser>(), Sample("flv.flv"), RAW_FILE_TYPE_FLV, Expect::kExact},
        FileCase{"mkv made", Make<FileMKVAnalyser>(), MadeMedia("tone.mkv"), RAW_FILE_TYPE_MKV, Expect::kExact},
        FileCase{"mpeg made", Make<FileMPGAnalyser>(), MadeMedia("tone.mpg"), RAW_FILE_TYPE_MPG, Expect::kExact},
        FileCase{"mpeg sample", Make<FileMPGAnalyser>(), Sample("mpeg.mpeg"), RAW_FILE_TYPE_MPG, Expect::kExact},
        FileCase{"rm made", Make<FileRM_RMVBAnalyser>(), MadeMedia("tone.rm"), RAW_FILE_TYPE_RM, Expect::kStated,
            12745},
        // Without the closing index: the chunk chain's end, whose data chunk states 10 bytes more than the
        // file holds.
        FileCase{"rmvb made", Make<FileRM_RMVBAnalyser>(), MadeMedia("tone.rmvb"), RAW_FILE_TYPE_RMVB,
            Expect::kStated, 21702},
        FileCase{"rmvb sample", Make<FileRM_RMVBAnalyser>(), Sample("rmvb.rmvb"), RAW_FILE_TYPE_RMVB,
            Expect::kStated, 678019}));

Bytes SwfHeader() { return MadeMedia("tone.swf")(); }
Bytes MkvHeader() { return MadeMedia("tone.mkv")(); }
Bytes MpegHeader() { return MadeMedia("tone.mpg")(); }

INSTANTIATE_TEST_SUITE_P(VideoWalkedHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"swf version 33", Make<FileSWFAnalyser>(), [](Bytes& b) { b[3] = 33; }, SwfHeader},
        NearMiss{"swf packed before version 6", Make<FileSWFAnalyser>(), [](Bytes& b) { b[0] = 'C'; b[3] = 5; },
            SwfHeader},
        NearMiss{"mkv without segment", Make<FileMKVAnalyser>(), [](Bytes& b) { b[4] = 0x81; }, MkvHeader},
        NearMiss{"mpeg of another clock", Make<FileMPGAnalyser>(), [](Bytes& b) { b[6] = 0x02; }, MpegHeader}));

TEST_F(PlainAnalyserMeasure, MkvSegmentLengthIsAVariableLengthNumber) {
  FileMKVAnalyser mkv;
  // EBML header of 4 bytes, then the segment with a one-byte, a two-byte and an eight-byte length.
  const std::vector<std::pair<Bytes, std::uint64_t>> lengths = {
      {{0x80 | 100}, 100}, {{0x40 | 0x01, 0x2C}, 300}, {{0x01, 0, 0, 0, 0, 0, 0x01, 0xF4}, 500}};
  for (const auto& [field, value] : lengths) {
    Bytes file = {0x1A, 0x45, 0xDF, 0xA3, 0x84, 0x42, 0x86, 0x81, 0x01, 0x18, 0x53, 0x80, 0x67};
    file.insert(file.end(), field.begin(), field.end());
    const std::uint64_t expected = file.size() + value;
    const Bytes body = Body(value);
    file.insert(file.end(), body.begin(), body.end());
    EXPECT_EQ(MeasurePlaced(mkv, file, 4).size, expected);
  }
  // A segment of unknown size (all value bits set) states no length.
  Bytes streaming = {0x1A, 0x45, 0xDF, 0xA3, 0x84, 0x42, 0x86, 0x81, 0x01, 0x18, 0x53, 0x80, 0x67, 0xFF};
  EXPECT_EQ(MeasurePlaced(mkv, streaming, 4).claimed, 0);
}

TEST_F(PlainAnalyserMeasure, FlvAndMpegWalksEndWhereTheirStructureEnds) {
  FileFLVAnalyser flv;
  Bytes noAudioVideo = MadeMedia("tone.flv")();
  ASSERT_GT(noAudioVideo.size(), 13u);
  noAudioVideo[3] = 2;
  EXPECT_EQ(MeasurePlaced(flv, noAudioVideo, 60).measured, 0);

  // Junk straight behind the stream's end code: the walk stops where the start codes are lost.
  FileMPGAnalyser mpg;
  const Bytes stream = MadeMedia("tone.mpg")();
  ASSERT_GT(stream.size(), 102400u / 4);
  const Carved followed = MeasurePlaced(mpg, stream, 80, [&](MemoryDevice& d) { d.Put(kSector + stream.size(), Body(600)); });
  EXPECT_EQ(followed.measured, 1);
  EXPECT_GE(followed.size, stream.size());
  EXPECT_LE(followed.size, stream.size() + 18 + 8);
  EXPECT_EQ(mpg.LastStartSector(), 1);
  EXPECT_EQ(mpg.LastEndSector(), 1 + static_cast<long long>(WholeSectors(followed.size) / kSector));
}

const ScanSampleRegistrar kWalkedVideoScanSamples({
    {"FileSWFAnalyser", "swf made", MadeMedia("tone.swf"), RAW_FILE_TYPE_SWF, Expect::kExact},
    {"FileMKVAnalyser", "mkv made", MadeMedia("tone.mkv"), RAW_FILE_TYPE_MKV, Expect::kExact},
});

// Placed in one image and found by the complete scan through the registry. The "ftyp" sectors the
// QuickTime analyser leaves (brands in capitals) go to the MP4 and 3GP analysers.
const ScanSampleRegistrar kScanSamples({
    {"BruteForce::MovAnalyzer", "mov sample", Sample("mov.mov"), RAW_FILE_TYPE_MOV, Expect::kExact},
    {"BruteForce::MovAnalyzer", "3gp sample", Sample("3gp.3gp"), RAW_FILE_TYPE_3GP, Expect::kExact},
    {"BruteForce::MovAnalyzer", "3g2 sample", Sample("3g2.3g2"), RAW_FILE_TYPE_3GP, Expect::kExact},
    // Major brand "M4B ": not in the brand table, so QuickTime.
    {"BruteForce::MovAnalyzer", "m4b sample", Sample("audio.mp4"), RAW_FILE_TYPE_MOV, Expect::kExact},
    {"BruteForce::MovAnalyzer", "mp4 sample", Sample("mp4.mp4"), RAW_FILE_TYPE_MP4, Expect::kExact},
    {"BruteForce::MovAnalyzer", "m4a sample", Sample("m4a.m4a"), RAW_FILE_TYPE_M4A, Expect::kExact},
    {"BruteForce::MovAnalyzer", "mov with 64-bit mdat", MadeMovie("large.mov"), RAW_FILE_TYPE_MOV, Expect::kExact},
    {"BruteForce::MovAnalyzer", "fragmented mp4", MadeMovie("frag.mp4"), RAW_FILE_TYPE_MP4, Expect::kExact},
    {"BruteForce::MovAnalyzer", "m4v", MadeMovie("ipod.m4v"), RAW_FILE_TYPE_M4V, Expect::kExact},
    {"BruteForce::Mp4Analyzer", "mp4 brand in capitals", MadeMovie("upper.mp4"), RAW_FILE_TYPE_MP4, Expect::kExact},
    {"BruteForce::C3GPAnalyser", "3gp brand in capitals", MadeMovie("upper.3gp"), RAW_FILE_TYPE_3GP,
     Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
