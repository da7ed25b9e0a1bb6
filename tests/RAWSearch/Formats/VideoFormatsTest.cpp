// The video analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The video samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstring>

#include "FormatSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Formats/Video/FileMP4Analyser.h"
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
