// The audio analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The audio samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "FormatSamples.h"
#include "MediaSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Formats/Audio/CFileAIFAnalyzer.h"
#include "RAWSearch/Formats/Audio/CFileOggAnalyser.h"
#include "RAWSearch/Formats/Audio/FileAUAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMIDAnalyser.h"
#include "RAWSearch/Formats/Audio/FileMP3Analyser.h"
#include "RAWSearch/Formats/Audio/FileRIFFAnalyser.h"
#include "Utility/ByteReader.h"

namespace quellsy::test::formats {
namespace {

// "ID3", version 3.0, no flags, an empty tag.
Bytes Id3Header() { return {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0}; }
// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo.
Bytes FrameHeader() { return {0xFF, 0xFB, 0x90, 0x64}; }

INSTANTIATE_TEST_SUITE_P(AudioSamples, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"au", Make<FileAUAnalyser>(), Sample("au.au"), RAW_FILE_TYPE_AU, Expect::kExact},
        FileCase{"midi", Make<FileMIDAnalyser>(), Sample("midi.midi"), RAW_FILE_TYPE_MID, Expect::kExact}));

INSTANTIATE_TEST_SUITE_P(AudioBuilt, PlainAnalyserFiles,
                         ::testing::Values(
        // Chunk lengths adding up to whole sectors are not rounded further.
        FileCase{"midi of two sectors", Make<FileMIDAnalyser>(), [] { return MidiFile(1024 - 22); },
            RAW_FILE_TYPE_MID, Expect::kExact}));

// Made by the encoder and the taggers; each ends at its last frame or its ID3v1 tag.
INSTANTIATE_TEST_SUITE_P(AudioMade, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"mp3 frames only", Make<FileMP3Analyser>(), MadeMp3("bare.mp3"), RAW_FILE_TYPE_MP3, Expect::kExact},
        FileCase{"mp3 with Info frame", Make<FileMP3Analyser>(), MadeMp3("info.mp3"), RAW_FILE_TYPE_MP3,
            Expect::kExact},
        FileCase{"mp3 vbr", Make<FileMP3Analyser>(), MadeMp3("vbr.mp3"), RAW_FILE_TYPE_MP3, Expect::kExact},
        FileCase{"mp3 Xing length and ID3v1", Make<FileMP3Analyser>(), MadeMp3("xingtag.mp3"), RAW_FILE_TYPE_MP3,
            Expect::kExact},
        FileCase{"mp3 ID3v2.3 and ID3v1", Make<FileMP3Analyser>(), MadeMp3("id3v23.mp3"), RAW_FILE_TYPE_MP3,
            Expect::kExact},
        FileCase{"mp3 ID3v2.4 UTF-16", Make<FileMP3Analyser>(), MadeMp3("utf16.mp3"), RAW_FILE_TYPE_MP3,
            Expect::kExact},
        FileCase{"mp3 ID3v2.3 GBK", Make<FileMP3Analyser>(), MadeMp3("gbk.mp3"), RAW_FILE_TYPE_MP3,
            Expect::kExact}));

struct Mp3Naming {
  std::string file;
  std::string name;
  std::string artist;  // the "Artists" label value; empty = no label
  std::string time;
};
void PrintTo(const Mp3Naming& c, std::ostream* os) { *os << c.file; }
class Mp3Names : public PlainAnalyserMeasure, public ::testing::WithParamInterface<Mp3Naming> {};

// The texts given to the taggers in make-mp3-samples.sh.
TEST_P(Mp3Names, NamedArtistUnderscoreTitleAndLabelledArtists) {
  const Mp3Naming& c = GetParam();
  const Bytes file = MadeMp3(c.file)();
  ASSERT_FALSE(file.empty());
  MemoryDevice device(static_cast<long long>(file.size() / kSector) + 4, kSector);
  device.Put(kSector, file);
  FileMP3Analyser analyser;
  CRawFileInfo hit;
  ASSERT_EQ(analyser.AnalyseBuffer(device.bytes().data() + kSector, hit), 1);
  hit.m_llStartSector = 1;
  ASSERT_EQ(analyser.GetRawFileSize(hit, &device), 1);
  EXPECT_EQ(hit.GetRawFileName(), c.name);
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  hit.GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, c.artist.empty() ? RAW_FILE_TAG_NONE : RAW_FILE_TAG_ARTISTS);
  EXPECT_EQ(value, c.artist);
  EXPECT_EQ(hit.GetRawFileTime(), c.time);
}

INSTANTIATE_TEST_SUITE_P(Tagged, Mp3Names,
                         ::testing::Values(
        Mp3Naming{"id3v23.mp3", "Some Band_First Song", "Some Band", "2001"},
        Mp3Naming{"utf16.mp3", "B\u00e4nd \u00dcn\u00ef_S\u00f4ng", "B\u00e4nd \u00dcn\u00ef", ""},
        Mp3Naming{"xingtag.mp3", "Xing Band_Xing Song", "Xing Band", ""},
        Mp3Naming{"titled.mp3", "_Only Title", "", ""},
        // GBK bytes in Latin-1 frames: the detected set converts them.
        Mp3Naming{"gbk.mp3", "\u5468\u6770\u4f26_\u9752\u82b1\u74f7\u7684\u6b4c", "\u5468\u6770\u4f26", ""},
        Mp3Naming{"bare.mp3", "", "", ""}));

TEST_F(PlainAnalyserMeasure, Mp3FrameStreamShorterThan10240BytesIsDropped) {
  FileMP3Analyser analyser;
  const Bytes file = MadeMp3("short.mp3")();
  ASSERT_FALSE(file.empty());
  ASSERT_LT(file.size(), 10240u);
  const Carved carved = MeasurePlaced(analyser, file, 12);
  EXPECT_EQ(carved.claimed, 1);
  EXPECT_EQ(carved.measured, 0);
  EXPECT_EQ(carved.size, 0u);
}

INSTANTIATE_TEST_SUITE_P(AudioHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"au of unstated length", Make<FileAUAnalyser>(),
            [](Bytes& b) { quellsy::FieldWriter(b).be32(8, 0xFFFFFFFF); }, AuHeader},
        NearMiss{"au data inside its header", Make<FileAUAnalyser>(),
            [](Bytes& b) { quellsy::FieldWriter(b).be32(4, 23); }, AuHeader},
        NearMiss{"midi header length", Make<FileMIDAnalyser>(), [](Bytes& b) { b[7] = 7; }, MidiHeader},
        NearMiss{"midi format 3", Make<FileMIDAnalyser>(), [](Bytes& b) { b[9] = 3; }, MidiHeader},
        NearMiss{"midi without tracks", Make<FileMIDAnalyser>(), [](Bytes& b) { b[11] = 0; }, MidiHeader},
        NearMiss{"mp3 ID3 major version 2", Make<FileMP3Analyser>(), [](Bytes& b) { b[3] = 2; }, Id3Header},
        // Bit-rate index 15 is not allowed, sampling-rate index 3 is reserved.
        NearMiss{"mp3 bit-rate index 15", Make<FileMP3Analyser>(), [](Bytes& b) { b[2] = 0xF0; }, FrameHeader},
        NearMiss{"mp3 sampling-rate index 3", Make<FileMP3Analyser>(), [](Bytes& b) { b[2] = 0x9C; },
            FrameHeader}));

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
    // Without an artist: no label, so the file stays in the type tree.
    {"BruteForce::MP3Analyzer", "mp3 tagged", MadeMp3("titled.mp3"), RAW_FILE_TYPE_MP3, Expect::kExact},
    {"BruteForce::MP3Analyzer", "mp3 frames only", MadeMp3("bare.mp3"), RAW_FILE_TYPE_MP3, Expect::kExact},
});

// Made by ffmpeg and taken from the public samples: AIFF by its FORM length, Ogg by its pages, RIFF by
// its chunk length in whole sectors.
INSTANTIATE_TEST_SUITE_P(AudioContainers, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"aiff made", Make<CFileAIFAnalyzer>(), MadeMedia("tone.aiff"), RAW_FILE_TYPE_AIFF, Expect::kExact},
        FileCase{"aiff sample", Make<CFileAIFAnalyzer>(), Sample("aiff.aiff"), RAW_FILE_TYPE_AIFF, Expect::kExact},
        FileCase{"ogg vorbis", Make<CFileOggAnalyser>(), MadeMedia("tone.ogg"), RAW_FILE_TYPE_OGG, Expect::kExact},
        FileCase{"ogg sample", Make<CFileOggAnalyser>(), Sample("ogg.oga"), RAW_FILE_TYPE_OGG, Expect::kExact},
        FileCase{"wav made", Make<FileRIFFAnalyser>(), MadeMedia("tone.wav"), RAW_FILE_TYPE_WAV, Expect::kExact},
        FileCase{"wav sample", Make<FileRIFFAnalyser>(), Sample("wav.wav"), RAW_FILE_TYPE_WAV, Expect::kExact},
        FileCase{"avi made", Make<FileRIFFAnalyser>(), MadeMedia("tone.avi"), RAW_FILE_TYPE_AVI, Expect::kExact}));

struct RiffKind {
  const char* form;
  const char* chunk;
  std::uint32_t type;
};
void PrintTo(const RiffKind& c, std::ostream* os) { *os << c.form << '/' << c.chunk; }
class RiffKinds : public PlainAnalyserMeasure, public ::testing::WithParamInterface<RiffKind> {};

// Form and first chunk, letters compared without case, tell the RIFF sub-types apart.
TEST_P(RiffKinds, TypedByFormAndFirstChunk) {
  const RiffKind& c = GetParam();
  FileRIFFAnalyser riff;
  Bytes file = RiffFile(c.form, c.chunk, 1020);
  if (c.type == RAW_FILE_TYPE_CMX) PutText(file, 20, "{Corel Binary Meta File}");
  const Carved carved = MeasurePlaced(riff, file, 8);
  EXPECT_EQ(carved.claimed, 1);
  EXPECT_EQ(carved.type, c.type);
  // 1020 + 8 bytes, rounded up to 512-byte sectors.
  EXPECT_EQ(carved.size, 1536u);
}

INSTANTIATE_TEST_SUITE_P(Forms, RiffKinds,
                         ::testing::Values(RiffKind{"WAVE", "fmt ", RAW_FILE_TYPE_WAV},
                                           RiffKind{"wave", "FMT ", RAW_FILE_TYPE_WAV},
                                           RiffKind{"AVI ", "LIST", RAW_FILE_TYPE_AVI},
                                           RiffKind{"ACON", "anih", RAW_FILE_TYPE_ANI},
                                           RiffKind{"ACON", "LIST", RAW_FILE_TYPE_ANI},
                                           RiffKind{"CMX1", "cont", RAW_FILE_TYPE_CMX},
                                           RiffKind{"CARC", "vrsn", RAW_FILE_TYPE_CLK},
                                           RiffKind{"CSL2", "vrsn", RAW_FILE_TYPE_CSL},
                                           RiffKind{"CDR9", "vrsn", RAW_FILE_TYPE_CDR},
                                           RiffKind{"cdrc", "VRSN", RAW_FILE_TYPE_CDR},
                                           // A known form with another first chunk is plain RIFF.
                                           RiffKind{"WAVE", "data", RAW_FILE_TYPE_RIFF},
                                           RiffKind{"CDR6", "vrsn", RAW_FILE_TYPE_RIFF}));

Bytes AiffHeader() { return MadeMedia("tone.aiff")(); }

INSTANTIATE_TEST_SUITE_P(AudioContainerHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"aiff of another form", Make<CFileAIFAnalyzer>(), [](Bytes& b) { b[10] = 'X'; }, AiffHeader}));

// A WAVE form of a 16-byte format chunk and a data chunk of `dataBytes`, padded to even when asked.
Bytes TiledWave(std::uint32_t dataBytes, bool padded) {
  Bytes b(44 + dataBytes + (padded ? dataBytes % 2 : 0), 0x33);
  PutText(b, 0, "RIFF");
  PutText(b, 8, "WAVE");
  PutText(b, 12, "fmt ");
  PutText(b, 36, "data");
  quellsy::FieldWriter fields(b);
  fields.le32(4, static_cast<std::uint32_t>(b.size() - 8));
  fields.le32(16, 16);
  fields.le32(40, dataBytes);
  return b;
}

TEST_F(PlainAnalyserMeasure, OggWalkEndsAtTheFirstNonPageAndRiffAtItsStatedLength) {
  CFileOggAnalyser ogg;
  const Bytes stream = MadeMedia("tone.ogg")();
  ASSERT_GT(stream.size(), 200u);
  // Junk right behind the last page does not extend the stream.
  const Carved followed = MeasurePlaced(ogg, stream, static_cast<long long>(stream.size() / kSector) + 6,
                                        [&](MemoryDevice& d) { d.Put(kSector + stream.size(), Body(700)); });
  EXPECT_EQ(followed.size, stream.size());
  // A stream that fills the device to its last sector ends with the device.
  const Carved atEnd = MeasurePlaced(ogg, stream, 1 + static_cast<long long>((stream.size() + kSector - 1) / kSector));
  EXPECT_EQ(atEnd.size, stream.size());

  // A 32-bit length of 0xFFFFFFFF: the stated length in whole sectors.
  FileRIFFAnalyser riff;
  Bytes endless = RiffFile("WAVE", "fmt ", 2000);
  quellsy::FieldWriter(endless).le32(4, 0xFFFFFFFF);
  EXPECT_EQ(MeasurePlaced(riff, endless, 8).size, (0xFFFFFFFFull + 8 + 511) / 512 * 512);
  // Chunks that tile the form up to its stated length end it there, an odd last chunk with or without
  // its pad byte; a body that is no chain of chunks leaves the stated length in whole sectors.
  EXPECT_EQ(MeasurePlaced(riff, TiledWave(951, true), 8).size, 996u);
  EXPECT_EQ(MeasurePlaced(riff, TiledWave(951, false), 8).size, 995u);
  EXPECT_EQ(MeasurePlaced(riff, RiffFile("WAVE", "fmt ", 2000), 8).size, 2048u);
}

const ScanSampleRegistrar kContainerScanSamples({
    {"CFileAIFAnalyzer", "aiff made", MadeMedia("tone.aiff"), RAW_FILE_TYPE_AIFF, Expect::kExact},
    {"FileRIFFAnalyser", "wav made", MadeMedia("tone.wav"), RAW_FILE_TYPE_WAV, Expect::kExact},
    {"FileRIFFAnalyser", "avi made", MadeMedia("tone.avi"), RAW_FILE_TYPE_AVI, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
