// JPEG pictures made by ImageMagick and exiftool, placed in a synthetic image between junk and zero
// fill, found by a real complete scan with the registered engines, and copied out byte for byte
// through the data recovery of the signature searcher.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CompleteScanSupport.h"
#include "EngineCli.h"
#include "Engines/BuiltInEngines.h"
#include "JpegTestData.h"
#include "RawResultTestSupport.h"
#include "include/EngineRegistry.h"
#include "include/IDataRecovery.h"
#include "include/IDataRunList.h"
#include "include/IRecoveryController.h"
#include "support/ImageBuilder.h"
#include "support/RecordingTreeSink.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

constexpr unsigned kSector = 512;


using JpegCompleteScan = RawResultTest;

struct Placed {
  std::string path;
  long long sector;
  Bytes bytes;
  // The start of the found file's name; the label folder ("" for the type tree).
  std::string namePrefix;
  std::string label;
};

TEST_F(JpegCompleteScan, RecoversPlacedPicturesByteExactNamedAndLabelled) {
  ASSERT_TRUE(HaveExiftool()) << "exiftool (libimage-exiftool-perl, installed by the set-up) is missing";
  TempDir dir;
  const auto make = [&](const std::string& name, const std::string& input, const std::string& args) {
    return MakeImageMagickJpeg(dir.path(), name, input, args);
  };
  const auto plain = make("plain.jpg", "-seed 1 -size 320x240 plasma:fractal", "-quality 85");
  ASSERT_TRUE(plain) << "ImageMagick (/usr/bin/convert, installed by the set-up) made no picture";
  const auto progressive = make("progressive.jpg", "-seed 2 -size 300x200 plasma:fractal", "-interlace Plane");
  const auto thumbnail = make("thumb.jpg", "-seed 5 -size 64x48 plasma:fractal", "-quality 50");
  // Camera pictures: noisy enough to weigh what a camera's do per pixel, with the picture size in
  // their Exif block.
  const std::string noisy = "-attenuate 0.3 +noise Gaussian -quality 90";
  const auto canon = make("canon.jpg", "-seed 11 -size 640x480 plasma:fractal", noisy);
  const auto nikon = make("nikon.jpg", "-seed 12 -size 480x640 plasma:fractal", noisy);
  const auto coolpix = make("coolpix.jpg", "-seed 13 -size 320x240 plasma:fractal", "-quality 80");
  ASSERT_TRUE(progressive && thumbnail && canon && nikon && coolpix);
  const auto canonExif =
      Exiftool(dir / "canon.jpg",
               "-JFIF:all= -Make=Canon '-Model=Canon EOS 5D' '-DateTimeOriginal=2015:03:04 05:06:07' "
               "-ExifImageWidth=640 -ExifImageHeight=480 '-ThumbnailImage<=" +
                   (dir / "thumb.jpg").string() + "'");
  const auto nikonExif = Exiftool(dir / "nikon.jpg",
                                  "-JFIF:all= '-Make=NIKON CORPORATION' '-Model=NIKON D90' "
                                  "'-DateTimeOriginal=2011:12:13 14:15:16' -ExifImageWidth=480 -ExifImageHeight=640");
  // Exif behind the JFIF segment.
  const auto coolpixExif = Exiftool(dir / "coolpix.jpg", "-Make=NIKON '-Model=COOLPIX P7000'");
  ASSERT_TRUE(canonExif && nikonExif && coolpixExif);

  // 10 MiB: the scan's 4 MiB blocks split it three times; one picture crosses the first boundary.
  ImageBuilder image(20480, kSector, ImageFill::kJunk);
  image.Fill(12000, 400, ImageFill::kZero);
  const std::vector<Placed> placed = {
      {"plain.jpg", 100, *plain, "100-", ""},
      {"progressive.jpg", 400, *progressive, "400-", ""},
      {"canon.jpg", 1000, *canonExif, "CANON_Canon EOS 5D_1000-", "CANON"},
      {"coolpix.jpg", 2000, *coolpixExif, "NIKON_COOLPIX P7000_2000-", "NIKON"},
      {"tables-first.jpg", 3000, WithoutJfif(*plain), "3000-", ""},
      // FF closes a sector, D9 opens the next.
      {"straddling.jpg", 5000, PaddedToResidue(*progressive, 1), "5000-", ""},
      {"across-blocks.jpg", 8192 - 20, *plain, "8172-", ""},
      // FF D9 closes the file's last sector; zeros follow.
      {"sector-exact.jpg", 12000, PaddedToResidue(*plain, 0), "12000-", ""},
      {"nikon.jpg", 16000, *nikonExif, "NIKON CORPORATION_NIKON D90_16000-", "NIKON CORPORATION"},
      // FF D9 closes the last sector and junk follows: the marker alone ends it.
      {"last-sector-exact.jpg", 19000, PaddedToResidue(*progressive, 0), "19000-", ""},
  };
  for (const Placed& p : placed) image.Place(p.path, p.sector, p.bytes);
  image.Write(dir / "pictures.img");
  const auto manifest = ImageBuilder::ReadManifest(ImageBuilder::ManifestPathFor(dir / "pictures.img"));
  ASSERT_EQ(manifest.size(), placed.size());
  auto device = image.MakeDevice();

  RecordingTreeSink sink;
  const SignatureScan scan = ScanForSignatureFiles(*device, sink);
  ASSERT_EQ(scan.result, 0u);

  // The signature search's files by start sector.
  const auto& found = scan.found;
  const auto& recovery = scan.recovery;
  ASSERT_NE(recovery, nullptr);
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const Placed& p = placed[i];
    SCOPED_TRACE(p.path);
    const auto node = found.find(p.sector);
    ASSERT_NE(node, found.end()) << "nothing found at sector " << p.sector;
    const std::string path = RecordingTreeSink::PathOf(node->second);
    const std::string name = node->second->GetFileName();
    EXPECT_EQ(name.rfind(p.namePrefix, 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".JPG");
    if (p.label.empty()) {
      EXPECT_NE(path.find("(RAW Files)/jpg/"), std::string::npos) << path;
    } else {
      EXPECT_NE(path.find("(Label RAW Files)/Camera/" + p.label + "/"), std::string::npos) << path;
    }

    const auto out = dir / ("recovered-" + std::to_string(i) + ".jpg");
    ASSERT_FALSE(quellsy::IsFailure(recovery->RecoverNodeTo(node->second, out.c_str(), nullptr, 0)));
    const Bytes copy = ReadFile(out);
    EXPECT_EQ(copy.size(), manifest[i].size);
    EXPECT_EQ(Sha256Hex(copy), manifest[i].sha256);
  }
  EXPECT_EQ(found.size(), placed.size()) << "no JPEG is found where none was placed";
}

TEST_F(JpegCompleteScan, EngineCliCopiesOutPicturesOfBothTrees) {
  ASSERT_TRUE(HaveExiftool()) << "exiftool (libimage-exiftool-perl, installed by the set-up) is missing";
  TempDir dir;
  const auto plain =
      MakeImageMagickJpeg(dir.path(), "plain.jpg", "-seed 1 -size 320x240 plasma:fractal", "-quality 85");
  ASSERT_TRUE(plain) << "ImageMagick (/usr/bin/convert, installed by the set-up) made no picture";
  ASSERT_TRUE(MakeImageMagickJpeg(dir.path(), "canon.jpg", "-seed 11 -size 640x480 plasma:fractal",
                                  "-attenuate 0.3 +noise Gaussian -quality 90"));
  const auto canon = Exiftool(dir / "canon.jpg",
                              "-JFIF:all= -Make=Canon '-Model=Canon EOS 5D' -ExifImageWidth=640 -ExifImageHeight=480");
  ASSERT_TRUE(canon);
  ImageBuilder image(4096, kSector, ImageFill::kJunk);
  image.Place("plain.jpg", 100, *plain).Place("canon.jpg", 1000, *canon);
  image.Write(dir / "card.img");

  quellsy::EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  std::ostringstream out;
  std::ostringstream err;
  const auto copies = dir / "out";
  std::filesystem::create_directories(copies);
  const int exit = EngineCliMain(
      {"complete", (dir / "card.img").string(), "--searchers", "raw", "--recover", copies.string()}, out, err);
  quellsy::EngineRegistry::Instance().Reset();
  ASSERT_EQ(exit, 0) << err.str();
  EXPECT_NE(err.str().find("recovery: 2 copied, 0 failed"), std::string::npos) << err.str();
  std::set<std::string> written;
  std::string cameraPath;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(copies)) {
    if (!entry.is_regular_file()) continue;
    written.insert(Sha256Hex(ReadFile(entry.path())));
    if (entry.path().string().find("Camera/CANON/") != std::string::npos) cameraPath = entry.path().string();
  }
  EXPECT_EQ(written, (std::set<std::string>{Sha256Hex(*plain), Sha256Hex(*canon)}));
  EXPECT_NE(cameraPath, "") << "the camera picture is copied out under its label";
}

}  // namespace
}  // namespace quellsy::test
