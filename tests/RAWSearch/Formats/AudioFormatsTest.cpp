// The audio analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The audio samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstring>

#include "FormatSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Formats/Audio/FileAUAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"
#include "Utility/ByteReader.h"

namespace quellsy::test::formats {
namespace {

INSTANTIATE_TEST_SUITE_P(AudioSamples, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"au", Make<FileAUAnalyser>(), Sample("au.au"), RAW_FILE_TYPE_AU, Expect::kExact},
        FileCase{"midi", Make<FileMIDAnalyser>(), Sample("midi.midi"), RAW_FILE_TYPE_MID,
            Expect::kWholeSectors}));

INSTANTIATE_TEST_SUITE_P(AudioBuilt, PlainAnalyserFiles,
                         ::testing::Values(
        // Chunk lengths adding up to whole sectors are not rounded further.
        FileCase{"midi of two sectors", Make<FileMIDAnalyser>(), [] { return MidiFile(1024 - 22); },
            RAW_FILE_TYPE_MID, Expect::kExact}));

INSTANTIATE_TEST_SUITE_P(AudioHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"au of unstated length", Make<FileAUAnalyser>(),
            [](Bytes& b) { quellsy::FieldWriter(b).be32(8, 0xFFFFFFFF); }, AuHeader},
        NearMiss{"au data inside its header", Make<FileAUAnalyser>(),
            [](Bytes& b) { quellsy::FieldWriter(b).be32(4, 23); }, AuHeader},
        NearMiss{"midi header length", Make<FileMIDAnalyser>(), [](Bytes& b) { b[7] = 7; }, MidiHeader},
        NearMiss{"midi format 3", Make<FileMIDAnalyser>(), [](Bytes& b) { b[9] = 3; }, MidiHeader},
        NearMiss{"midi without tracks", Make<FileMIDAnalyser>(), [](Bytes& b) { b[11] = 0; }, MidiHeader}));

TEST_F(PlainAnalyserMeasure, CorruptAudioLengthsAreBoundedByCaps) {
  FileMIDAnalyser mid;
  EXPECT_EQ(MeasurePlaced(mid, MidiFile(0xFFFFFFF0u, 100), 4).size, FileMIDAnalyser::kSizeCap);

  FileAUAnalyser au;
  Bytes auHeader = AuHeader();
  quellsy::FieldWriter(auHeader).be32(8, 0xFFFFFFF0u);
  EXPECT_EQ(MeasurePlaced(au, auHeader, 4).size, 24ull + 0xFFFFFFF0u);
}

const ScanSampleRegistrar kScanSamples({
    {"FileAUAnalyser", "au sample", Sample("au.au"), RAW_FILE_TYPE_AU, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
