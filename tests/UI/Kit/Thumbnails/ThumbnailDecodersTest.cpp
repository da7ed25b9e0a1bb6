// Thumbnails of real files made at test time: pictures through Qt's readers compared with ffmpeg's own reading
// of the same file, a camera raw's embedded preview through LibRaw, a movie's frame through ffmpegthumbnailer;
// a truncated and a hostile picture get the type's icon.

#include <QImage>
#include <fstream>
#include <gtest/gtest.h>

#include "UI/Kit/Thumbnails/ThumbnailDecoders.h"
#include "UI/Kit/TypeIcons.h"
#include "UI/Kit/Thumbnails/FfmpegPixels.h"
#include "support/FixtureScript.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Uniform(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != image.pixel(0, 0)) return false;
  return true;
}

// The files are made once for the suite; each test adds only files of its own names.
class ThumbnailFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<test::TempDir>();
    run_ = std::make_unique<test::FixtureRun>(
        test::RunFixture("tests/UI/Kit/Thumbnails/make-thumbnail-files.sh", {dir_->path().string()}));
  }
  static void TearDownTestSuite() {
    run_.reset();
    dir_.reset();
  }
  void SetUp() override { QUELLSY_REQUIRE_FIXTURE(*run_); }
  static std::filesystem::path At(const char* name) { return dir_->path() / name; }
  QImage Thumbnail(const char* name) const { return ThumbnailOfFile(At(name), limits_, ThumbnailTicket(30s)); }

  static inline std::unique_ptr<test::TempDir> dir_;
  static inline std::unique_ptr<test::FixtureRun> run_;
  ThumbnailLimits limits_;
};

TEST_F(ThumbnailFiles, PicturesDecodeToTheSamePixelsFfmpegReads) {
  const std::vector<std::uint8_t> rgb = ReadAll(At("photo.rgb"));
  struct Case {
    const char* name;
    int tolerance;  // JPEG decoders may round their colour conversion differently
  };
  for (const Case& c : {Case{"photo.png", 0}, Case{"photo.tiff", 0}, Case{"photo.jpg", 40}}) {
    SCOPED_TRACE(c.name);
    const QImage image = Thumbnail(c.name);
    ASSERT_EQ(image.size(), QSize(320, 240));
    EXPECT_LE(test::LargestDifferenceFromFfmpeg(image, rgb), c.tolerance);
  }
}

TEST_F(ThumbnailFiles, ACameraRawShowsItsEmbeddedPreview) {
  const QImage image = Thumbnail("camera.dng");
  // The preview is 160 x 120; the sensor data only 64 x 64. Its pixels are those of the JPEG that was embedded.
  ASSERT_EQ(image.size(), QSize(160, 120));
  EXPECT_EQ(image, DecodePictureBytes(ReadAll(At("preview.jpg"))));
  EXPECT_LE(test::LargestDifferenceFromFfmpeg(image, ReadAll(At("preview.rgb"))), 100) << "far from what ffmpeg reads";
  // The same through the bytes, as a found file's data arrive.
  EXPECT_EQ(DecodeCameraRawBytes(ReadAll(At("camera.dng")), limits_, ThumbnailTicket(30s)).size(), QSize(160, 120));
}

TEST_F(ThumbnailFiles, AMovieShowsAFrameAndItsCopyIsGone) {
  const QImage frame = Thumbnail("clip.mp4");
  ASSERT_FALSE(frame.isNull());
  EXPECT_EQ(frame.width() * 3, frame.height() * 4) << frame.width() << "x" << frame.height();
  EXPECT_FALSE(Uniform(frame));

  // A found movie arrives as bytes: copied into a private folder for the helper, removed afterwards.
  const auto temporary = dir_->path() / "tmp";
  std::filesystem::create_directory(temporary);
  const test::ScopedEnv tmpdir("TMPDIR", temporary.c_str());
  const QImage again = MoviePosterFrameOfBytes(ReadAll(At("clip.mp4")), ".mp4", limits_, ThumbnailTicket(30s));
  EXPECT_EQ(again.size(), frame.size());
  EXPECT_TRUE(std::filesystem::is_empty(temporary));
}

TEST_F(ThumbnailFiles, TruncatedHostileAndUnreadableFilesGetTheirTypesIcon) {
  const QImage jpegIcon = TypeIcon(QStringLiteral("jpg"), QSize(128, 128));
  const QImage pngIcon = TypeIcon(QStringLiteral("png"), QSize(128, 128));
  EXPECT_EQ(Thumbnail("truncated.jpg"), jpegIcon);
  EXPECT_EQ(Thumbnail("hostile.png"), pngIcon);
  // Bytes that are no picture, and an empty file.
  std::ofstream(At("noise.jpg")) << "not a picture at all";
  EXPECT_EQ(Thumbnail("noise.jpg"), jpegIcon);
  std::ofstream(At("empty.png"));
  EXPECT_EQ(Thumbnail("empty.png"), pngIcon);
  // A movie that is not one: the helper fails and the icon stands in.
  std::ofstream(At("fake.mp4")) << "no movie";
  EXPECT_EQ(Thumbnail("fake.mp4"), ThumbnailFallback(QStringLiteral("mp4")));
}

TEST_F(ThumbnailFiles, ASizeCapAndAnExpiredTicketRefuseTheWork) {
  ThumbnailLimits small;
  small.maxBytes = 1000;
  EXPECT_EQ(ThumbnailOfFile(At("photo.tiff"), small, ThumbnailTicket(30s)),
            ThumbnailFallback(QStringLiteral("tiff")));
  small = ThumbnailLimits();
  small.maxPixels = 320 * 240 - 1;
  EXPECT_TRUE(DecodePictureBytes(ReadAll(At("photo.png")), small).isNull());
  const ThumbnailTicket stopped(30s);
  stopped.Stop();
  EXPECT_TRUE(MoviePosterFrame(At("clip.mp4"), limits_, stopped).isNull());
  EXPECT_TRUE(DecodeCameraRawBytes(ReadAll(At("camera.dng")), limits_, stopped).isNull());
}

TEST(ThumbnailKinds, ByExtension) {
  const std::pair<const char*, ThumbnailKind> cases[] = {
      {"jpg", ThumbnailKind::kPicture},   {".TIFF", ThumbnailKind::kPicture}, {"a.png", ThumbnailKind::kPicture},
      {"CR2", ThumbnailKind::kCameraRaw}, {".dng", ThumbnailKind::kCameraRaw}, {"clip.MOV", ThumbnailKind::kMovie},
      {"avi", ThumbnailKind::kMovie},     {"txt", ThumbnailKind::kIcon},      {"", ThumbnailKind::kIcon}};
  for (const auto& [extension, kind] : cases)
    EXPECT_EQ(ThumbnailKindOfExtension(QString::fromLatin1(extension)), kind) << extension;
}

}  // namespace
}  // namespace quellsy::ui
