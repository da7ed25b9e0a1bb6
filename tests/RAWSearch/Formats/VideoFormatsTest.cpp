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

}  // namespace
}  // namespace quellsy::test::formats
