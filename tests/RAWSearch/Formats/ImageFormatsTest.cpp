// The image analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The image samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstring>

#include "FormatSamples.h"
#include "MediaSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Formats/Image/File3DSAnalyser.h"
#include "RAWSearch/Formats/Image/FileMRWAnalyser.h"
#include "RAWSearch/Formats/Image/FilePNGAnalyser.h"
#include "RAWSearch/Formats/Image/FilePSDAnalyser.h"
#include "RAWSearch/Formats/Image/FilePSPAnalyser.h"
#include "RAWSearch/Formats/Image/FileSVGAnalyser.h"
#include "RAWSearch/Formats/Image/FileWMFAnalyser.h"
#include "RAWSearch/Formats/Image/FileX3FAnalyser.h"
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

// PNG by its chunks, PSD by its sections and image data, PSP by its blocks, 3DS by its main chunk, the
// header-sized WMF and MRW, and the end-mark scans of X3F and SVG.
INSTANTIATE_TEST_SUITE_P(ImageWalked, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"png made", Make<FilePNGAnalyser>(), MadeMedia("picture.png"), RAW_FILE_TYPE_PNG, Expect::kExact},
        FileCase{"png sample", Make<FilePNGAnalyser>(), Sample("png.png"), RAW_FILE_TYPE_PNG, Expect::kExact},
        FileCase{"psd made", Make<FilePSDAnalyser>(), MadeMedia("picture.psd"), RAW_FILE_TYPE_PSD, Expect::kExact},
        FileCase{"psd sample", Make<FilePSDAnalyser>(), Sample("psd.psd"), RAW_FILE_TYPE_PSD, Expect::kExact},
        FileCase{"psp", Make<FilePSPAnalyser>(), PspFile, RAW_FILE_TYPE_PSP, Expect::kExact},
        FileCase{"wmf", Make<FileWMFAnalyser>(), [] { return WmfFile(false); }, RAW_FILE_TYPE_WMF, Expect::kExact},
        FileCase{"wmf placeable", Make<FileWMFAnalyser>(), [] { return WmfFile(true); }, RAW_FILE_TYPE_WMF,
            Expect::kExact},
        FileCase{"3ds", Make<File3DSAnalyser>(), ThreeDsFile, RAW_FILE_TYPE_3DS, Expect::kExact},
        FileCase{"mrw", Make<FileMRWAnalyser>(), MrwFile, RAW_FILE_TYPE_MRW, Expect::kExact},
        FileCase{"x3f", Make<FileX3FAnalyser>(), [] { return X3fFile(3000); }, RAW_FILE_TYPE_X3F, Expect::kExact},
        // The directory's mark is cut by a sector boundary.
        FileCase{"x3f mark across sectors", Make<FileX3FAnalyser>(), [] { return X3fFile(510 + 76); },
            RAW_FILE_TYPE_X3F, Expect::kExact},
        FileCase{"svg", Make<FileSVGAnalyser>(), SvgFile, RAW_FILE_TYPE_SVG, Expect::kExact},
        FileCase{"svg sample", Make<FileSVGAnalyser>(), Sample("svg.svg"), RAW_FILE_TYPE_SVG, Expect::kExact},
        // The document ends behind its closing tag and the line end behind it.
        FileCase{"gpx sample", Make<FileSVGAnalyser>(), Sample("gpx.gpx"), RAW_FILE_TYPE_GPX, Expect::kExact}));

Bytes PngHeader() { return MadeMedia("picture.png")(); }
Bytes PsdHeader() { return MadeMedia("picture.psd")(); }
Bytes WmfPlaceable() { return WmfFile(true); }
Bytes WmfPlain() { return WmfFile(false); }

INSTANTIATE_TEST_SUITE_P(ImageWalkedHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"png line ending", Make<FilePNGAnalyser>(), [](Bytes& b) { b[5] = 0x0D; }, PngHeader},
        NearMiss{"psd version 2", Make<FilePSDAnalyser>(), [](Bytes& b) { b[5] = 2; }, PsdHeader},
        NearMiss{"psp signature", Make<FilePSPAnalyser>(), [](Bytes& b) { b[26] = 0; }, PspFile},
        NearMiss{"wmf placeable checksum", Make<FileWMFAnalyser>(), [](Bytes& b) { b[20] ^= 1; }, WmfPlaceable},
        NearMiss{"wmf with members", Make<FileWMFAnalyser>(), [](Bytes& b) { b[16] = 1; }, WmfPlain},
        NearMiss{"3ds cartridge", Make<File3DSAnalyser>(), [](Bytes& b) { PutText(b, 256, "NCSD"); }, ThreeDsFile},
        NearMiss{"svg without version", Make<FileSVGAnalyser>(), [](Bytes& b) { b[6] = 'V'; }, SvgFile}));

TEST_F(PlainAnalyserMeasure, ImageWalksRefuseBrokenHeadersAndHoldTheirCaps) {
  FilePNGAnalyser png;
  Bytes noHeader = MadeMedia("picture.png")();
  ASSERT_GT(noHeader.size(), 24u);
  noHeader[12] = 'X';
  EXPECT_EQ(MeasurePlaced(png, noHeader, 8).measured, 0);
  Bytes zeroWidth = MadeMedia("picture.png")();
  quellsy::FieldWriter(zeroWidth).be32(16, 0);
  EXPECT_EQ(MeasurePlaced(png, zeroWidth, 8).measured, 0);

  // Raw image data of 3 channels x 10000 x 10000 x 16 bits: more than the cap, measured as the cap.
  FilePSDAnalyser psd;
  Bytes raw(26 + 4 * 3 + 2, 0);
  PutText(raw, 0, "8BPS");
  quellsy::FieldWriter w(raw);
  w.be16(4, 1);
  w.be16(12, 3);
  w.be32(14, 10000);
  w.be32(18, 10000);
  w.be16(22, 16);
  EXPECT_EQ(MeasurePlaced(psd, raw, 4).size, FilePSDAnalyser::kSizeCap);
  w.be32(14, 10);
  w.be32(18, 10);
  EXPECT_EQ(MeasurePlaced(psd, raw, 4).size, raw.size() + 3 * 10 * 10 * 2);
  w.be16(26 + 12, 7);
  EXPECT_EQ(MeasurePlaced(psd, raw, 4).measured, 0);

  // A PSP block claiming 4 GiB stops at the cap; blocks ending below 512 bytes are no image.
  FilePSPAnalyser psp;
  Bytes hugeBlock = PspFile();
  quellsy::FieldWriter(hugeBlock).le32(36 + 6, 0xFFFFFFF0);
  EXPECT_EQ(MeasurePlaced(psp, hugeBlock, 8).size, FilePSPAnalyser::kSizeCap);
  Bytes small = PspFile();
  small.resize(36);
  EXPECT_EQ(MeasurePlaced(psp, small, 4).measured, 0);

  // An X3F without its directory runs to the device's end.
  FileX3FAnalyser x3f;
  Bytes noDirectory = X3fFile(3000);
  PutText(noDirectory, 3000 - 76, "SECx");
  EXPECT_EQ(MeasurePlaced(x3f, noDirectory, 10).size, 9u * kSector);
}

const ScanSampleRegistrar kWalkedImageScanSamples({
    {"FileWMFAnalyser", "wmf placeable", [] { return WmfFile(true); }, RAW_FILE_TYPE_WMF, Expect::kExact},
    {"FileWMFAnalyser", "wmf", [] { return WmfFile(false); }, RAW_FILE_TYPE_WMF, Expect::kExact},
    {"FileMRWAnalyser", "mrw", MrwFile, RAW_FILE_TYPE_MRW, Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
