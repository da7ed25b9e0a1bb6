// The image analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The image samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstring>

#include "FormatSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Formats/Image/FileBMPAnalyser.h"
#include "RAWSearch/Formats/Image/FileCPTAnalyser.h"
#include "RAWSearch/Formats/Image/FileCRWAnalyser.h"
#include "RAWSearch/Formats/Image/FileEMFAnalyser.h"
#include "RAWSearch/Formats/Image/FileICNSAnalyser.h"
#include "RAWSearch/Formats/Image/FileICOAnalyser.h"
#include "Utility/ByteReader.h"

namespace quellsy::test::formats {
namespace {

INSTANTIATE_TEST_SUITE_P(ImageSamples, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"bmp", Make<FileBMPAnalyser>(), Sample("bmp.bmp"), RAW_FILE_TYPE_BMP, Expect::kExact},
        FileCase{"ico", Make<FileICOAnalyser>(), Sample("ico.ico"), RAW_FILE_TYPE_ICO, Expect::kExact},
        FileCase{"icns", Make<FileICNSAnalyser>(), Sample("icns.icns"), RAW_FILE_TYPE_ICNS,
            Expect::kExact}));

INSTANTIATE_TEST_SUITE_P(ImageBuilt, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"cpt", Make<FileCPTAnalyser>(), [] { return CptFile(); }, RAW_FILE_TYPE_CPT, Expect::kExact},
        FileCase{"cpt with extra block", Make<FileCPTAnalyser>(), [] { return CptFile(40); }, RAW_FILE_TYPE_CPT,
            Expect::kExact},
        FileCase{"crw", Make<FileCRWAnalyser>(), [] { return CrwFile(3000, 3000 - 70, 0xA8); }, RAW_FILE_TYPE_CRW,
            Expect::kExact},
        FileCase{"crw ending with the e4 record", Make<FileCRWAnalyser>(),
            [] { return CrwFile(2000, 2000 - 50, 0xE4); }, RAW_FILE_TYPE_CRW, Expect::kExact},
        // The table starts 3 bytes before a sector boundary: found by the look-back.
        FileCase{"crw straddling", Make<FileCRWAnalyser>(), [] { return CrwFile(4 * 512 - 3 + 70, 4 * 512 - 3, 0xA8); },
            RAW_FILE_TYPE_CRW, Expect::kExact},
        FileCase{"emf", Make<FileEMFAnalyser>(), EmfFile, RAW_FILE_TYPE_EMF, Expect::kExact},
        FileCase{"cur", Make<FileICOAnalyser>(), CurFile, RAW_FILE_TYPE_CUR, Expect::kExact}));

INSTANTIATE_TEST_SUITE_P(ImageHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"bmp info header of 56 bytes", Make<FileBMPAnalyser>(),
            [](Bytes& b) { quellsy::FieldWriter(b).le32(14, 56); }, BmpHeader},
        NearMiss{"bmp reserved field set", Make<FileBMPAnalyser>(), [](Bytes& b) { b[8] = 1; }, BmpHeader},
        NearMiss{"icon without entries", Make<FileICOAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).le16(4, 0); },
            IcoHeader},
        NearMiss{"icon of 17 entries", Make<FileICOAnalyser>(),
            [](Bytes& b) {
            quellsy::FieldWriter w(b);
            w.le16(4, 17);
            for (int k = 1; k < 17; ++k) std::memcpy(b.data() + 6 + 16 * k, b.data() + 6, 16);
            },
            IcoHeader},
        NearMiss{"icon above 1 MiB", Make<FileICOAnalyser>(),
            [](Bytes& b) {
            quellsy::FieldWriter w(b);
            w.le16(4, 2);
            w.le32(6 + 8, 0x90000);
            std::memcpy(b.data() + 22, b.data() + 6, 16);
            },
            IcoHeader},
        NearMiss{"icon entry's reserved byte", Make<FileICOAnalyser>(), [](Bytes& b) { b[9] = 1; }, IcoHeader},
        NearMiss{"icon of a third kind", Make<FileICOAnalyser>(), [](Bytes& b) { b[2] = 3; }, IcoHeader},
        NearMiss{"icns of length 0", Make<FileICNSAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).be32(4, 0); },
            IcnsHeader},
        NearMiss{"icns beyond its cap", Make<FileICNSAnalyser>(),
            [](Bytes& b) { quellsy::FieldWriter(b).be32(4, 0xA66667); }, IcnsHeader},
        NearMiss{"cpt index elsewhere", Make<FileCPTAnalyser>(), [](Bytes& b) { b[52] = 0x3D; }, CptHeader},
        NearMiss{"crw of another heap", Make<FileCRWAnalyser>(), [](Bytes& b) { b[14] = 3; }, CrwHeader},
        NearMiss{"emf signature", Make<FileEMFAnalyser>(), [](Bytes& b) { b[43] = 'G'; }, EmfFile},
        NearMiss{"emf field at 58", Make<FileEMFAnalyser>(), [](Bytes& b) { b[58] = 1; }, EmfFile}));

TEST_F(PlainAnalyserMeasure, CptIndexWalkRefusesWhatItCannotRead) {
  FileCPTAnalyser cpt;
  const struct {
    const char* name;
    std::function<void(Bytes&)> spoil;
    int measured;
    std::uint64_t size;
  } cases[] = {
      {"last object points nowhere", [](Bytes& b) { quellsy::FieldWriter(b).le32(660, 0); }, 1, 600},
      {"record inside the header", [](Bytes& b) { quellsy::FieldWriter(b).le32(660, 4); }, 0, 0},
      {"index count past the device", [](Bytes& b) { quellsy::FieldWriter(b).le32(40, 0x40000000); }, 0, 0},
      {"last object past the device", [](Bytes& b) { quellsy::FieldWriter(b).le32(324, 0xFFFFFF00u); }, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = CptFile();
    c.spoil(file);
    const Carved carved = MeasurePlaced(cpt, file, 8);
    EXPECT_EQ(carved.measured, c.measured);
    EXPECT_EQ(carved.size, c.size);
  }
}

TEST_F(PlainAnalyserMeasure, CrwTableSearch) {
  FileCRWAnalyser crw;
  // A b2 record split by a sector boundary still gets the tail of 70.
  const Bytes straddling = CrwFile(3 * 512 - 2 + 60, 3 * 512 - 2, 0xB2);
  EXPECT_EQ(MeasurePlaced(crw, straddling, 8).size, 3u * 512 - 2 + 70);
  EXPECT_EQ(crw.Found(), 1u);
  // Without a table the file is taken up to the device's end as the cap's stand-in.
  const Carved endless = MeasurePlaced(crw, CrwFile(600, 100, 0x00), 6);
  EXPECT_EQ(endless.size, FileCRWAnalyser::kSizeCap);
  EXPECT_EQ(endless.measured, 1);
  Bytes other(512, 0);
  CRawFileInfo hit;
  EXPECT_EQ(crw.AnalyseBuffer(other.data(), hit), 0);
  EXPECT_EQ(crw.Found(), 0u);
}

const ScanSampleRegistrar kScanSamples({
    {"BruteForce::JpegAnalyzer", "jpg sample", Sample("jpg.jpg"), RAW_FILE_TYPE_JPG, Expect::kExact},
    {"FileBMPAnalyser", "bmp sample", Sample("bmp.bmp"), RAW_FILE_TYPE_BMP, Expect::kExact},
    {"FileICOAnalyser", "ico sample", Sample("ico.ico"), RAW_FILE_TYPE_ICO, Expect::kExact},
    {"FileICNSAnalyser", "icns sample", Sample("icns.icns"), RAW_FILE_TYPE_ICNS, Expect::kExact},
    {"FileCPTAnalyser", "cpt", [] { return CptFile(); }, RAW_FILE_TYPE_CPT, Expect::kExact},
    {"FileEMFAnalyser", "emf", EmfFile, RAW_FILE_TYPE_EMF, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
