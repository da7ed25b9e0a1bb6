#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "JpegTestData.h"
#include "RAWSearch/Metadata/ExifReader.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

class ExifReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetExifReaderState(); }
  void TearDown() override { ResetExifReaderState(); }

  // Runs the reader over "Exif\0\0" + tiff into a zeroed record with the given copy flags.
  std::unique_ptr<tag_ExifInfo> Read(const Bytes& tiff, std::uint32_t& result, std::uint8_t copyFlags = 0) {
    block_ = Concat({{'E', 'x', 'i', 'f', 0, 0}, tiff});
    auto info = std::make_unique<tag_ExifInfo>();
    std::memset(info.get(), 0, sizeof *info);
    info->CopyFlags = copyFlags;
    SetExitInfo(info.get());
    result = EXIF_process_EXIF(block_.data(), 1000, block_.data(), static_cast<unsigned>(block_.size()));
    return info;
  }

  Bytes block_;
};

// A camera's first directory and Exif directory, in either byte order.
Bytes CameraTiff(bool littleEndian) {
  TiffBuilder t(littleEndian);
  t.AddIfd({t.Ascii(271, "Canon"), t.Ascii(272, "Canon EOS 5D"), t.Short(274, 6), t.Rational(282, 72, 1),
            t.Rational(283, 300, 1), t.Short(296, 2), t.Link(34665, 1)});
  t.AddIfd({t.Rational(33434, 1, 250), t.Rational(33437, 28, 10), t.Short(34850, 2), t.Short(34855, 100),
            t.Ascii(36864, "0221"), t.Ascii(36867, "2015:03:04 05:06:07"), t.Ascii(36868, "2015:03:04 05:06:08"),
            t.Rational(37380, 1, 0), t.Short(37383, 5), t.Short(37384, 1), t.Short(37385, 0x19),
            t.Rational(37386, 85, 1), t.Long(40962, 4368), t.Long(40963, 2912), t.Rational(41486, 4368000, 1415),
            t.Rational(41487, 2912000, 942), t.Short(41488, 2)});
  return t.Build();
}

TEST_F(ExifReaderTest, ReadsACameraBlockTheSameInEitherByteOrder) {
  std::uint32_t little = 0;
  std::uint32_t big = 0;
  auto fromLittle = Read(CameraTiff(true), little);
  auto fromBig = Read(CameraTiff(false), big);
  ASSERT_EQ(little, 1u) << EXIF_GetErrorString();
  ASSERT_EQ(big, 1u) << EXIF_GetErrorString();
  EXPECT_EQ(std::memcmp(fromLittle.get(), fromBig.get(), sizeof(tag_ExifInfo)), 0);

  const tag_ExifInfo& info = *fromBig;
  EXPECT_STREQ(info.CameraMake, "Canon");
  EXPECT_STREQ(info.CameraModel, "Canon EOS 5D");
  EXPECT_STREQ(info.DateTime, "2015:03:04 05:06:07");
  EXPECT_STREQ(info.DateTimeDigitized, "2015:03:04 05:06:08");
  EXPECT_STREQ(info.Version, "0221");
  EXPECT_EQ(info.Orientation, 6);
  EXPECT_EQ(info.FlashUsed, 1);
  EXPECT_FLOAT_EQ(info.ExposureTime, 0.004f);
  EXPECT_FLOAT_EQ(info.ApertureFNumber, 2.8f);
  EXPECT_FLOAT_EQ(info.FocalLength, 85.0f);
  EXPECT_FLOAT_EQ(info.XResolution, 72.0f);
  EXPECT_FLOAT_EQ(info.YResolution, 300.0f);
  EXPECT_FLOAT_EQ(info.ResolutionUnit, 1.0f);
  EXPECT_EQ(info.ISOequivalent, 100);
  EXPECT_EQ(info.ExposureProgram, 2);
  EXPECT_EQ(info.MeteringMode, 5);
  EXPECT_EQ(info.LightSource, 1);
  EXPECT_FLOAT_EQ(info.ExposureBias, 0.0f);  // a zero denominator reads as 0
  // 4368 pixels x inch factor 1.0 / (4368000 / 1415 pixels per unit).
  EXPECT_NEAR(info.SensorWidth, 1.415f, 1e-4);
}

TEST_F(ExifReaderTest, IsoBelowFiftyIsScaledAndABadRotationIsClearedWithoutFailing) {
  TiffBuilder t(true);
  t.AddIfd({t.Short(34855, 4), t.Short(274, 9)});
  std::uint32_t result = 0;
  auto info = Read(t.Build(), result);
  EXPECT_EQ(result, 1u);
  EXPECT_EQ(info->ISOequivalent, 800);
  EXPECT_EQ(info->Orientation, 0);
  EXPECT_STREQ(EXIF_GetErrorString(), "Undefined rotation value");
}

TEST_F(ExifReaderTest, LongCameraTextsAreCut) {
  TiffBuilder t(false);
  t.AddIfd({t.Ascii(271, std::string(40, 'M')), t.Ascii(272, std::string(50, 'm')),
            t.Ascii(36867, "2015:03:04 05:06:07 extra")});
  std::uint32_t result = 0;
  auto info = Read(t.Build(), result);
  ASSERT_EQ(result, 1u);
  EXPECT_EQ(std::string(info->CameraMake), std::string(31, 'M'));
  EXPECT_EQ(std::string(info->CameraModel), std::string(39, 'm'));
  EXPECT_EQ(std::string(info->DateTime), "2015:03:04 05:06:07");
}

struct BadBlockCase {
  const char* name;
  std::function<Bytes()> tiff;
  const char* error;
};

void PrintTo(const BadBlockCase& c, std::ostream* os) { *os << c.name; }

class ExifBadBlockTest : public ExifReaderTest, public ::testing::WithParamInterface<BadBlockCase> {};

TEST_P(ExifBadBlockTest, FailsWithItsErrorText) {
  std::uint32_t result = 1;
  auto info = Read(GetParam().tiff(), result);
  EXPECT_EQ(result, 0u);
  EXPECT_STREQ(EXIF_GetErrorString(), GetParam().error);
}

Bytes WithDirectory(bool littleEndian, const std::function<std::vector<TiffEntry>(TiffBuilder&)>& entries) {
  TiffBuilder t(littleEndian);
  t.AddIfd(entries(t));
  return t.Build();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExifBadBlockTest,
    ::testing::Values(
        BadBlockCase{"AlignmentMarker", [] { return Text("XX"); }, "Invalid Exif alignment marker."},
        BadBlockCase{"Magic",
                     [] {
                       TiffBuilder b(true);
                       b.SetMagic(43);
                       b.AddIfd({b.Short(274, 1)});
                       return b.Build();
                     },
                     "Invalid Exif start (1)"},
        BadBlockCase{"FirstDirectoryFarAway",
                     [] {
                       TiffBuilder b(true);
                       b.SetFirstIfdOffset(20);
                       b.AddIfd({b.Short(274, 1)});
                       return b.Build();
                     },
                     "Suspicious offset of first IFD value"},
        BadBlockCase{"DirectoryCountPastTheBlock",
                     [] {
                       TiffBuilder b(true);
                       b.AddIfd({b.Short(274, 1)});
                       b.SetStoredCount(0, 200);
                       return b.Build();
                     },
                     "Illegally sized directory"},
        BadBlockCase{
            "FormatCode",
            [] { return WithDirectory(false, [](TiffBuilder& b) { return std::vector{b.Raw(271, 13, 1, 0)}; }); },
            "Illegal format code in EXIF dir"},
        BadBlockCase{
            "ValuePastTheBlock",
            [] { return WithDirectory(true, [](TiffBuilder& b) { return std::vector{b.Raw(271, 2, 64, 8)}; }); },
            "Illegal pointer offset value in EXIF."},
        // In 32 bits 0xFFFFFFF8 + 16 wraps to 8 and would pass the bound.
        BadBlockCase{"ValueOffsetThatWrapsIn32Bits",
                     [] {
                       return WithDirectory(
                           true, [](TiffBuilder& b) { return std::vector{b.Raw(37510, 7, 16, 0xFFFFFFF8u)}; });
                     },
                     "Illegal pointer offset value in EXIF."},
        BadBlockCase{"HugeComponentCount",
                     [] {
                       return WithDirectory(false,
                                            [](TiffBuilder& b) { return std::vector{b.Raw(272, 12, 0x20000001u, 8)}; });
                     },
                     "Illegal pointer offset value in EXIF."},
        BadBlockCase{
            "SubdirectoryPastTheBlock",
            [] { return WithDirectory(true, [](TiffBuilder& b) { return std::vector{b.Long(34665, 0xFFFFFFF0u)}; }); },
            "Illegal subdirectory link"},
        BadBlockCase{"NextDirectoryPastTheBlock",
                     [] {
                       TiffBuilder b(false);
                       b.AddIfd({b.Short(274, 1)}, -1, 0x7FFFFFFFu);
                       return b.Build();
                     },
                     "Illegal subdirectory link"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(ExifReaderTest, HeaderMustBeExifAndTwoZeros) {
  const Bytes block = Text("Exif\0x");
  tag_ExifInfo info{};
  SetExitInfo(&info);
  EXPECT_EQ(EXIF_process_EXIF(block.data(), 0, block.data(), static_cast<unsigned>(block.size())), 0u);
  EXPECT_STREQ(EXIF_GetErrorString(), "Incorrect Exif header");
  // Too short to hold the header at all.
  EXPECT_EQ(EXIF_process_EXIF(block.data(), 0, block.data(), 3), 0u);
}

TEST_F(ExifReaderTest, LoopingDirectoriesEndInsteadOfLooping) {
  struct Loop {
    const char* name;
    std::function<void(TiffBuilder&)> build;
  };
  const std::vector<Loop> loops = {
      {"SelfLink", [](TiffBuilder& t) { t.SetNext(t.AddIfd({t.Ascii(272, "Model")}), 0); }},
      {"ThroughSubdirectory",
       [](TiffBuilder& t) {
         t.AddIfd({t.Ascii(272, "Model"), t.Link(34665, 1)});
         t.AddIfd({t.Short(34855, 200), t.Link(40965, 0)}, 0);
       }},
      // Every directory links three times to the next: read naively, 3^30 directories.
      {"SharedLinksThirtyDeep",
       [](TiffBuilder& t) {
         for (int i = 0; i < 30; ++i) t.AddIfd({t.Link(34665, i + 1), t.Link(40965, i + 1)}, i + 1);
         t.AddIfd({t.Ascii(272, "Model")});
       }},
  };
  for (const Loop& loop : loops) {
    TiffBuilder t(true);
    loop.build(t);
    std::uint32_t result = 0;
    auto info = Read(t.Build(), result);
    EXPECT_EQ(result, 1u) << loop.name;
    if (std::string(loop.name) != "SharedLinksThirtyDeep") {
      EXPECT_STREQ(info->CameraModel, "Model") << loop.name;
    }
  }
}

TEST_F(ExifReaderTest, ThumbnailAndCommentArePositionsOrCopies) {
  const Bytes thumbnail = Concat({Soi(), Entropy(40), Eoi()});
  const auto tiffWithThumbnailAt = [&](std::uint32_t offset) {
    TiffBuilder t(true);
    t.AddIfd({t.Short(274, 1)}, 1);
    t.AddIfd({t.Long(513, offset), t.Long(514, static_cast<std::uint32_t>(thumbnail.size())),
              TiffEntry{37510, 7, 8, Text(std::string("ASCII\0\0\0", 8))}, TiffEntry{37500, 7, 6, Text("NOTE12")}});
    return t.Build();
  };
  // The thumbnail goes behind everything the builder lays out.
  const auto thumbnailOffset = static_cast<std::uint32_t>(tiffWithThumbnailAt(0).size());
  const Bytes tiff = Concat({tiffWithThumbnailAt(thumbnailOffset), thumbnail});
  ASSERT_EQ(Find(tiff, thumbnail), thumbnailOffset);

  std::uint32_t result = 0;
  auto positions = Read(tiff, result);
  ASSERT_EQ(result, 1u) << EXIF_GetErrorString();
  EXPECT_EQ(positions->ThumbnailSize, static_cast<std::int32_t>(thumbnail.size()));
  // Positions count from basePosition 1000 at the block's first byte, 6 bytes before the TIFF data.
  EXPECT_EQ(positions->Thumbnail.position, 1000u + 6 + thumbnailOffset);
  EXPECT_EQ(positions->UserCommentSize, 8);
  EXPECT_EQ(positions->UserComment.position, 1000u + 6 + Find(tiff, Text("ASCII")));
  EXPECT_EQ(positions->MakerNoteSize, 6);
  EXPECT_EQ(positions->MakerNote.position, Find(tiff, Text("NOTE12")));

  auto copies =
      Read(tiff, result, tag_ExifInfo::kCopyThumbnail | tag_ExifInfo::kCopyUserComment | tag_ExifInfo::kCopyMakerNote);
  ASSERT_EQ(result, 1u);
  const std::unique_ptr<unsigned char[]> thumb(copies->Thumbnail.copy);
  const std::unique_ptr<unsigned char[]> comment(copies->UserComment.copy);
  const std::unique_ptr<unsigned char[]> note(copies->MakerNote.copy);
  EXPECT_EQ(Bytes(thumb.get(), thumb.get() + thumbnail.size()), thumbnail);
  EXPECT_EQ(std::memcmp(comment.get(), "ASCII", 5), 0);
  EXPECT_EQ(std::memcmp(note.get(), "NOTE12", 6), 0);
}

TEST_F(ExifReaderTest, ConvertAnyFormatFollowsTheBlocksByteOrder) {
  TiffBuilder t(false);
  t.AddIfd({t.Short(274, 1)});
  std::uint32_t result = 0;
  auto info = Read(t.Build(), result);
  ASSERT_EQ(result, 1u);
  const unsigned char big[8] = {0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x00, 0x00, 0x02};
  EXPECT_EQ(EXIF_ConvertAnyFormat(big, 1), 255.0);
  EXPECT_EQ(EXIF_ConvertAnyFormat(big, 6), -1.0);
  EXPECT_EQ(EXIF_ConvertAnyFormat(big, 3), 65535.0);
  EXPECT_EQ(EXIF_ConvertAnyFormat(big, 8), -1.0);
  EXPECT_EQ(EXIF_ConvertAnyFormat(big, 4), 4294967294.0);
  EXPECT_EQ(EXIF_ConvertAnyFormat(big, 9), -2.0);
  EXPECT_EQ(EXIF_ConvertAnyFormat(big, 10), -1.0);
  EXPECT_EQ(EXIF_ConvertAnyFormat(big, 2), 0.0);
  EXPECT_EQ(EXIF_ConvertAnyFormat(big, 7), 0.0);
  EXPECT_EQ(EXIF_Get32s(big + 4), 2);
  const float f = 1.5f;
  EXPECT_EQ(EXIF_ConvertAnyFormat(&f, 11), 1.5);
}

TEST_F(ExifReaderTest, ReadsTheBlockExiftoolWrites) {
  ASSERT_TRUE(HaveExiftool()) << "exiftool (libimage-exiftool-perl, installed by the set-up) is missing";
  TempDir dir;
  const auto made = MakeImageMagickJpeg(dir.path(), "cam.jpg", "-size 64x48 gradient:red-blue", "-quality 80");
  ASSERT_TRUE(made) << "ImageMagick (/usr/bin/convert, installed by the set-up) made no picture";
  const auto jpeg =
      Exiftool(dir / "cam.jpg", "-Make=NIKON -Model='COOLPIX P7000' '-DateTimeOriginal=2011:12:13 14:15:16' -ISO=3200");
  ASSERT_TRUE(jpeg);
  const std::size_t exif = Find(*jpeg, Text("Exif"));
  ASSERT_NE(exif, std::string::npos);
  const unsigned length = static_cast<unsigned>(((*jpeg)[exif - 2] << 8 | (*jpeg)[exif - 1]) - 2);
  tag_ExifInfo info{};
  SetExitInfo(&info);
  ASSERT_EQ(EXIF_process_EXIF(jpeg->data(), 0, jpeg->data() + exif, length), 1u) << EXIF_GetErrorString();
  EXPECT_STREQ(info.CameraMake, "NIKON");
  EXPECT_STREQ(info.CameraModel, "COOLPIX P7000");
  EXPECT_STREQ(info.DateTime, "2011:12:13 14:15:16");
  EXPECT_EQ(info.ISOequivalent, 3200);
}

}  // namespace
}  // namespace quellsy::test
