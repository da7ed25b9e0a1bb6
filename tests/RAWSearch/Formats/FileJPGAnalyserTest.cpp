#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "JpegTestData.h"
#include "RAWSearch/Formats/Image/FileJPGAnalyser.h"
#include "RawSearchTestSupport.h"
#include "support/ImageBuilder.h"
#include "support/MemoryDevice.h"
#include "support/PublicFixture.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

constexpr unsigned kSector = 512;

Bytes Picture(const Bytes& apps, const Bytes& frames, std::size_t entropy, bool endMarker = true) {
  return Concat({Soi(), apps, Dqt(), frames, Scan(3), Entropy(entropy, 5), endMarker ? Eoi() : Bytes{}});
}

class FileJPGAnalyserTest : public RawSearchTest {
 protected:
  // Places the file at sector 7 of a junk image (the rest of its last sector zero), checks the test
  // accepts its first sector, and measures it.
  int Measure(const Bytes& jpeg) {
    ImageBuilder image(7 + static_cast<long long>(jpeg.size() / kSector) + 40, kSector, ImageFill::kJunk);
    image.Place("photo.jpg", 7, jpeg);
    device_ = image.MakeDevice();
    hit_ = std::make_unique<CRawFileInfo>();
    Bytes first(jpeg.begin(), jpeg.begin() + std::min<std::size_t>(jpeg.size(), kSector));
    first.resize(kSector, 0);
    EXPECT_EQ(analyser_.AnalyseBuffer(first.data(), *hit_), 1);
    hit_->m_llStartSector = 7;
    return analyser_.GetRawFileSize(*hit_, device_.get());
  }

  FileJPGAnalyser analyser_;
  std::unique_ptr<MemoryDevice> device_;
  std::unique_ptr<CRawFileInfo> hit_;
};

struct MadeCase {
  const char* name;
  const char* convertArgs;
  // Applied to the file ImageMagick wrote.
  std::function<Bytes(const Bytes&)> adjust;
  int result;
};

void PrintTo(const MadeCase& c, std::ostream* os) { *os << c.name; }

class FileJPGMadeTest : public FileJPGAnalyserTest, public ::testing::WithParamInterface<MadeCase> {};

TEST_P(FileJPGMadeTest, MeasuresPicturesMadeByImageMagick) {
  const MadeCase& c = GetParam();
  TempDir dir;
  const auto made = MakeImageMagickJpeg(dir.path(), "in.jpg", "-seed 3 -size 300x200 plasma:fractal", c.convertArgs);
  ASSERT_TRUE(made) << "ImageMagick (/usr/bin/convert, installed by the set-up) made no picture";
  const Bytes jpeg = c.adjust(*made);
  ASSERT_EQ(Measure(jpeg), c.result);
  if (c.result) {
    EXPECT_EQ(hit_->m_ullSize, jpeg.size());
    EXPECT_EQ(hit_->m_uRawFileType, RAW_FILE_TYPE_JPG);
  }
}

const auto kAsMade = [](const Bytes& jpeg) { return jpeg; };

INSTANTIATE_TEST_SUITE_P(
    Cases, FileJPGMadeTest,
    ::testing::Values(MadeCase{"Baseline", "-quality 85", kAsMade, 1},
                      MadeCase{"Progressive", "-interlace Plane", kAsMade, 1},
                      MadeCase{"Greyscale", "-colorspace Gray", kAsMade, 1},
                      MadeCase{"TablesFirstColour", "-quality 70", WithoutJfif, 1},
                      MadeCase{"TablesFirstProgressive", "-interlace Plane", WithoutJfif, 1},
                      // Only three-component pictures are taken without JFIF or Exif.
                      MadeCase{"TablesFirstGreyscale", "-colorspace Gray", WithoutJfif, 0},
                      MadeCase{"EndMarkerClosesTheLastSector", "-quality 60",
                               [](const Bytes& jpeg) { return PaddedToResidue(jpeg, 0); }, 1},
                      MadeCase{"EndMarkerStraddlesTwoSectors", "-quality 60",
                               [](const Bytes& jpeg) { return PaddedToResidue(jpeg, 1); }, 1},
                      MadeCase{"EndMarkerStraddlesWithoutJfif", "-quality 60",
                               [](const Bytes& jpeg) { return PaddedToResidue(WithoutJfif(jpeg), 1); }, 1}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(FileJPGAnalyserTest, ReadsTheCameraFromExifAndLabelsTheHit) {
  ASSERT_TRUE(HaveExiftool()) << "exiftool (libimage-exiftool-perl, installed by the set-up) is missing";
  struct Case {
    const char* name;
    const char* exiftoolArgs;
    const char* convertArgs;
    const char* expectedName;
  };
  const std::vector<Case> cases = {
      {"ExifFirst", "-JFIF:all= -Make=Canon '-Model=Canon EOS 5D'", "-quality 80", "Canon EOS 5D"},
      {"ExifFirstProgressive", "-JFIF:all= -Make=Canon '-Model=Canon EOS 5D'", "-interlace Plane", "Canon EOS 5D"},
      {"ExifBehindJfif", "-Make=NIKON '-Model=COOLPIX P7000'", "-quality 80", "COOLPIX P7000"},
      // A model with '<' names the file after the make, bad characters replaced.
      {"ModelWithAngle", "-JFIF:all= '-Make=Foo:Bar' '-Model=<unknown>'", "-quality 80", "Foo_Bar"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ASSERT_TRUE(MakeImageMagickJpeg(dir.path(), "cam.jpg", "-seed 4 -size 200x150 plasma:fractal", c.convertArgs))
        << "ImageMagick (/usr/bin/convert, installed by the set-up) made no picture";
    const auto jpeg =
        Exiftool(dir / "cam.jpg", std::string(c.exiftoolArgs) + " '-DateTimeOriginal=2015:03:04 05:06:07'");
    ASSERT_TRUE(jpeg) << c.name;
    ASSERT_EQ(Measure(*jpeg), 1) << c.name;
    EXPECT_EQ(hit_->m_ullSize, jpeg->size()) << c.name;
    EXPECT_EQ(hit_->GetRawFileName(), c.expectedName) << c.name;
    EXPECT_EQ(hit_->GetRawFileTime(), "2015:03:04 05:06:07") << c.name;
    EXPECT_EQ(analyser_.GetRawFileName(), c.expectedName) << c.name;
    EXPECT_EQ(analyser_.GetRawFileTime(), "2015:03:04 05:06:07") << c.name;
    RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
    std::string value;
    hit_->GetRawFileTagAndValue(tag, value);
    EXPECT_EQ(tag, RAW_FILE_TAG_CAMERA) << c.name;
    EXPECT_EQ(value, c.expectedName) << c.name;
    analyser_.GetRawFileTagAndValue(tag, value);
    EXPECT_EQ(tag, RAW_FILE_TAG_CAMERA) << c.name;
  }
  // The next measurement starts clean: no Exif, no name, no label.
  ASSERT_EQ(Measure(Picture(Jfif(), Frame(0xC0, 8, 50, 50, 3), 900)), 1);
  EXPECT_EQ(analyser_.GetRawFileName(), "");
  RAW_FILE_TAG tag = RAW_FILE_TAG_CAMERA;
  std::string value = "x";
  analyser_.GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_NONE);
  EXPECT_EQ(value, "");
}

TEST_F(FileJPGAnalyserTest, MeasuresTheSampleOfTheSharedFixtures) {
  const std::filesystem::path sample = PublicFixture("mimetype-testdata/jpg.jpg");
  ASSERT_TRUE(std::filesystem::exists(sample));
  const Bytes jpeg = ReadFile(sample);
  ASSERT_EQ(Measure(jpeg), 1);
  EXPECT_EQ(hit_->m_ullSize, jpeg.size());
}

TEST_F(FileJPGAnalyserTest, HandBuiltWalksAndTheirBounds) {
  struct Case {
    const char* name;
    Bytes jpeg;
    int result;
    std::uint64_t size;  // 0: the file's own length
  };
  const std::vector<Case> cases = {
      // No end marker: a 1000 x 800 JFIF picture is searched up to 3 x 1000 x 800 bytes, in whole sectors.
      {"JfifSearchedUpToThreeBytesAPixel", Picture(Jfif(), Frame(0xC0, 8, 800, 1000, 3), 2500000, false), 1, 2400256},
      // A second progressive frame after the size is known is skipped by its own length.
      {"SecondProgressiveFrameSkipped",
       Picture(Jfif(), Concat({Frame(0xC0, 8, 40, 40, 3), Frame(0xC2, 12, 40, 40, 3)}), 1500), 1, 0},
      {"ScanBeforeAnyFrame", Concat({Soi(), Dqt(), Scan(3), Entropy(1300, 9), Eoi()}), 1, 0},
      {"PlainTwelveBitFrame", Picture({}, Frame(0xC0, 12, 40, 40, 3), 900), 0, 0},
      {"PlainGreyscaleFrame", Concat({Soi(), Dqt(), Frame(0xC1, 8, 40, 40, 1), Scan(1), Entropy(900), Eoi()}), 0, 0},
      {"PlainScanOfOneComponent", Concat({Soi(), Dqt(), Frame(0xC0, 8, 40, 40, 3), Scan(1), Entropy(900), Eoi()}), 0,
       0},
      {"JfifTwelveBitFrame", Picture(Jfif(), Frame(0xC0, 12, 40, 40, 3), 900), 0, 0},
      {"ExifWithoutTiff", Picture(Segment(0xE1, Text("Exif\0\0XX")), Frame(0xC0, 8, 40, 40, 3), 700), 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Measure(c.jpeg), c.result) << c.name;
    if (c.result) {
      EXPECT_EQ(hit_->m_ullSize, c.size ? c.size : c.jpeg.size()) << c.name;
    }
  }
}

TEST_F(FileJPGAnalyserTest, PlainWalkClearsTheSizeOnABadFrame) {
  ImageBuilder image(16, kSector, ImageFill::kZero);
  image.Place("photo.jpg", 2, Picture({}, Frame(0xC0, 12, 40, 40, 3), 900));
  const auto device = image.MakeDevice();
  CRawFileInfo hit;
  hit.m_llStartSector = 2;
  hit.m_ullSize = 123;
  EXPECT_EQ(analyser_.GetRawFileSize(hit, device.get()), 0);
  EXPECT_EQ(hit.m_ullSize, 0u);
}

TEST_F(FileJPGAnalyserTest, UnreadableOrEndlessHeadersGiveNoSize) {
  // The first read fails.
  ImageBuilder image(16, kSector, ImageFill::kJunk);
  image.Place("photo.jpg", 2, Picture(Jfif(), Frame(0xC0, 8, 40, 40, 3), 900));
  const auto failing = image.MakeDevice();
  failing->FailSectors(0, 16);
  CRawFileInfo hit;
  hit.m_llStartSector = 2;
  EXPECT_EQ(analyser_.GetRawFileSize(hit, failing.get()), 0);

  // A segment length that points past the device's end.
  ImageBuilder shortImage(4, kSector, ImageFill::kZero);
  shortImage.Place("photo.jpg", 2, Concat({Soi(), Jfif(), Segment(0xFE, Bytes(200, 'c')), {0xFF, 0xFE, 0xFF, 0xF0}}));
  const auto truncated = shortImage.MakeDevice();
  EXPECT_EQ(analyser_.GetRawFileSize(hit, truncated.get()), 0);

  // Zero bytes look like empty segments forever: the walk gives up after a bounded number of them
  // instead of stepping two bytes at a time through the whole device.
  MemoryDevice zeros(8192, kSector);
  zeros.Put(0, {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x02});
  hit.m_llStartSector = 0;
  zeros.ResetCounters();
  EXPECT_EQ(analyser_.GetRawFileSize(hit, &zeros), 0);
  EXPECT_LE(zeros.SectorsRead(), 2 * 129);
}

TEST_F(FileJPGAnalyserTest, TestAcceptsJfifExifTablesAndAdobeStarts) {
  const std::vector<std::pair<Bytes, int>> cases = {
      {Concat({Soi(), Jfif()}), 1},
      {Concat({Soi(), Segment(0xE1, Text("eXiF\0\0"))}), 1},
      {Concat({Soi(), Dqt()}), 1},
      {Concat({Soi(), Segment(0xEE, Text("Adobe"))}), 1},
      {Concat({Soi(), Segment(0xE0, Text("AVI1"))}), 0},
      {Concat({Soi(), Segment(0xC4, Text("table"))}), 0},
  };
  for (const auto& [start, accepted] : cases) {
    Bytes sector = start;
    sector.resize(kSector, 0);
    CRawFileInfo hit;
    EXPECT_EQ(analyser_.AnalyseBuffer(sector.data(), hit), accepted);
  }
}

}  // namespace
}  // namespace quellsy::test
