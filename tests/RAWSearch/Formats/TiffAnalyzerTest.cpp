// The growing TIFF analyser shown the sectors of an image as the search shows them: where a record
// ends, how it is sized and typed, and which hits it leaves to the plain analyser.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Formats/FormatSamples.h"
#include "Formats/TiffSamples.h"
#include "JpegTestData.h"
#include "RAWSearch/Formats/Image/FileTIFAnalyser.h"
#include "RAWSearch/Formats/Image/TiffAnalyzer.h"
#include "RAWSearch/Framework/RawFileExtName.h"
#include "support/TempDir.h"

namespace quellsy::test::tiff {
namespace {

using BruteForce::TiffAnalyzer;
using Record = TiffAnalyzer::TiffRawFileInfo;
using formats::WholeSectors;

constexpr unsigned kSector = 512;
constexpr long long kStart = 100;

class TiffAnalyzerTest : public RawSearchTest {
 protected:
  // `file` at sector kStart of an image, `after` behind it (zeros unless given), grown as the search would.
  std::unique_ptr<Record> Grow(const Bytes& file, const Bytes& after = {}, long long maxSectors = 4096) {
    Bytes image(kStart * kSector, 0);
    image.insert(image.end(), file.begin(), file.end());
    image.resize(static_cast<std::size_t>(kStart * kSector + WholeSectors(file.size())), 0);
    image.insert(image.end(), after.begin(), after.end());
    std::unique_ptr<Record> record(dynamic_cast<Record*>(analyser_.CreateRawFileInfo()));
    record->m_llStartSector = kStart;
    record->m_pAnalyser = &analyser_;
    outcome_ = GrowRecord(*record, ImageSectors(image, kSector), kSector, 64, maxSectors);
    return record;
  }

  TiffAnalyzer analyser_;
  GrowOutcome outcome_;
};

TEST_F(TiffAnalyzerTest, ClaimsTheTiffHeadersOnly) {
  struct Case {
    Bytes lead;
    int claimed;
  };
  const Case cases[] = {
      {{'I', 'I', 0x2A, 0}, 1}, {{'M', 'M', 0, 0x2A}, 1}, {{'I', 'I', 0x55, 0}, 1}, {Text("IIRO"), 1},
      {Text("IIRS"), 1},        {Text("MMOR"), 1},        {Text("FUJIFILMCCD-RAW "), 1},
      {Text("FUJIFILMCCD-RAX "), 0}, {{'I', 'I', 0, 0x2A}, 0}, {{'M', 'M', 0x2A, 0}, 0},
  };
  for (const Case& c : cases) {
    Bytes sector = c.lead;
    sector.resize(kSector, 0);
    CRawFileInfo scratch;
    EXPECT_EQ(analyser_.AnalyseBuffer(sector.data(), scratch), c.claimed) << std::string(c.lead.begin(), c.lead.end());
  }
}

// Plain TIFFs end at the furthest byte their directories and picture data reach.
TEST_F(TiffAnalyzerTest, ToolMadeTiffsEndAtTheirLastByte) {
  TempDir dir;
  const auto le = MakeTiff(dir.path(), "le.tif", 1, "200x150", "-define tiff:endian=lsb");
  ASSERT_TRUE(le) << "ImageMagick (installed by the set-up) made no TIFF";
  const auto be = MakeTiff(dir.path(), "be.tif", 2, "200x150", "-define tiff:endian=msb");
  const auto tiles = MakeTiff(dir.path(), "tiles.tif", 3, "256x200", "-define tiff:tile-geometry=64x64");
  ASSERT_TRUE(be && tiles);
  for (const Bytes* file : {&*le, &*be, &*tiles}) {
    for (const Bytes& after : {Bytes{}, PatternBytes(3 * kSector, 4)}) {
      // Zeros or junk behind the file, in its last sector too.
      Bytes placed = *file;
      placed.insert(placed.end(), after.begin(), after.end());
      const auto record = Grow(placed);
      EXPECT_EQ(outcome_.result, 1);
      EXPECT_EQ(record->m_ullSize, file->size());
      EXPECT_EQ(record->m_uRawFileType, RAW_FILE_TYPE_TIF);
    }
  }
}

TEST_F(TiffAnalyzerTest, CameraRawEndsExactlyAndIsNamedAndLabelled) {
  TempDir dir;
  ASSERT_TRUE(MakeTiff(dir.path(), "nikon.tif", 5, "200x150", "")) << "ImageMagick made no TIFF";
  const auto nikon = Retag(dir / "nikon.tif",
                           "exiftool -q -overwrite_original '-Make=NIKON CORPORATION' '-Model=NIKON D90' "
                           "'-ModifyDate=2011:12:13 14:15:16'");
  ASSERT_TRUE(nikon) << "exiftool (installed by the set-up) failed";
  const auto record = Grow(*nikon);
  EXPECT_EQ(record->m_ullSize, nikon->size());
  EXPECT_STREQ(RawFileExtension(record->m_uRawFileType), "NEF");
  const long long last = kStart + static_cast<long long>(WholeSectors(nikon->size()) / kSector) - 1;
  EXPECT_EQ(record->GetRawFileName(),
            "NIKON CORPORATION_NIKON D90_" + std::to_string(kStart) + "-" + std::to_string(last) + "_");
  EXPECT_EQ(record->GetRawFileTime(), "2011:12:13 14:15:16");
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  record->GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_CAMERA);
  EXPECT_EQ(value, "NIKON CORPORATION");
}

// The maker's name as exiftool writes it types the file; every file ends at its last byte.
TEST_F(TiffAnalyzerTest, ExiftoolWrittenMakerTypesTheFile) {
  TempDir dir;
  const auto made = MakeTiff(dir.path(), "made.tif", 8, "160x120", "");
  ASSERT_TRUE(made) << "ImageMagick (installed by the set-up) made no TIFF";
  for (const MakerCase& c : kMakerCases) {
    SCOPED_TRACE(c.make);
    WriteFile(dir / "camera.tif", *made);
    const auto file = Retag(dir / "camera.tif", std::string("exiftool -q -overwrite_original '-Make=") + c.make +
                                                    "' '-Model=" + c.model + "'");
    ASSERT_TRUE(file) << "exiftool (installed by the set-up) failed";
    const auto record = Grow(*file);
    EXPECT_STREQ(RawFileExtension(record->m_uRawFileType), c.extension);
    EXPECT_EQ(record->m_ullSize, file->size());
  }
}

// The end is named only inside a sub-directory or a maker note; the file ends exactly there.
TEST_F(TiffAnalyzerTest, FollowsSubDirectoriesAndMakerNotes) {
  struct Case {
    const char* name;
    Bytes file;
    std::uint64_t size;
    const char* extension;
  };
  const Case cases[] = {
      {"sub_ifd_le", SubIfdTiff(true), 50000, "TIF"},
      {"sub_ifd_be", SubIfdTiff(false), 50000, "TIF"},
      {"nikon_maker_note", MakerNoteTiff(Maker::kNikon), 54106, "NEF"},
      {"epson_maker_note", MakerNoteTiff(Maker::kEpson), 50000, "ERF"},
      {"other_maker_note", MakerNoteTiff(Maker::kOther), 50000, "TIF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto record = Grow(c.file);
    EXPECT_EQ(outcome_.result, 1);
    EXPECT_EQ(record->m_ullSize, c.size);
    EXPECT_STREQ(RawFileExtension(record->m_uRawFileType), c.extension);
  }
}

TEST_F(TiffAnalyzerTest, DngTagWinsOverTheMaker) {
  const Bytes file = CameraTiff(true, "Canon", "EOS", 1024, 30000, {TiffBuilder(true).Raw(50706, 1, 4, 0x00000401)});
  const auto record = Grow(file);
  EXPECT_STREQ(RawFileExtension(record->m_uRawFileType), "DNG");
  EXPECT_EQ(record->m_ullSize, 31024u);
}

// Everything named lies in the first 1000 bytes: the file ends there, in its second sector, although the
// record's estimate starts at 8192 bytes.
TEST_F(TiffAnalyzerTest, SmallTiffEndsAtItsLastByte) {
  const Bytes file = CameraTiff(true, "", "", 300, 700);
  const auto record = Grow(file);
  EXPECT_EQ(outcome_.sector, kStart + 1);
  EXPECT_EQ(record->m_ullSize, 1000u);
}

// Raw files of 12 and 5 MiB end where their strips do, with non-zero bytes behind them.
TEST_F(TiffAnalyzerTest, LargeRawsEndWithoutZeroTail) {
  for (const std::uint32_t length : {12u << 20, 5u << 20}) {
    const auto record =
        Grow(CameraTiff(true, "NIKON", "D3", 1024, length - 1024), PadTo({}, 256 * kSector), length / kSector + 200);
    EXPECT_EQ(outcome_.result, 1);
    EXPECT_EQ(outcome_.sector, kStart + length / kSector - 1);
    EXPECT_EQ(record->m_ullSize, length);
  }
}

// A directory whose pieces are not all measured (a strip array the search no longer holds) leaves the end to
// the zero-tail rules, as does a picture without strip lengths.
TEST_F(TiffAnalyzerTest, UnmeasuredPiecesWaitForTheZeroTail) {
  TiffBuilder t(true);
  t.AddIfd({t.Short(256, 64), t.Short(257, 48), t.Raw(273, 4, 1, 1024)});
  const Bytes noLengths = PadTo(t.Build(), 9000);
  Bytes placed = noLengths;
  const Bytes junk = PatternBytes(300, 3);
  placed.insert(placed.end(), junk.begin(), junk.end());
  const auto record = Grow(placed);
  EXPECT_EQ(outcome_.result, 1);
  // The first zero tail, behind the junk, ends it in whole sectors.
  EXPECT_EQ(record->m_ullSize, WholeSectors(placed.size()));
}

// Headers it does not follow, a first directory too far in, and too many directories: size 0, and the
// plain analyser takes the hit over.
TEST_F(TiffAnalyzerTest, LeavesWhatItDoesNotFollowToThePlainAnalyser) {
  TiffBuilder far(true);
  far.SetFirstIfdOffset(5u << 20);
  TiffBuilder many(true);
  for (int i = 0; i < 13; ++i) many.AddIfd({many.Short(256, 64)}, i + 1 < 13 ? i + 1 : -1);
  struct Case {
    const char* name;
    Bytes file;
    long long sector;
  };
  const Case cases[] = {
      {"panasonic_header", PanasonicRaw("Panasonic", "DMC-GH4", 30000), kStart},
      {"container", RafFile(), kStart},
      {"first_ifd_beyond_4_mib", PadTo(far.Build(), 4096), kStart},
      {"twelve_directories", PadTo(many.Build(), 20000), kStart},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto record = Grow(c.file);
    EXPECT_EQ(outcome_.result, 1);
    EXPECT_EQ(outcome_.sector, c.sector);
    EXPECT_EQ(record->m_ullSize, 0u);
    record->WillBeRemove(nullptr, -1);
    EXPECT_NE(dynamic_cast<FileTIFAnalyser*>(record->m_pAnalyser), nullptr);
  }
}

// A directory that links to itself is read once; the record ends on what it said.
TEST_F(TiffAnalyzerTest, SelfLinkingDirectoryEndsTheChain) {
  TiffBuilder t(true);
  t.AddIfd({t.Short(256, 64), t.Raw(273, 4, 1, 1024), t.Long(279, 19000)}, 0);
  const Bytes file = PadTo(t.Build(), 20024);
  const auto record = Grow(file);
  EXPECT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, 20024u);
}

// An embedded JPEG picture becomes the preview: a thumbnail the directory points back at, and a
// strip that lies ahead of the directory and is tested when the stream reaches it.
TEST_F(TiffAnalyzerTest, FindsTheEmbeddedPreview) {
  const Bytes jpeg = Concat({Soi(), Jfif(), Dqt(), Frame(0xC0, 8, 48, 64, 3), Scan(3), Entropy(3000), Eoi()});
  TiffBuilder t(true);
  t.AddIfd({t.Raw(513, 4, 1, 1024), t.Long(514, static_cast<std::uint32_t>(jpeg.size())), t.Raw(273, 4, 1, 12288),
            t.Long(279, 1000)});
  Bytes thumbnailFile = PadTo(t.Build(), 13288);
  Put(thumbnailFile, 1024, jpeg);
  const auto withThumbnail = Grow(thumbnailFile);
  EXPECT_EQ(withThumbnail->PreviewOffset(), 1024);
  EXPECT_EQ(withThumbnail->PreviewSize(), jpeg.size());

  TiffBuilder u(false);
  u.AddIfd({u.Raw(273, 4, 1, 12288), u.Long(279, static_cast<std::uint32_t>(jpeg.size()))});
  Bytes stripFile = PadTo(u.Build(), 12288);
  Put(stripFile, 12288, jpeg);
  const auto withStrip = Grow(stripFile);
  EXPECT_EQ(withStrip->PreviewOffset(), 12288);
  EXPECT_EQ(withStrip->PreviewSize(), jpeg.size());
  EXPECT_EQ(withStrip->m_ullSize, stripFile.size());
}

// The registry's complete scan must find these (see the registry tests).
const formats::ScanSampleRegistrar kScanSamples({
    {"BruteForce::TiffAnalyzer", "tif sample", formats::Sample("tiff.tiff"), RAW_FILE_TYPE_TIF,
     formats::Expect::kExact},
    {"BruteForce::TiffAnalyzer", "nef", [] { return CameraTiff(false, "NIKON", "D3", 2048, 40000); },
     RAW_FILE_TYPE_NEF, formats::Expect::kExact},
    {"BruteForce::TiffAnalyzer", "raf", RafFile, RAW_FILE_TYPE_RAF, formats::Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::tiff
